// irisdet-lab probe SOURCE [--csv OUT]
// Runs the eye detector over every frame of a source (a video, an image-sequence
// pattern, a folder of images or a camera), writes one CSV row per frame with the
// point the library would report (in the tracking IRISDET_TRACKING chooses) and the
// head's yaw, pitch and roll in degrees and the followed face's number, and prints the detection rate and the time
// per frame. A folder with a truth.csv of marked
// pupils also gets its accuracy table. In gaze tracking the first 45 frames calibrate it,
// as if the player looked at nine dots in turn for five frames each, so that the rest is
// read by the eyes' own pixels as in a game.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/gaze/shared_calibration.h"
#include "detector/pointing/point_reporter.h"
#include "detector/runtime/model_store.h"
#include "detector/runtime/settings.h"
#include "detector/source/frame_source.h"
#include "tests/support/eye_accuracy.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

constexpr double kVideoFps = 30.0;  // frames are timed as a camera would give them

int Usage() {
  std::cerr << "usage: irisdet-lab probe SOURCE [--csv OUT]\n";
  return 2;
}

// One frame's row: its point and time, the head's pose, and whose face it was.
void WriteRow(std::ostream& csv, std::size_t index, const std::string& name,
              const irisdet::PointReporter::Report& report, int face, double ms) {
  char row[200];
  if (const auto& point = report.point)
    std::snprintf(row, sizeof row, ",1,%.1f,%.1f,%.2f", point->x, point->y, ms);
  else
    std::snprintf(row, sizeof row, ",0,,,%.2f", ms);
  csv << index << ',' << name << row;
  if (const auto& pose = report.pose)
    std::snprintf(row, sizeof row, ",%.1f,%.1f,%.1f,", pose->yaw, pose->pitch, pose->roll);
  else
    std::snprintf(row, sizeof row, ",,,,");
  csv << row;
  if (face != 0) csv << face;  // whose face: the same number while one player is followed
  csv << '\n';
}

}  // namespace

int tools::IrisdetProbe(int argc, char** argv) {
  if (argc != 2 && argc != 4) return Usage();
  const std::string name = argv[1];
  std::ofstream file;
  if (argc == 4) {
    if (std::string(argv[2]) != "--csv") return Usage();
    file.open(argv[3]);
    if (!file) return std::cerr << "cannot write " << argv[3] << '\n', 1;
  }
  std::ostream& csv = argc == 4 ? static_cast<std::ostream&>(file) : std::cout;

  std::string error;
  auto source = irisdet::OpenSource(name, irisdet::Pacing::EveryFrame, &error);
  if (!source) return std::cerr << error << '\n', 1;
  auto model = irisdet::LoadFaceModel(&error);
  if (!model) return std::cerr << error << '\n', 1;

  irisdet::FaceLocator locator(model);
  auto looks = std::make_shared<irisdet::SharedGazeCalibration>();
  irisdet::PointReporter reporter(looks);  // as the library reports it, in the tracking IRISDET_TRACKING chooses
  const IrisdetTracking tracking = irisdet::SettingsFromEnvironment().tracking;
  const auto calibrating = [&](std::size_t frame) {  // the dots' looks, in gaze tracking
    constexpr std::size_t kFramesPerDot = 5, kDots = 9;
    if (tracking != IRISDET_TRACKING_GAZE || frame > kFramesPerDot * kDots) return;
    const std::size_t dot = frame / kFramesPerDot;
    if (frame % kFramesPerDot == 0 && dot > 0) looks->LookEnd(irisdet::LookUse::Dot);
    if (dot == kDots) std::fprintf(stderr, "gaze calibrated on %d looks\n", looks->Calibrate(true));
    if (frame % kFramesPerDot == 0 && dot < kDots) looks->LookAt(irisdet::CalibrationDot(static_cast<int>(dot)));
  };
  std::vector<double> times;
  std::vector<irisdet::ScoredFrame> frames;
  std::size_t found = 0;
  std::error_code ec;
  const bool stills = std::filesystem::is_directory(name, ec);  // each picture stands alone
  csv << "frame,file,found,x,y,ms,yaw,pitch,roll,face\n";
  for (cv::Mat frame; source->Read(frame);) {
    if (stills) locator.Reset(), reporter.Reset();
    calibrating(times.size());
    const auto begin = std::chrono::steady_clock::now();
    const double seconds = static_cast<double>(times.size()) / kVideoFps;
    const irisdet::EyeObservation eyes = irisdet::FindIrises(locator.Locate(frame, seconds));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    const auto report = reporter.Next(eyes, irisdet::MeasureFace(eyes.landmarks), tracking, seconds);
    WriteRow(csv, times.size(), source->FrameName(), report, eyes.face, ms);
    times.push_back(ms);
    found += report.point.has_value();
    frames.push_back({source->FrameName(), eyes});
  }
  std::fprintf(stderr, "frames %zu, detected %zu (%.1f%%), ms per frame: median %.1f, p95 %.1f\n", times.size(), found,
               times.empty() ? 0.0 : 100.0 * found / times.size(), measures::Percentile(times, 0.5),
               measures::Percentile(times, 0.95));
  const auto truth = std::filesystem::path(name) / "truth.csv";
  if (std::filesystem::is_regular_file(truth))
    irisdet::PrintAccuracy(irisdet::ReadTruth(truth.string()), frames, std::cerr);
  return 0;
}
