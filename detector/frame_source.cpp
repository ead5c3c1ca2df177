#include "frame_source.h"

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <thread>
#include <vector>

namespace irisdet {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kDefaultFps = 30.0;

class CameraSource final : public FrameSource {
 public:
  explicit CameraSource(int index) : index_(index) {}

  bool Open() {
    capture_.open(index_, cv::CAP_V4L2);
    if (!capture_.isOpened()) return false;
    capture_.set(cv::CAP_PROP_FRAME_WIDTH, kWidth);
    capture_.set(cv::CAP_PROP_FRAME_HEIGHT, kHeight);
    return true;
  }

  bool Read(cv::Mat& frame) override {
    cv::Mat raw;
    if (capture_.isOpened() && capture_.read(raw) && !raw.empty()) {
      frame = ToCameraFrame(raw);
      return true;
    }
    // The camera went away: try it again now and then, without spinning.
    capture_.release();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Open();
    return false;
  }

 private:
  int index_;
  cv::VideoCapture capture_;
};

// A video or an image sequence.
class FileSource final : public FrameSource {
 public:
  FileSource(const std::string& path, Pacing pacing) : pacing_(pacing), path_(path) {
    // Videos through FFMPEG, picture sequences as such: no probing of other backends.
    if (path.find('%') == std::string::npos) capture_.open(path, cv::CAP_FFMPEG);
    if (!capture_.isOpened() && capture_.open(path, cv::CAP_IMAGES))
      frameCount_ = capture_.get(cv::CAP_PROP_FRAME_COUNT);  // exact for pictures, a guess for videos
    const double fps = capture_.isOpened() ? capture_.get(cv::CAP_PROP_FPS) : 0.0;
    period_ = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / (fps > 0.5 && fps < 1000.0 ? fps : kDefaultFps)));
    next_ = Clock::now();
  }

  bool IsOpen() { return capture_.isOpened() && Prime(); }

  bool Read(cv::Mat& frame) override {
    if (pacing_ == Pacing::RealTime) {
      std::this_thread::sleep_until(next_);
      next_ = std::max(next_ + period_, Clock::now() - period_);
      if (Vanished()) return false;  // like a camera unplugged: no more frames
    }
    cv::Mat raw;
    repeated_ = false;
    if (!primed_.empty()) {
      raw = primed_;
      primed_.release();
    } else if (ended_ || AllRead() || !capture_.read(raw) || raw.empty()) {
      ended_ = true;  // asking again costs time and gives nothing
      if (pacing_ == Pacing::EveryFrame || last_.empty()) return false;
      repeated_ = true;  // after the end, the last frame keeps coming
      frame = last_;
      return true;
    }
    last_ = ToCameraFrame(raw);
    frame = last_;
    ++framesRead_;
    return true;
  }

  bool Repeated() const override { return repeated_; }

 private:
  // The file (or the folder of a picture sequence) is gone; looked at once a second.
  bool Vanished() {
    if (gone_ || Clock::now() < nextLook_) return gone_;
    nextLook_ = Clock::now() + std::chrono::seconds(1);
    std::error_code ec;
    const fs::path path(path_);
    const fs::path looked = path.string().find('%') == std::string::npos ? path : path.parent_path();
    gone_ = !fs::exists(looked.empty() ? fs::path(".") : looked, ec);
    return gone_;
  }

  // Asking past the last frame of a picture sequence stalls for a second: don't.
  bool AllRead() const { return frameCount_ > 0 && framesRead_ >= frameCount_; }

  // A file that opens but holds no readable frame counts as not opened.
  bool Prime() {
    if (primed_.empty() && last_.empty()) capture_.read(primed_);
    return !primed_.empty() || !last_.empty();
  }

  Pacing pacing_;
  std::string path_;
  bool gone_ = false;
  Clock::time_point nextLook_{};
  cv::VideoCapture capture_;
  Clock::duration period_{};
  Clock::time_point next_;
  cv::Mat primed_, last_;
  bool repeated_ = false, ended_ = false;
  double frameCount_ = 0;  // of a picture sequence; 0 for a video
  double framesRead_ = 0;
};

// Still images, each a frame on its own, in name order.
class FolderSource final : public FrameSource {
 public:
  explicit FolderSource(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::string ext = entry.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
      if (entry.is_regular_file() && (ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp"))
        files_.push_back(entry.path());
    }
    std::sort(files_.begin(), files_.end());
  }

  bool Empty() const { return files_.empty(); }

  bool Read(cv::Mat& frame) override {
    while (next_ < files_.size()) {
      name_ = files_[next_].filename().string();
      const cv::Mat raw = cv::imread(files_[next_++].string(), cv::IMREAD_COLOR);
      if (raw.empty()) continue;  // unreadable: skip it
      frame = ToCameraFrame(raw);
      return true;
    }
    return false;
  }

  std::string FrameName() const override { return name_; }
  bool Unrelated() const override { return true; }

 private:
  std::vector<fs::path> files_;
  std::size_t next_ = 0;
  std::string name_;
};

bool ParseCamera(const std::string& name, int* index) {
  if (name.empty() || name == "camera") return (*index = 0), true;
  if (name.rfind("camera:", 0) != 0) return false;
  try {
    std::size_t used = 0;
    *index = std::stoi(name.substr(7), &used);
    return used == name.size() - 7 && *index >= 0;
  } catch (const std::exception&) {
    return false;
  }
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
  if (bgr.cols == kWidth && bgr.rows == kHeight) return bgr.clone();
  cv::Mat scaled;
  cv::resize(bgr, scaled, cv::Size(kWidth, kHeight), 0, 0, cv::INTER_AREA);
  return scaled;
}

std::string ChosenSource() {
  const char* chosen = std::getenv("IRISDET_SOURCE");
  return chosen ? chosen : "";
}

std::unique_ptr<FrameSource> OpenSource(const std::string& name, Pacing pacing, std::string* error) {
  int camera = 0;
  if (ParseCamera(name, &camera)) {
    auto source = std::make_unique<CameraSource>(camera);
    if (source->Open()) return source;
    *error = "cannot open camera " + std::to_string(camera);
    return nullptr;
  }
  std::error_code ec;
  if (fs::is_directory(name, ec)) {
    auto source = std::make_unique<FolderSource>(name);
    if (!source->Empty()) return source;
    *error = "no images in folder " + name;
    return nullptr;
  }
  auto source = std::make_unique<FileSource>(name, pacing);
  if (source->IsOpen()) return source;
  *error = "cannot read video or images from " + name;
  return nullptr;
}

}  // namespace irisdet
