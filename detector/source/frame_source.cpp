#include "detector/source/frame_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <thread>
#include <vector>

#include "detector/source/bounded_input.h"
#include "detector/source/camera_source.h"

namespace irisdet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kDefaultFps = 30.0;  // a picture sequence plays as a webcam would
constexpr std::int64_t kMaxVideoFileBytes = 16ll << 30;
constexpr std::size_t kMaxFolderImages = 20000;

// A video or a picture sequence: paced at its frame rate in real time, and after its
// end its last frame keeps coming, as a camera's would.
class FileSource : public FrameSource {
 public:
  FileSource(std::string watched, Pacing pacing, FrameWait wait)
      : pacing_(pacing), wait_(std::move(wait)), watched_(std::move(watched)) {}

  // A source that opens but holds no readable frame counts as not opened.
  bool Prime(double fps) {
    period_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / fps));
    next_ = Clock::now();
    return GrabNext() && RetrieveNext(primed_);
  }

  bool Read(cv::Mat& frame) override { return Grab() && Retrieve(frame); }

  bool Grab() override {
    if (!WaitForTurn()) return false;
    repeated_ = false;
    if (!primed_.empty()) return grabbed_ = Grabbed::kPrimed, true;
    if (!ended_ && GrabNext()) return grabbed_ = Grabbed::kNext, true;
    ended_ = true;  // asking again costs time and gives nothing
    if (pacing_ == Pacing::EveryFrame || last_.empty()) return false;
    repeated_ = true;
    grabbed_ = Grabbed::kLast;
    return true;
  }

  bool Retrieve(cv::Mat& frame) override {
    cv::Mat raw;
    if (grabbed_ == Grabbed::kPrimed)
      raw = primed_, primed_.release();
    else if (grabbed_ == Grabbed::kNext && !RetrieveNext(raw))
      return false;
    if (!raw.empty()) last_ = ToCameraFrame(raw);
    frame = last_;
    return !frame.empty();
  }

  bool Repeated() const override { return repeated_; }

 protected:
  // Takes the next frame of the file, undecoded where it can; false at its end.
  virtual bool GrabNext() = 0;
  // The frame taken, as a picture; false when it is out of bounds.
  virtual bool RetrieveNext(cv::Mat& raw) = 0;

 private:
  enum class Grabbed { kPrimed, kNext, kLast };

  // Played in real time, the next frame's moment; false when the wait was cut short or the
  // file is gone.
  bool WaitForTurn() {
    if (pacing_ == Pacing::EveryFrame) return true;
    if (!wait_(next_)) return false;
    next_ = std::max(next_ + period_, Clock::now() - period_);
    return !Vanished();  // like a camera unplugged: no more frames
  }

  // The file (or the folder of a picture sequence) is gone; looked at once a second.
  bool Vanished() {
    if (gone_ || Clock::now() < nextLook_) return gone_;
    nextLook_ = Clock::now() + std::chrono::seconds(1);
    std::error_code ec;
    gone_ = !fs::exists(watched_, ec);
    return gone_;
  }

  Pacing pacing_;
  FrameWait wait_;
  fs::path watched_;
  bool gone_ = false;
  Clock::time_point nextLook_{};
  Clock::duration period_{};
  Clock::time_point next_;
  cv::Mat primed_, last_;
  Grabbed grabbed_ = Grabbed::kLast;
  bool repeated_ = false, ended_ = false;
};

class VideoSource final : public FileSource {
 public:
  VideoSource(const std::string& path, Pacing pacing, FrameWait wait) : FileSource(path, pacing, std::move(wait)) {}

  bool Open(const std::string& path, std::string* error) {
    if (!(*error = RefuseFile(path, kMaxVideoFileBytes)).empty()) return false;
    capture_.open(path, cv::CAP_FFMPEG);  // videos through FFMPEG only: no probing of other backends
    const auto width = static_cast<int>(capture_.get(cv::CAP_PROP_FRAME_WIDTH));
    const auto height = static_cast<int>(capture_.get(cv::CAP_PROP_FRAME_HEIGHT));
    if (capture_.isOpened() && !FrameSizeAllowed(width, height)) {
      *error = "Les imatges del vídeo «" + path + "» són massa grans.";
      return false;
    }
    const double fps = capture_.get(cv::CAP_PROP_FPS);
    if (capture_.isOpened() && Prime(fps > 0.5 && fps < 1000.0 ? fps : kDefaultFps)) return true;
    *error = "No es pot llegir el vídeo «" + path + "».";
    return false;
  }

 private:
  bool GrabNext() override { return capture_.grab(); }
  bool RetrieveNext(cv::Mat& raw) override {
    return capture_.retrieve(raw) && !raw.empty() && FrameSizeAllowed(raw.cols, raw.rows);
  }

  cv::VideoCapture capture_;
};

// "frames/%04d.png": one printf-style number, the pictures counted from 0 or 1 on.
class SequenceSource final : public FileSource {
 public:
  SequenceSource(const std::string& pattern, Pacing pacing, FrameWait wait)
      : FileSource(FolderOf(pattern), pacing, std::move(wait)) {}

  bool Open(const std::string& pattern, std::string* error) {
    if (!ParsePattern(pattern)) {
      *error = "«" + pattern + "» no és un patró d'imatges com ara imatges/%04d.png.";
      return false;
    }
    struct stat info {};
    next_ = ::stat(Name(0).c_str(), &info) == 0 ? 0 : 1;
    const bool first = ::stat(Name(next_).c_str(), &info) == 0;
    if (Prime(kDefaultFps)) return true;
    *error = first ? lastError_ : "No es troba cap imatge «" + pattern + "».";
    return false;
  }

