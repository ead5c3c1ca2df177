#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Reading what comes from outside: only regular files of bounded size, opened without
// blocking and checked after opening, so that a FIFO, a device or a symlink to one,
// named like a sound, a picture or a model, is refused at once instead of waited on
// or read for ever. Its own small library: the eye detector links it and nothing else
// of the platform.
namespace platform {

enum class FileTrouble { kNone, kMissing, kUnreadable, kNotRegular, kTooLarge };

// What keeps `path` from being read as a regular file of at most `maxBytes`, looked
// at without opening anything.
FileTrouble RegularFileTrouble(const std::string& path, std::int64_t maxBytes);

// A descriptor of a regular file of at most `maxBytes`; -1 with the trouble otherwise.
// The caller closes it.
int OpenRegularFile(const std::string& path, std::int64_t maxBytes, FileTrouble* trouble);

// The whole of a regular file of at most `maxBytes`, or none (with the trouble, when
// asked for).
std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes,
                                           FileTrouble* trouble = nullptr);

}  // namespace platform
