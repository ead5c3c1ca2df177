// irisdet-lab bench EYEDATA_DIR
// Measures the eye detector against the classic Haar-cascade baseline on the marked
// photos, and on videos made from one of them in memory: speed while following a
// face and on full re-detections, stability of the smoothed point on a still face,
// its lag on a moving face, and what it reports on frames without a face.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/one_euro.h"
#include "detector/pointing/point_reporter.h"
#include "detector/runtime/model_store.h"
#include "tests/support/eye_accuracy.h"
#include "tests/support/face_transforms.h"
#include "tests/support/measures.h"
#include "tools/commands.h"
#include "tools/haar_baseline.h"

namespace {

namespace fs = std::filesystem;
using irisdet::EyeObservation;
using Locate = std::function<EyeObservation(const cv::Mat&)>;
constexpr double kFps = 30.0;
constexpr int kVideoFrames = 150;

struct Timing {
  std::vector<double> ms;
  double Median() const { return Percentile(0.5); }
  double Percentile(double p) const { return measures::Percentile(ms, p); }
};

EyeObservation Timed(const Locate& locate, const cv::Mat& frame, Timing& timing) {
  const auto begin = std::chrono::steady_clock::now();
  EyeObservation eyes = locate(frame);
  timing.ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
  return eyes;
}

// A video in memory: the photo shifted right by `slide` px a frame, with camera-like
// noise of the given strength.
std::vector<cv::Mat> MakeVideo(const cv::Mat& photo, double slide, double noise, int frames) {
  std::vector<cv::Mat> video;
  for (int i = 0; i < frames; ++i) {
    const int fromMiddle = i - frames / 2;
    const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, slide * fromMiddle, 0, 1, 0);
    cv::Mat frame;
    cv::warpAffine(photo, frame, shift, photo.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(128));
    irisdet::AddNoise(frame, noise, cv::theRNG());
    video.push_back(frame);
  }
  return video;
}

double Rms(const std::vector<cv::Point2f>& points) {
  double sum = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) sum += std::pow(cv::norm(points[i] - points[i - 1]), 2);
  return points.size() > 1 ? std::sqrt(sum / (points.size() - 1)) : 0.0;
}

// The three ways of locating, over one locator: afresh on every frame, following the face,
// and the Haar baseline.
struct Locators {
  irisdet::FaceLocator& ours;
  irisdet::HaarBaseline& haar;
  Locate fresh = [this](const cv::Mat& f) {
    ours.Reset();
    return irisdet::FindIrises(ours.Locate(f));
  };
  Locate following = [this](const cv::Mat& f) { return irisdet::FindIrises(ours.Locate(f)); };
  Locate baseline = [this](const cv::Mat& f) { return haar.Locate(f); };
};

// 1. Accuracy on the marked photos, each a frame on its own.
void ReportAccuracy(const fs::path& dir, const irisdet::Truth& truth, const Locators& locate) {
  irisdet::AccuracyTally oursAcc, haarAcc;
  Timing oursPhotos, haarPhotos;
  for (const auto& [file, marked] : truth) {
    const cv::Mat photo = cv::imread((dir / file).string());
    oursAcc.Add(irisdet::Score(marked, Timed(locate.fresh, photo, oursPhotos)));
    haarAcc.Add(irisdet::Score(marked, Timed(locate.baseline, photo, haarPhotos)));
  }
  std::printf("Accuracy on %d marked photos (share of frames with e at most 0.05 / 0.10 / 0.25)\n", oursAcc.frames);
  std::printf("| detector | both eyes | midpoint | ms per photo (median) |\n|---|---|---|---|\n");
  for (const auto& [name, a, t] : {std::tuple{"ours", &oursAcc, &oursPhotos}, {"Haar baseline", &haarAcc, &haarPhotos}})
    std::printf("| %s | %.1f%% / %.1f%% / %.1f%% | %.1f%% / %.1f%% / %.1f%% | %.1f |\n", name, a->EyesShare(0),
                a->EyesShare(1), a->EyesShare(2), a->MidpointShare(0), a->MidpointShare(1), a->MidpointShare(2),
                t->Median());
}

