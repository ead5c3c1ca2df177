#pragma once
#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

// Everything the detector reads from outside is hostile until checked: only regular
// files, of bounded size, whose pictures decode to a bounded size. The bounds are
// generous for real use (a webcam gives 640x480; a photo of a few thousand pixels
// a side still plays).
namespace irisdet {

inline constexpr std::int64_t kMaxImageFileBytes = 64ll << 20;
inline constexpr std::int64_t kMaxModelFileBytes = 256ll << 20;  // Debian's 68-point model is 100 MB
inline constexpr int kMaxFrameSide = 8192;
inline constexpr std::int64_t kMaxFramePixels = 24ll << 20;  // about 72 MB of BGR at most

// Why `path` is not a regular file of at most `maxBytes` bytes (Catalan, for the
// player); empty when it is one. Never opens anything that could block.
std::string RefuseFile(const std::string& path, std::int64_t maxBytes);

// A descriptor of a regular file of at most `maxBytes`, opened without blocking and
// checked after opening; -1 with the reason in *why otherwise. The caller closes it.
int OpenRegularFile(const std::string& path, std::int64_t maxBytes, std::string* why);

// The whole of a regular file of at most `maxBytes`; opened without blocking, so a
// FIFO or a device named like a file is refused, not waited on.
std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes, std::string* why);

// Width and height as a PNG, JPEG or BMP header states them; none for other data.
std::optional<cv::Size> StatedImageSize(const std::string& bytes);

bool FrameSizeAllowed(int width, int height);

// A picture file decoded only when its stated size is within the bounds; empty
// (with the reason in *why) otherwise.
cv::Mat ReadBoundedImage(const std::string& path, std::string* why);

}  // namespace irisdet
