#include "platform/data_files.h"

#include <filesystem>

namespace platform {

std::string FindDataFile(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  // Only regular files are candidates: a FIFO or a device named like a sound is passed over.
  if (fs::is_regular_file(name, ec)) return name;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  const fs::path candidates[] = {exe.parent_path().parent_path() / "share" / "glimmo2" / name,
                                 fs::path(GLIMMO2_DATA_DIR) / name};
  for (const fs::path& candidate : candidates)
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
  return name;
}

}  // namespace platform
