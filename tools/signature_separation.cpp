#include "tools/signature_separation.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <set>

#include "detector/face_signature.h"
#include "tools/face_transforms.h"
#include "tools/measures.h"

namespace irisdet {
namespace {

// The same face as a webcam shows it from one moment to the next: other noise and
// compression, a little turned, nearer or farther, in other light.
struct Change {
  const char* name;
  MarkedFrame (*apply)(const MarkedFrame&);
};

MarkedFrame Webcam(const MarkedFrame& photo, unsigned seed) {
  MarkedFrame out{photo.frame.clone(), photo.pupils};
  AddNoise(out.frame, 4.0, seed);
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", out.frame, jpeg, {cv::IMWRITE_JPEG_QUALITY, 80});
  out.frame = cv::imdecode(jpeg, cv::IMREAD_COLOR);
  return out;
}

MarkedFrame Scaled(const MarkedFrame& photo, double interocular) {
  const double s = interocular / photo.pupils.interocular;
  const cv::Point2f mid = photo.pupils.Midpoint();
  const cv::Mat affine = (cv::Mat_<double>(2, 3) << s, 0, 320 - s * mid.x, 0, s, 240 - s * mid.y);
  MarkedFrame out{cv::Mat(), photo.pupils};
  cv::Mat smooth = photo.frame;
  if (s < 1.0) cv::GaussianBlur(photo.frame, smooth, cv::Size(), 0.5 / s);
  cv::warpAffine(smooth, out.frame, affine, cv::Size(640, 480), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
  return out;
}

MarkedFrame Lit(const MarkedFrame& photo, double gain) { return {photo.frame * gain, photo.pupils}; }

const Change kChanges[] = {
    {"other noise", [](const MarkedFrame& p) { return Webcam(p, 2); }},
    {"turned 6 degrees", [](const MarkedFrame& p) { return Webcam(Rotated(p, 6), 3); }},
    {"turned -6 degrees", [](const MarkedFrame& p) { return Webcam(Rotated(p, -6), 4); }},
    {"far (interocular 45)", [](const MarkedFrame& p) { return Webcam(Scaled(p, 45), 5); }},
    {"near (interocular 90)", [](const MarkedFrame& p) { return Webcam(Scaled(p, 90), 6); }},
    {"darker by 0.6", [](const MarkedFrame& p) { return Webcam(Lit(p, 0.6), 7); }},
    {"brighter by 1.3", [](const MarkedFrame& p) { return Webcam(Lit(p, 1.3), 8); }},
};

// Photos of one person taken apart: not two people.
const std::set<std::pair<std::string, std::string>> kSamePerson = {{"pexels_0006.png", "pexels_0010.png"},
                                                                   {"pexels_0049.png", "pexels_0070.png"}};

std::optional<FaceSignature> Describe(EyeLocator& locator, const MarkedFrame& seen) {
  locator.Reset();
  const EyeObservation eyes = locator.Locate(seen.frame);
  return DescribeFace(seen.frame, eyes.landmarks);
}

double Share(const std::vector<double>& values, double bound, bool below) {
  std::size_t n = 0;
  for (const double v : values) n += below ? v < bound : v >= bound;
  return values.empty() ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(values.size());
}

}  // namespace

void PrintSignatureSeparation(EyeLocator& locator, const std::string& dir, const Truth& truth) {
  std::vector<std::string> files;
  std::vector<FaceSignature> references;
  std::vector<std::vector<double>> same(std::size(kChanges));
  std::vector<std::vector<FaceSignature>> changed;
  for (const auto& [file, marked] : truth) {
    const MarkedFrame photo{cv::imread((std::filesystem::path(dir) / file).string()), marked};
    const auto reference = Describe(locator, Webcam(photo, 1));
    if (!reference) continue;
    files.push_back(file), references.push_back(*reference), changed.emplace_back();
    for (std::size_t c = 0; c < std::size(kChanges); ++c)
      if (const auto seen = Describe(locator, kChanges[c].apply(photo))) {
        same[c].push_back(Unlikeness(*reference, *seen));
        if (c == 0) changed.back().push_back(*seen);
      }
  }
  std::vector<double> allSame, different, samePerson;
  std::vector<std::pair<double, std::string>> closest;
  for (const auto& values : same) allSame.insert(allSame.end(), values.begin(), values.end());
  for (std::size_t a = 0; a < files.size(); ++a)
    for (std::size_t b = 0; b < files.size(); ++b) {
      if (a == b || changed[b].empty()) continue;
      const double d = Unlikeness(references[a], changed[b][0]);
      const bool onePerson = kSamePerson.count({std::min(files[a], files[b]), std::max(files[a], files[b])}) > 0;
      (onePerson ? samePerson : different).push_back(d);
      if (!onePerson) closest.emplace_back(d, files[a] + " and " + files[b]);
    }
  std::printf("Telling faces apart: %zu photos, each against itself changed and against every other person\n",
              files.size());
  std::printf("| pairs | count | median | p95 | max | taken for the same face (< %.2f) |\n|---|---|---|---|---|---|\n",
              kSameFaceBelow);
  for (std::size_t c = 0; c < std::size(kChanges); ++c)
    std::printf("| the same face, %s | %zu | %.3f | %.3f | %.3f | %.1f%% |\n", kChanges[c].name, same[c].size(),
                measures::Percentile(same[c], 0.5), measures::Percentile(same[c], 0.95),
                measures::Percentile(same[c], 1.0), Share(same[c], kSameFaceBelow, true));
  std::printf("| one person, two photos | %zu | %.3f | %.3f | %.3f | %.1f%% |\n", samePerson.size(),
              measures::Percentile(samePerson, 0.5), measures::Percentile(samePerson, 0.95),
              measures::Percentile(samePerson, 1.0), Share(samePerson, kSameFaceBelow, true));
  std::printf("| two people | %zu | %.3f | p5 %.3f | min %.3f | %.1f%% |\n", different.size(),
              measures::Percentile(different, 0.5), measures::Percentile(different, 0.05),
              measures::Percentile(different, 0.0), Share(different, kSameFaceBelow, true));
  std::sort(closest.begin(), closest.end());
  std::printf("The most alike people:");
  for (std::size_t i = 0; i < closest.size() && i < 6; ++i)
    std::printf(" %s %.3f;", closest[i].second.c_str(), closest[i].first);
  std::printf("\n");
  std::printf("Every change of the same face: %.1f%% taken for it; two people: %.1f%% told apart\n",
              Share(allSame, kSameFaceBelow, true), Share(different, kSameFaceBelow, false));
}

}  // namespace irisdet