// 2. Speed on a video of one face: following it, re-detecting it, and the baseline.
void ReportSpeed(const std::vector<cv::Mat>& still, const Locators& locate) {
  Timing tracking, redetecting, haarVideo, comfortStep, gazeStep;
  locate.ours.Reset();
  // The gaze tracking as calibrated, by nine looks of the first frames: its step then reads
  // the eyes' pixels, which is what it costs in a game.
  auto looks = std::make_shared<irisdet::SharedGazeCalibration>();
  irisdet::PointReporter comfort, gaze(looks);
  for (int dot = 0; dot < 9; ++dot) {
    looks->LookAt(irisdet::CalibrationDot(dot));
    for (std::size_t i = 0; i < 5 && i < still.size(); ++i) {
      const EyeObservation eyes = locate.following(still[i]);
      gaze.Next(eyes, irisdet::MeasureFace(eyes.landmarks), IRISDET_TRACKING_GAZE,
                (dot * 5.0 + static_cast<double>(i)) / kFps);
    }
    looks->LookEnd(irisdet::LookUse::Dot);
  }
  std::printf("\nThe gaze tracking calibrated with %d looks\n", looks->Calibrate(true));
  for (std::size_t i = 0; i < still.size(); ++i) {
    const EyeObservation eyes = Timed(locate.following, still[i], tracking);
    // What the tracking adds to the following time, on the same looks: the head's point,
    // or the gaze's (the eyes cut and read, the map and the smoothing).
    for (auto [reporter, mode, step] :
         {std::tuple{&comfort, IRISDET_TRACKING_COMFORT, &comfortStep}, {&gaze, IRISDET_TRACKING_GAZE, &gazeStep}}) {
      const auto begin = std::chrono::steady_clock::now();
      reporter->Next(eyes, irisdet::MeasureFace(eyes.landmarks), mode, double(i) / kFps);  // the pose too
      step->ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
    }
  }
  for (const cv::Mat& frame : still) Timed(locate.fresh, frame, redetecting);
  for (const cv::Mat& frame : still) Timed(locate.baseline, frame, haarVideo);
  std::printf("\nSpeed per 640x480 frame, %d frames of %s with camera noise (ms: median, 95th percentile)\n",
              kVideoFrames, measures::kBenchPhoto);
  std::printf("| detector | median | p95 |\n|---|---|---|\n");
  std::printf("| ours, following the face | %.1f | %.1f |\n", tracking.Median(), tracking.Percentile(0.95));
  std::printf("| + comfortable tracking's step | %.3f | %.3f |\n", comfortStep.Median(), comfortStep.Percentile(0.95));
  std::printf("| + gaze tracking's step | %.3f | %.3f |\n", gazeStep.Median(), gazeStep.Percentile(0.95));
  std::printf("| ours, full re-detection | %.1f | %.1f |\n", redetecting.Median(), redetecting.Percentile(0.95));
  std::printf("| Haar baseline | %.1f | %.1f |\n", haarVideo.Median(), haarVideo.Percentile(0.95));
  std::printf("Baseline / ours while following: %.1fx\n", haarVideo.Median() / tracking.Median());
}

// 3. Stability on the still face, and lag on a face sliding 3 px a frame.
void ReportStability(const cv::Mat& photo, const std::vector<cv::Mat>& still, irisdet::FaceLocator& ours) {
  irisdet::PointSmoother smoother;
  std::vector<cv::Point2f> raw, smooth;
  ours.Reset();
  for (std::size_t i = 0; i < still.size(); ++i)
    if (auto p = irisdet::FindIrises(ours.Locate(still[i])).Point())
      raw.push_back(*p), smooth.push_back(smoother.Filter(*p, i / kFps));
  const double speed = 3.0;
  const std::vector<cv::Mat> sliding = MakeVideo(photo, speed, 4.0, kVideoFrames);
  std::vector<double> lags;
  ours.Reset();
  smoother.Reset();
  for (std::size_t i = 0; i < sliding.size(); ++i)
    if (auto p = irisdet::FindIrises(ours.Locate(sliding[i])).Point()) {
      const cv::Point2f s = smoother.Filter(*p, i / kFps);
      if (i >= 30) lags.push_back((p->x - s.x) / speed);  // after the filter settles
    }
  std::sort(lags.begin(), lags.end());
  std::printf("\nStability and lag of the reported (smoothed) point\n");
  std::printf("| measure | value |\n|---|---|\n");
  std::printf("| still face: frame-to-frame movement, RMS, raw | %.2f px |\n", Rms(raw));
  std::printf("| still face: frame-to-frame movement, RMS, smoothed | %.2f px |\n", Rms(smooth));
  std::printf("| face moving %.0f px a frame: smoothed behind raw, median | %.2f frames |\n", speed,
              lags.empty() ? 0.0 : lags[lags.size() / 2]);
}

// 4. Frames with no face.
void ReportFaceless(const fs::path& dir, const irisdet::Truth& truth, const Locators& locate) {
  const std::vector<cv::Mat> faceless = irisdet::FacelessFrames(dir.string(), truth);
  int oursQuiet = 0, haarQuiet = 0;
  for (const cv::Mat& frame : faceless) {
    oursQuiet += !locate.fresh(frame).Point();
    haarQuiet += !locate.baseline(frame).Point();
  }
  std::printf("\nFrames without a face (%zu: textures, plain colours, the photos with the face covered)\n",
              faceless.size());
  std::printf("| detector | no eye reported |\n|---|---|\n");
  std::printf("| ours | %.1f%% |\n| Haar baseline | %.1f%% |\n", 100.0 * oursQuiet / faceless.size(),
              100.0 * haarQuiet / faceless.size());
}

}  // namespace

int tools::DetectorBench(int argc, char** argv) {
  if (argc != 2) return std::fprintf(stderr, "usage: irisdet-lab bench EYEDATA_DIR\n"), 2;
  const fs::path dir = argv[1];
  std::string error;
  auto model = irisdet::LoadFaceModel(&error);
  if (!model) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  irisdet::FaceLocator ours(model);
  irisdet::HaarBaseline haar;
  if (!haar.Loaded()) return std::fprintf(stderr, "the Haar cascades of opencv-data are missing\n"), 1;
  const irisdet::Truth truth = irisdet::ReadTruth((dir / "truth.csv").string());
  const Locators locate{ours, haar};
  ReportAccuracy(dir, truth, locate);
  const cv::Mat photo = cv::imread((dir / measures::kBenchPhoto).string());
  const std::vector<cv::Mat> still = MakeVideo(photo, 0.0, 4.0, kVideoFrames);
  ReportSpeed(still, locate);
  ReportStability(photo, still, ours);
  ReportFaceless(dir, truth, locate);
  return 0;
}
