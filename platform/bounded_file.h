#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The whole of a regular file of at most `maxBytes` bytes, or none. Opened without
// blocking and checked after opening, so that a FIFO, a device or a symlink to one,
// named like a sound or a picture, is refused at once instead of waited on or read
// for ever.
std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes);

}  // namespace platform
