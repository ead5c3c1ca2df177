// irisdet-lab tracking PHOTO [EYEDATA_DIR]
// The comfortable tracking's figures, on synthetic videos made from one photo of a
// face (its pupils found by the detector itself): the same movement at three face
// sizes, a still face with camera noise, a face moving at constant speed, and a face
// sweeping one interocular distance each way. With EYEDATA_DIR, the head's estimated
// yaw and pitch for each of its photos.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/face/landmarks.h"
#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/point_reporter.h"
#include "detector/runtime/model_store.h"
#include "detector/source/frame_source.h"
#include "tests/support/face_transforms.h"
#include "tools/commands.h"

namespace {

constexpr double kFps = 30.0;
constexpr int kStillFrames = 20;  // for the neutral position to be taken
constexpr double kPictureAreaScale = 786.0 / 640.0;

struct Photo {
  cv::Mat image;
  cv::Point2f eyes;
  double interocular;
};

// The photo scaled so that its interocular distance is `interocular`, its eyes moved
// to `at` in a grey 640x480 frame, with optional camera noise.
cv::Mat Frame(const Photo& photo, double interocular, cv::Point2d at, double noise = 0, cv::RNG* rng = nullptr) {
  const double s = interocular / photo.interocular;
  const cv::Matx23d warp(s, 0, at.x - s * photo.eyes.x, 0, s, at.y - s * photo.eyes.y);
  cv::Mat frame;
  cv::warpAffine(photo.image, frame, warp, cv::Size(640, 480), cv::INTER_AREA, cv::BORDER_CONSTANT,
                 cv::Scalar::all(128));
  if (noise > 0) irisdet::AddNoise(frame, noise, *rng);
  return frame;
}

// Plays frames made by `make(i)` through the detector and the tracking (comfortable
// unless told); the reported points, NaN where none.
std::vector<cv::Point2f> Play(
    const std::shared_ptr<const irisdet::FaceModel>& model, int frames, const std::function<cv::Mat(int)>& make,
    IrisdetTracking tracking = IRISDET_TRACKING_COMFORT,
    std::shared_ptr<irisdet::SharedGazeCalibration> gaze = std::make_shared<irisdet::SharedGazeCalibration>()) {
  irisdet::FaceLocator locator(model);
  irisdet::PointReporter reporter(std::move(gaze));
  std::vector<cv::Point2f> points;
  for (int i = 0; i < frames; ++i) {
    const irisdet::EyeObservation eyes = irisdet::FindIrises(locator.Locate(make(i)));
    const auto report = reporter.Next(eyes, irisdet::MeasureFace(eyes.landmarks), tracking, i / kFps);
    points.push_back(report.point.value_or(cv::Point2f(NAN, NAN)));
  }
  return points;
}

// Where the point settled: the mean of the last ten frames.
cv::Point2f Settled(const std::vector<cv::Point2f>& points) {
  cv::Point2f sum(0, 0);
  for (auto p = points.end() - 10; p != points.end(); ++p) sum += *p;
  return sum * 0.1f;
}

void Distance(const std::shared_ptr<const irisdet::FaceModel>& model, const Photo& photo) {
  std::printf("distance: half an interocular distance to the camera's right, at three face sizes\n");
  std::vector<double> moves;
  for (const double iod : {40.0, 70.0, 120.0}) {
    const auto points = Play(model, kStillFrames + 60, [&](int i) {
      return Frame(photo, iod, {320 + (i >= kStillFrames ? iod / 2 : 0), 220});
    });
    moves.push_back(Settled(points).x - points[kStillFrames - 1].x);
    std::printf("  interocular %3.0f px: reported x moved %+.1f px (ideal -160)\n", iod, moves.back());
  }
  const auto [low, high] = std::minmax_element(moves.begin(), moves.end());
  std::printf("  spread %.1f%% of the mean\n", 100.0 * (*high - *low) / std::abs((moves[0] + moves[1] + moves[2]) / 3));
}

// The still face with camera noise: the frame-to-frame movement of the reported point.
void PrintStillness(const std::vector<cv::Point2f>& points, double iod) {
  double sum = 0;
  int steps = 0;
  for (std::size_t i = kStillFrames + 1; i < points.size(); ++i, ++steps) {
    const cv::Point2f d = points[i] - points[i - 1];
    sum += d.x * d.x + d.y * d.y;
  }
  const double rms = std::sqrt(sum / steps);
  std::printf("  interocular %3.0f px: frame-to-frame movement %.2f px RMS, %.2f picture-area px\n", iod, rms,
              rms * kPictureAreaScale);
}

void Stillness(const std::shared_ptr<const irisdet::FaceModel>& model, const Photo& photo) {
  std::printf(
      "stillness, comfortable tracking: a still face with camera noise (sigma 4), 90 frames after the first point\n");
  for (const double iod : {70.0, photo.interocular}) {
    cv::RNG rng(7);
    PrintStillness(Play(model, kStillFrames + 90, [&](int) { return Frame(photo, iod, {320, 220}, 4.0, &rng); }), iod);
  }
}

// The photo's eyes looking elsewhere: what lies inside each eye's contour moved by
// `look` eye widths, as an iris moves between the lids and corners that stay.
cv::Mat Looking(const cv::Mat& frame, const std::vector<cv::Point2f>& landmarks, cv::Point2f look) {
  cv::Mat moved = frame.clone();
  for (const int first : {irisdet::kRightEyeFirst, irisdet::kLeftEyeFirst}) {
    const irisdet::EyeContour contour = irisdet::EyeContourAt(landmarks, first);
    const float width = static_cast<float>(cv::norm(contour[3] - contour[0]));
    std::vector<cv::Point> polygon;
    for (const cv::Point2f& p : contour) polygon.emplace_back(cvRound(p.x), cvRound(p.y));
    cv::Mat inside = cv::Mat::zeros(frame.size(), CV_8U), shifted;
    cv::fillConvexPoly(inside, polygon, cv::Scalar(255));
    cv::warpAffine(frame, shifted, cv::Matx23d(1, 0, look.x * width, 0, 1, look.y * width), frame.size(),
                   cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    shifted.copyTo(moved, inside);
  }
  return moved;
}

// The gaze tracking calibrated on the photo's own eyes, moved as they are when looking at
// nine dots (0.11 eye widths sideways, 0.04 up and down, the whole frame's width and
// height), then the still face with camera noise.
void GazeStillness(const std::shared_ptr<const irisdet::FaceModel>& model, const Photo& photo) {
  std::printf(
      "stillness, gaze tracking, calibrated on the photo's eyes moved to nine dots: a still face with camera"
      " noise (sigma 4), 90 frames after the first point\n");
  for (const double iod : {70.0, photo.interocular}) {
    const cv::Mat still = Frame(photo, iod, {320, 220});
    const std::vector<cv::Point2f> landmarks = irisdet::FaceLocator(model).Locate(still).landmarks;
    auto gaze = std::make_shared<irisdet::SharedGazeCalibration>();
    cv::RNG rng(7);
    for (const float x : {-1.f, 0.f, 1.f})
      for (const float y : {-1.f, 0.f, 1.f}) {
        const cv::Mat looking = Looking(still, landmarks, {0.11f * x, 0.04f * y});
        gaze->LookAt({319.5 - 280.0 * x, 239.5 + 200.0 * y});  // mirrored: the eyes toward +x look to the left
        Play(
            model, 10,
            [&](int) {
              cv::Mat frame = looking.clone();
              irisdet::AddNoise(frame, 4.0, rng);
              return frame;
            },
            IRISDET_TRACKING_GAZE, gaze);
        gaze->LookEnd(irisdet::LookUse::Dot);
      }
    if (gaze->Calibrate(true) == 0) {
      std::printf("  interocular %3.0f px: no calibration (too few looks)\n", iod);
      continue;
    }
    PrintStillness(Play(
                       model, kStillFrames + 90,
                       [&](int) {
                         return Frame(photo, iod, {320, 220}, 4.0, &rng);
                       },
                       IRISDET_TRACKING_GAZE, gaze),
                   iod);
  }
}

// The frame (fractional) at which the points cross halfway between `from` and `to`.
double Halfway(const std::vector<cv::Point2f>& points, double from, double to) {
  const double half = (from + to) / 2;
  for (std::size_t i = 1; i < points.size(); ++i)
    if ((points[i - 1].x - half) * (points[i].x - half) <= 0 && points[i].x != points[i - 1].x)
      return static_cast<double>(i - 1) + (half - points[i - 1].x) / (points[i].x - points[i - 1].x);
  return NAN;
}

void Lag(const std::shared_ptr<const irisdet::FaceModel>& model, const Photo& photo) {
  // Still, then moving at constant speed for 40 frames, then still again: the time the
  // point takes to cross halfway, against the time the head does.
  constexpr double kIod = 70, kSpeed = 1.5;  // px a frame: an interocular distance in under 2 s
  constexpr int kMoving = 40;
  const auto points = Play(model, kStillFrames + kMoving + 40, [&](int i) {
    return Frame(photo, kIod, {290 + kSpeed * std::clamp(i - kStillFrames, 0, kMoving), 220});
  });
  const std::vector<cv::Point2f> before(points.begin(), points.begin() + kStillFrames);
  const double from = Settled(before).x, to = Settled(points).x;
  const double lag = Halfway(points, from, to) - (kStillFrames + kMoving / 2.0);
  std::printf(
      "lag: a face moving at %.1f px a frame (interocular %.0f px) for %d frames: the point crosses halfway"
      " %.2f frames after the head\n",
      kSpeed, kIod, kMoving, lag);
}

void Reach(const std::shared_ptr<const irisdet::FaceModel>& model, const Photo& photo) {
  constexpr double kIod = 70;
  const cv::Point2d path[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  cv::Point2f low(640, 480), high(0, 0);
  for (const cv::Point2d way : path) {
    const auto points = Play(model, kStillFrames + 60, [&](int i) {
      const double t = std::clamp((i - kStillFrames) / 20.0, 0.0, 1.0);
      return Frame(photo, kIod, {320 + way.x * t * kIod, 240 + way.y * t * kIod});
    });
    const cv::Point2f end = Settled(points);
    low = {std::min(low.x, end.x), std::min(low.y, end.y)};
    high = {std::max(high.x, end.x), std::max(high.y, end.y)};
  }
  std::printf(
      "reach: one interocular distance (70 px) each way: x from %.0f to %.0f, y from %.0f to %.0f"
      " (within 5%%: x <= 32 and >= 607, y <= 24 and >= 455)\n",
      low.x, high.x, low.y, high.y);
}

void Turns(const std::shared_ptr<const irisdet::FaceModel>& model, const std::filesystem::path& folder) {
  std::printf(
      "turn: estimated head pose of each photo (yaw > 0: nose toward the image's right; pitch > 0: looking down)\n");
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".png") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    irisdet::FaceLocator locator(model);
    const auto face = irisdet::MeasureFace(locator.Locate(cv::imread(file.string())).landmarks);
    if (face)
      std::printf("  %s yaw %+6.1f pitch %+6.1f\n", file.filename().c_str(), face->pose.yaw, face->pose.pitch);
    else
      std::printf("  %s no face\n", file.filename().c_str());
  }
}

}  // namespace

int tools::TrackingProbe(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: irisdet-lab tracking PHOTO [EYEDATA_DIR]\n"), 2;
  std::string error;
  const auto model = irisdet::LoadFaceModel(&error);
  if (!model) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  Photo photo{cv::imread(argv[1]), {}, 0};
  const auto face = irisdet::MeasureFace(irisdet::FaceLocator(model).Locate(photo.image).landmarks);
  if (!face) return std::fprintf(stderr, "no face in %s\n", argv[1]), 1;
  photo.eyes = face->eyes;
  photo.interocular = face->interocular;
  Distance(model, photo);
  Stillness(model, photo);
  GazeStillness(model, photo);
  Lag(model, photo);
  Reach(model, photo);
  if (argc > 2) Turns(model, argv[2]);
  return 0;
}
