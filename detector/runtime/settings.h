#pragma once
#include <string>

#include "detector/runtime/environment.h"

// What the environment chooses for the detector, read in this file only. The engine reads
// it once at each start and hands it to its watching thread, which never reads the
// environment itself: a choice changed between two games is taken at the next start.
namespace irisdet {

struct Settings {
  // IRISDET_SOURCE (a camera, a video, an image sequence), or else the camera the player
  // chose; empty: the first colour camera.
  std::string source;
  std::string modelPath;                                // IRISDET_MODEL, or where Debian installs the landmark model
  IrisdetTracking tracking = IRISDET_TRACKING_COMFORT;  // IRISDET_TRACKING
};
Settings SettingsFromEnvironment(const std::string& chosenCamera = {});

// The neural face finder's folder: IRISDET_FACE_FINDER, or where it is installed or
// fetched; empty when there is none. Read with the landmark model.
std::string NeuralModelFolder();

}  // namespace irisdet
