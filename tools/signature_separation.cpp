#include "tools/signature_separation.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <set>

#include "detector/face/face_signature.h"
#include "tests/support/face_transforms.h"
#include "tests/support/measures.h"

namespace irisdet {
namespace {

// The same face as a webcam shows it from one moment to the next: other noise and
// compression, a little tilted or turned, nearer or farther, in other light. Each
// change is given the photo and its landmarks.
struct Change {
  const char* name;
  std::function<MarkedFrame(const MarkedFrame&, const std::vector<cv::Point2f>&)> apply;
};

MarkedFrame Webcam(MarkedFrame seen, unsigned seed) {
  seen.frame = seen.frame.clone();
  AsFromAWebcam(seen.frame, seed);
  return seen;
}

MarkedFrame Lit(const MarkedFrame& photo, double gain) { return {photo.frame * gain, photo.pupils}; }

Change Turned(const char* name, double degrees, unsigned seed) {
  return {name, [=](const MarkedFrame& p, const std::vector<cv::Point2f>& landmarks) {
            return Webcam(TurnedSideways(p, landmarks, degrees), seed);
          }};
}

const std::vector<Change>& Changes() {
  using Points = std::vector<cv::Point2f>;
  static const std::vector<Change> kChanges = {
      {"other noise", [](const MarkedFrame& p, const Points&) { return Webcam(p, 2); }},
      {"tilted 6 degrees", [](const MarkedFrame& p, const Points&) { return Webcam(Rotated(p, 6), 3); }},
      {"tilted -6 degrees", [](const MarkedFrame& p, const Points&) { return Webcam(Rotated(p, -6), 4); }},
      Turned("turned 10 degrees", 10, 9),
      Turned("turned -15 degrees", -15, 10),
      Turned("turned 20 degrees", 20, 11),
      Turned("turned -30 degrees", -30, 12),
      {"far (interocular 45)", [](const MarkedFrame& p, const Points&) { return Webcam(AtInterocular(p, 45), 5); }},
      {"near (interocular 90)", [](const MarkedFrame& p, const Points&) { return Webcam(AtInterocular(p, 90), 6); }},
      {"darker by 0.6", [](const MarkedFrame& p, const Points&) { return Webcam(Lit(p, 0.6), 7); }},
      {"brighter by 1.3", [](const MarkedFrame& p, const Points&) { return Webcam(Lit(p, 1.3), 8); }},
  };
  return kChanges;
}

// Photos of one person taken apart: not two people.
const std::set<std::pair<std::string, std::string>> kSamePerson = {{"pexels_0006.png", "pexels_0010.png"},
                                                                   {"pexels_0049.png", "pexels_0070.png"}};

std::optional<FaceSignature> Describe(FaceLocator& locator, const MarkedFrame& seen) {
  locator.Reset();
  return DescribeFace(seen.frame, locator.Locate(seen.frame).landmarks);
}

double Share(const std::vector<double>& values, double bound, bool below) {
  std::size_t n = 0;
  for (const double v : values) n += below ? v < bound : v >= bound;
  return values.empty() ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(values.size());
}

// Each photo's face as the reference, and how unlike it is each change of itself.
struct Faces {
  std::vector<std::string> files;
  std::vector<FaceSignature> references, others;  // others: another webcam frame of the same face
  std::vector<std::vector<double>> same = std::vector<std::vector<double>>(Changes().size());
};

Faces DescribeAll(FaceLocator& locator, const std::string& dir, const Truth& truth) {
  Faces faces;
  for (const auto& [file, marked] : truth) {
    const MarkedFrame photo{cv::imread((std::filesystem::path(dir) / file).string()), marked};
    locator.Reset();
    const std::vector<cv::Point2f> landmarks = locator.Locate(photo.frame).landmarks;
    const auto reference = Describe(locator, Webcam(photo, 1));
    const auto other = Describe(locator, Changes()[0].apply(photo, landmarks));
    if (!reference || !other) continue;
    faces.files.push_back(file), faces.references.push_back(*reference), faces.others.push_back(*other);
    for (std::size_t c = 0; c < Changes().size(); ++c)
      if (const auto seen = Describe(locator, Changes()[c].apply(photo, landmarks)))
        faces.same[c].push_back(Unlikeness(*reference, *seen));
  }
  return faces;
}

void PrintRow(const char* name, const std::vector<double>& values) {
  std::printf("| %s | %zu | %.3f | %.3f | %.3f | %.1f%% |\n", name, values.size(), measures::Percentile(values, 0.5),
              measures::Percentile(values, 0.95), measures::Percentile(values, 1.0),
              Share(values, kSameFaceBelow, true));
}

}  // namespace

void PrintSignatureSeparation(FaceLocator& locator, const std::string& dir, const Truth& truth) {
  const Faces faces = DescribeAll(locator, dir, truth);
  std::vector<double> different, samePerson;
  std::vector<std::pair<double, std::string>> closest;
  for (std::size_t a = 0; a < faces.files.size(); ++a)
    for (std::size_t b = 0; b < faces.files.size(); ++b) {
      if (a == b) continue;
      const double d = Unlikeness(faces.references[a], faces.others[b]);
      const auto& [x, y] = std::minmax(faces.files[a], faces.files[b]);
      const bool onePerson = kSamePerson.count({x, y}) > 0;
      (onePerson ? samePerson : different).push_back(d);
      if (!onePerson) closest.emplace_back(d, faces.files[a] + " and " + faces.files[b]);
    }
  std::printf("Telling faces apart: %zu photos, each against itself changed and against every other person\n",
              faces.files.size());
  std::printf("| pairs | count | median | p95 | max | taken for the same face (< %.2f) |\n|---|---|---|---|---|---|\n",
              kSameFaceBelow);
  for (std::size_t c = 0; c < Changes().size(); ++c)
    PrintRow(("the same face, " + std::string(Changes()[c].name)).c_str(), faces.same[c]);
  PrintRow("one person, two photos", samePerson);
  std::printf("| two people | %zu | %.3f | p5 %.3f | min %.3f | %.1f%% |\n", different.size(),
              measures::Percentile(different, 0.5), measures::Percentile(different, 0.05),
              measures::Percentile(different, 0.0), Share(different, kSameFaceBelow, true));
  std::sort(closest.begin(), closest.end());
  std::printf("The most alike people:");
  for (std::size_t i = 0; i < closest.size() && i < 4; ++i)
    std::printf(" %s %.3f;", closest[i].second.c_str(), closest[i].first);
  std::printf("\n");
}

}  // namespace irisdet
