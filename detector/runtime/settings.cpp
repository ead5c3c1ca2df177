#include "detector/runtime/settings.h"

#include <cstdlib>
#include <filesystem>

namespace irisdet {
namespace {
constexpr const char* kDebianModel = "/usr/share/dlib/shape_predictor_68_face_landmarks.dat";
}  // namespace

Settings SettingsFromEnvironment(const std::string& chosenCamera) {
  Settings settings;
  const char* source = SourceChosenByEnvironment();
  settings.source = source ? source : chosenCamera;
  const char* model = std::getenv("IRISDET_MODEL");
  settings.modelPath = model && *model ? model : kDebianModel;
  settings.tracking = static_cast<IrisdetTracking>(TrackingChosenByEnvironment());
  return settings;
}

std::string NeuralModelFolder() {
  if (const char* chosen = std::getenv("IRISDET_FACE_FINDER")) return chosen;
  for (const char* folder : {GLIMMO2_DATA_DIR "/models/blazeface", GLIMMO2_SOURCE_DATA_DIR "/models/blazeface"})
    if (std::error_code ec; std::filesystem::is_directory(folder, ec)) return folder;
  return "";
}

}  // namespace irisdet
