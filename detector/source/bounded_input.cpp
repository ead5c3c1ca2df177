#include "detector/source/bounded_input.h"

#include <opencv2/imgcodecs.hpp>

#include "platform/regular_file.h"

namespace irisdet {
namespace {

std::string Quoted(const std::string& path) { return "«" + path + "»"; }

// The player's words for what keeps a file from being read.
std::string Reason(platform::FileTrouble trouble, const std::string& path) {
  switch (trouble) {
    case platform::FileTrouble::kNone:
      return {};
    case platform::FileTrouble::kMissing:
      return "No es troba " + Quoted(path) + ".";
    case platform::FileTrouble::kUnreadable:
      return "No es pot llegir " + Quoted(path) + ".";
    case platform::FileTrouble::kNotRegular:
      return Quoted(path) + " no és un fitxer normal.";
    case platform::FileTrouble::kTooLarge:
      return Quoted(path) + " és massa gran.";
  }
  return {};
}

std::uint32_t BigEndian(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::int64_t LittleEndian(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return bytes == 4 ? static_cast<std::int32_t>(v) : static_cast<std::int64_t>(v);
}

std::optional<cv::Size> JpegSize(const std::string& b) {
  std::size_t at = 2;
  while (at + 9 <= b.size()) {
    if (static_cast<unsigned char>(b[at]) != 0xFF) return std::nullopt;
    const unsigned marker = static_cast<unsigned char>(b[at + 1]);
    if (marker == 0xFF) {  // padding
      ++at;
      continue;
    }
    const bool frameHeader = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameHeader)
      return cv::Size(static_cast<int>(BigEndian(b, at + 7, 2)), static_cast<int>(BigEndian(b, at + 5, 2)));
    at += 2 + BigEndian(b, at + 2, 2);
  }
  return std::nullopt;
}

}  // namespace

std::string RefuseFile(const std::string& path, std::int64_t maxBytes) {
  return Reason(platform::RegularFileTrouble(path, maxBytes), path);
}

int OpenRegularFile(const std::string& path, std::int64_t maxBytes, std::string* why) {
  platform::FileTrouble trouble = platform::FileTrouble::kNone;
  const int fd = platform::OpenRegularFile(path, maxBytes, &trouble);
  *why = Reason(trouble, path);
  return fd;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes, std::string* why) {
  platform::FileTrouble trouble = platform::FileTrouble::kNone;
  std::optional<std::string> bytes = platform::ReadRegularFile(path, maxBytes, &trouble);
  *why = Reason(trouble, path);
  return bytes;
}

std::optional<cv::Size> StatedImageSize(const std::string& b) {
  if (b.size() >= 24 && b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 && b.compare(12, 4, "IHDR") == 0)
    return cv::Size(static_cast<int>(std::min<std::uint32_t>(BigEndian(b, 16, 4), INT32_MAX)),
                    static_cast<int>(std::min<std::uint32_t>(BigEndian(b, 20, 4), INT32_MAX)));
  if (b.size() >= 26 && b.compare(0, 2, "BM") == 0) {
    if (LittleEndian(b, 14, 4) == 12)  // the old OS/2 header: 16-bit sizes
      return cv::Size(static_cast<int>(LittleEndian(b, 18, 2)), static_cast<int>(LittleEndian(b, 20, 2)));
    const std::int64_t height = LittleEndian(b, 22, 4);  // negative: stored top row first
    return cv::Size(static_cast<int>(std::min<std::int64_t>(std::abs(LittleEndian(b, 18, 4)), INT32_MAX)),
                    static_cast<int>(std::min<std::int64_t>(std::abs(height), INT32_MAX)));
  }
  if (b.size() >= 4 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8)
    return JpegSize(b);
  return std::nullopt;
}

bool FrameSizeAllowed(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxFrameSide && height <= kMaxFrameSide &&
         static_cast<std::int64_t>(width) * height <= kMaxFramePixels;
}

cv::Mat ReadBoundedImage(const std::string& path, std::string* why) {
  const std::optional<std::string> bytes = ReadRegularFile(path, kMaxImageFileBytes, why);
  if (!bytes) return {};
  const std::optional<cv::Size> size = StatedImageSize(*bytes);
  if (!size) {
    *why = Quoted(path) + " no és una imatge PNG, JPEG o BMP.";
    return {};
  }
  if (!FrameSizeAllowed(size->width, size->height)) {
    *why = "La imatge " + Quoted(path) + " és massa gran.";
    return {};
  }
  cv::Mat image = cv::imdecode(cv::Mat(1, static_cast<int>(bytes->size()), CV_8U, const_cast<char*>(bytes->data())),
                               cv::IMREAD_COLOR);
  // A header that lied about its size is caught here too.
  if (image.empty() || !FrameSizeAllowed(image.cols, image.rows)) {
    *why = "No es pot llegir la imatge " + Quoted(path) + ".";
    return {};
  }
  return image;
}

}  // namespace irisdet
