#include "tests/support/eye_accuracy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace irisdet {
namespace {

constexpr double kMissed = std::numeric_limits<double>::infinity();

double Gap(const cv::Point2f& a, const cv::Point2f& b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

Truth ReadTruth(const std::string& path) {
  Truth truth;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::stringstream row(line);
    std::string file, cell;
    std::getline(row, file, ',');
    float v[5];
    int n = 0;
    while (n < 5 && std::getline(row, cell, ',')) v[n++] = std::stof(cell);
    if (n == 5) truth[file] = {{v[0], v[1]}, {v[2], v[3]}, v[4]};
  }
  return truth;
}

Errors Score(const MarkedPupils& marked, const EyeObservation& eyes) {
  Errors errors{kMissed, kMissed};
  if (const auto point = eyes.Point()) errors.midpoint = Gap(*point, marked.Midpoint()) / marked.interocular;
  if (eyes.left && eyes.right)
    errors.worstEye = std::max(Gap(*eyes.left, marked.left), Gap(*eyes.right, marked.right)) / marked.interocular;
  return errors;
}

void AccuracyTally::Add(const Errors& e) {
  ++frames;
  for (std::size_t i = 0; i < kBounds.size(); ++i) {
    midpointWithin[i] += e.midpoint <= kBounds[i];
    eyesWithin[i] += e.worstEye <= kBounds[i];
  }
}

void PrintAccuracy(const Truth& truth, const std::vector<ScoredFrame>& frames, std::ostream& out) {
  AccuracyTally tally;
  for (const ScoredFrame& frame : frames)
    if (const auto marked = truth.find(frame.file); marked != truth.end()) tally.Add(Score(marked->second, frame.eyes));
  char text[256];
  std::vector<std::pair<double, std::string>> worst;
  for (const ScoredFrame& frame : frames)
    if (const auto marked = truth.find(frame.file); marked != truth.end())
      worst.emplace_back(Score(marked->second, frame.eyes).worstEye, frame.file);
  std::sort(worst.rbegin(), worst.rend());
  out << "worst frames (both eyes):";
  for (std::size_t i = 0; i < std::min<std::size_t>(5, worst.size()); ++i) {
    std::snprintf(text, sizeof text, " %s %.3f", worst[i].second.c_str(), worst[i].first);
    out << text;
  }
  out << '\n';
  std::snprintf(text, sizeof text, "accuracy on %d marked frames\n  %-22s %8s %8s %8s\n", tally.frames, "", "e<=0.05",
                "e<=0.10", "e<=0.25");
  out << text;
  for (const auto& [name, within] :
       {std::pair{"midpoint", &tally.midpointWithin}, std::pair{"both eyes (max dL,dR)", &tally.eyesWithin}}) {
    std::snprintf(text, sizeof text, "  %-22s %7.1f%% %7.1f%% %7.1f%%\n", name, tally.Share((*within)[0]),
                  tally.Share((*within)[1]), tally.Share((*within)[2]));
    out << text;
  }
}

}  // namespace irisdet
