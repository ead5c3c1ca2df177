#pragma once
#include <string>

namespace platform {
// A bare file name as the game looks it up: the working directory first, then the
// game's data folder beside the installed executable, then the configured one.
// Only regular files count. Returns the name unchanged when none has it.
std::string FindDataFile(const std::string& name);
}  // namespace platform