  static fs::path FolderOf(const std::string& pattern) {
    const fs::path folder = fs::path(pattern).parent_path();
    return folder.empty() ? fs::path(".") : folder;
  }

 private:
  // Exactly one conversion, %d or %0Nd; anything else is refused, never formatted.
  bool ParsePattern(const std::string& pattern) {
    const auto percent = pattern.find('%');
    if (percent == std::string::npos || pattern.find('%', percent + 1) != std::string::npos) return false;
    std::size_t at = percent + 1;
    while (at < pattern.size() && at - percent <= 3 && std::isdigit(static_cast<unsigned char>(pattern[at]))) ++at;
    if (at >= pattern.size() || pattern[at] != 'd') return false;
    const std::string width = pattern.substr(percent + 1, at - percent - 1);
    width_ = width.empty() ? 0 : std::stoi(width);
    prefix_ = pattern.substr(0, percent);
    suffix_ = pattern.substr(at + 1);
    return true;
  }

  std::string Name(int index) const {
    std::string number = std::to_string(index);
    if (static_cast<int>(number.size()) < width_) number.insert(0, width_ - number.size(), '0');
    return prefix_ + number + suffix_;
  }

  // A picture is read whole: the sequence ends at its first missing or unreadable one.
  bool GrabNext() override {
    picture_ = ReadBoundedImage(Name(next_), &lastError_);
    if (picture_.empty()) return false;
    ++next_;
    return true;
  }
  bool RetrieveNext(cv::Mat& raw) override {
    raw = picture_;
    return !raw.empty();
  }

  std::string prefix_, suffix_, lastError_;
  int width_ = 0;
  int next_ = 0;
  cv::Mat picture_;
};

// Still images, each a frame on its own, in name order.
class FolderSource final : public FrameSource {
 public:
  // Lists the folder without throwing: a folder that cannot be listed, or an entry
  // that cannot be looked at (a symlink loop), gives fewer images, never a crash.
  explicit FolderSource(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end && files_.size() < kMaxFolderImages;
         it.increment(ec)) {
      std::string ext = it->path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
      std::error_code type;
      if (it->is_regular_file(type) && (ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp"))
        files_.push_back(it->path());
    }
    std::sort(files_.begin(), files_.end());
  }

  // True once a first picture could be read: a folder of nothing readable is no source.
  bool Prime() { return Read(primed_); }

  bool Read(cv::Mat& frame) override {
    if (!primed_.empty()) {
      frame = primed_;
      primed_.release();
      return true;
    }
    while (next_ < files_.size()) {
      name_ = files_[next_].filename().string();
      std::string why;
      const cv::Mat raw = ReadBoundedImage(files_[next_++].string(), &why);
      if (raw.empty()) continue;  // unreadable or too big: skip it
      frame = ToCameraFrame(raw);
      return true;
    }
    return false;
  }

  std::string FrameName() const override { return name_; }

 private:
  std::vector<fs::path> files_;
  std::size_t next_ = 0;
  std::string name_;
  cv::Mat primed_;
};

}  // namespace

namespace {

// "camera" (the first colour camera), "camera:N" (/dev/videoN), or a camera's device node
// itself; the node, empty for the first colour camera.
bool ParseCamera(const std::string& name, std::string* node) {
  if (name.empty() || name == "camera") return node->clear(), true;
  if (name.rfind("/dev/video", 0) == 0) return (*node = name), true;
  if (name.rfind("camera:", 0) != 0) return false;
  const std::string digits = name.substr(7);
  if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return false;
  *node = "/dev/video" + digits;
  return true;
}

}  // namespace

cv::Mat ToCameraFrame(const cv::Mat& frame) {
  cv::Mat bgr;
  if (frame.channels() == 1)
    cv::cvtColor(frame, bgr, cv::COLOR_GRAY2BGR);
  else if (frame.channels() == 4)
    cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
  else
    bgr = frame;
  if (bgr.depth() != CV_8U) bgr.convertTo(bgr, CV_8U);
  if (bgr.cols == IRISDET_FRAME_WIDTH && bgr.rows == IRISDET_FRAME_HEIGHT)
    return bgr.isContinuous() ? bgr : bgr.clone();
  cv::Mat scaled;
  cv::resize(bgr, scaled, cv::Size(IRISDET_FRAME_WIDTH, IRISDET_FRAME_HEIGHT), 0, 0, cv::INTER_AREA);
  return scaled;
}

bool NamesACamera(const std::string& name) {
  std::string node;
  return ParseCamera(name, &node);
}

bool SleepUntil(std::chrono::steady_clock::time_point when) {
  std::this_thread::sleep_until(when);
  return true;
}

std::unique_ptr<FrameSource> OpenSource(const std::string& name, Pacing pacing, std::string* error, FrameWait wait) {
  if (std::string node; ParseCamera(name, &node)) return OpenCamera(node, ComputerCameras(), error, std::move(wait));
  std::error_code ec;
  if (fs::is_directory(name, ec)) {
    auto source = std::make_unique<FolderSource>(name);
    if (source->Prime()) return source;
    *error = "No hi ha cap imatge que es pugui llegir a la carpeta «" + name + "».";
    return nullptr;
  }
  if (name.find('%') != std::string::npos) {
    auto source = std::make_unique<SequenceSource>(name, pacing, std::move(wait));
    return source->Open(name, error) ? std::move(source) : nullptr;
  }
  auto source = std::make_unique<VideoSource>(name, pacing, std::move(wait));
  return source->Open(name, error) ? std::move(source) : nullptr;
}

}  // namespace irisdet
