// irisdet-lab gaze EYE_PATCH_DIR [--calibrate 9|5] [--scale PX] [--csv OUT] [--generic]
// The gaze tracking's error on labelled eye patches (64x64 colour crops, one per eye,
// named SUBJECT_2m_POSEP_VV_HH_L.jpg): the same iris search, features and map as the
// game's, calibrated per person on 9 (or 5) looks with the head straight, tested on the
// other looks with the head straight and on all looks with it turned 15 degrees. Then the
// calibration by playing, simulated: 8 finds from the generic map. --generic prints the
// map fitted across everybody, head straight, for the detector's generic start.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "detector/gaze_calibration.h"
#include "detector/gaze_features.h"
#include "detector/gaze_map.h"
#include "detector/pupil_finder.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

namespace fs = std::filesystem;
using irisdet::GazeMap;
using irisdet::GazeSample;

constexpr double kPatchEyeWidth = 48.0;  // corner to corner, in a patch as it comes

// The eye's corners and lids where the patches put them (the crops are made around the
// eye the same way for everybody): a mean of the head-straight patches.
irisdet::EyeContour PatchContour(double scale) {
  const irisdet::EyeContour atSide64 = {cv::Point2f(8, 27), {22, 20}, {40, 20}, {56, 27}, {40, 34}, {22, 34}};
  irisdet::EyeContour contour;
  for (std::size_t i = 0; i < contour.size(); ++i) contour[i] = atSide64[i] * static_cast<float>(scale);
  return contour;
}

struct Look {
  int subject, pose, v, h;  // degrees; v > 0 up
  std::string file;
  std::optional<irisdet::GazeFeatures> features;
};

std::optional<irisdet::EyeFeatures> ReadEye(const fs::path& path, double scale) {
  cv::Mat image = cv::imread(path.string(), cv::IMREAD_GRAYSCALE);
  if (image.empty()) return std::nullopt;
  if (scale != 1.0) cv::resize(image, image, cv::Size(), scale, scale, cv::INTER_AREA);
  const irisdet::EyeContour contour = PatchContour(scale);
  const std::optional<irisdet::IrisFound> iris = irisdet::FindIris(image, contour);
  return iris ? irisdet::MeasureEye(contour, *iris) : std::nullopt;
}

// The labels in a left eye's name, such as 0001_2m_-15P_10V_5H_L.jpg; none for another name.
std::optional<Look> Labels(const std::string& file) {
  constexpr std::string_view kLeftEye = "_L.jpg";
  Look look{};
  int read = 0;
  const bool named =
      std::sscanf(file.c_str(), "%d_2m_%dP_%dV_%dH%n", &look.subject, &look.pose, &look.v, &look.h, &read) == 4;
  if (!named || file.substr(static_cast<std::size_t>(read)) != kLeftEye) return std::nullopt;
  look.file = file.substr(0, file.size() - kLeftEye.size());
  return look;
}

// Both eyes of each picture, as one look.
std::vector<Look> ReadLooks(const fs::path& folder, double scale) {
  std::vector<Look> looks;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::optional<Look> labelled = Labels(entry.path().filename().string());
    if (!labelled) continue;
    Look& look = *labelled;
    fs::path right = entry.path();
    right.replace_filename(look.file + "_R.jpg");
    // The pose is given to the compensation as the head pointer measures it: the patches'
    // positive pose turns the nose toward the image's +x.
    look.features = irisdet::CombineEyes(ReadEye(right, scale), ReadEye(entry.path(), scale),
                                         irisdet::HeadPose{double(look.pose), 0, 0});
    looks.push_back(std::move(look));
  }
  std::sort(looks.begin(), looks.end(), [](const Look& a, const Look& b) { return a.file < b.file; });
  return looks;
}

cv::Point2d Target(const Look& look) { return {double(look.h), double(-look.v)}; }

struct Errors {
  std::vector<double> h, v, both;
  void Add(cv::Point2d estimate, cv::Point2d truth) {
    h.push_back(std::abs(estimate.x - truth.x));
    v.push_back(std::abs(estimate.y - truth.y));
    both.push_back(cv::norm(estimate - truth));
  }
  static double Mean(const std::vector<double>& x) {
    double sum = 0;
    for (double e : x) sum += e;
    return x.empty() ? 0 : sum / double(x.size());
  }
  void Print(const char* what) const {
    std::printf("%-34s n %4zu  mean h %5.2f v %5.2f both %5.2f   median h %5.2f v %5.2f both %5.2f\n", what,
                both.size(), Mean(h), Mean(v), Mean(both), measures::Percentile(h, 0.5), measures::Percentile(v, 0.5),
                measures::Percentile(both, 0.5));
  }
};

bool IsCalibrationLook(const Look& look, int points) {
  const bool corner = std::abs(look.h) == 15 && std::abs(look.v) == 10;
  const bool edge = (look.h == 0 && std::abs(look.v) == 10) || (std::abs(look.h) == 15 && look.v == 0);
  const bool centre = look.h == 0 && look.v == 0;
  return look.pose == 0 && (centre || corner || (points == 9 && edge));
}

struct Options {
  std::string folder, csv;
  int points = 9;
  double scale = 1.0;
  bool generic = false;
};

using People = std::map<int, std::vector<const Look*>>;

// The map fitted across everybody, head straight: the detector's generic start.
void PrintGeneric(const People& people) {
  std::vector<GazeSample> all;
  for (const auto& [subject, own] : people)
    for (const Look* look : own)
      if (look->pose == 0) all.push_back({look->features->look, Target(*look), 1.0});
  const GazeMap fitted = GazeMap({}, {}).Fitted(all);
  for (const auto* coefficients : {&fitted.XCoefficients(), &fitted.YCoefficients()}) {
    std::printf("{");
    for (double c : *coefficients) std::printf("%.4f, ", c);
    std::printf("}\n");
  }
}

struct Tallies {
  std::map<int, Errors> byPose;
  Errors played, calibrated;
  double ratios = 0;
};

// One person calibrated on the dots' looks, tested on the others, then calibrated by 8
// finds played from the generic map.
void MeasurePerson(int subject, const std::vector<const Look*>& own, int points, std::mt19937& random,
                   std::ofstream& out, Tallies& tallies) {
  std::vector<GazeSample> dots;
  std::vector<const Look*> straight;
  for (const Look* look : own) {
    if (IsCalibrationLook(*look, points))
      dots.push_back({look->features->look, Target(*look), 1.0});
    else if (look->pose == 0)
      straight.push_back(look);
  }
  const GazeMap map = GazeMap::Generic().Fitted(dots);
  for (const Look* look : own) {
    if (IsCalibrationLook(*look, points)) continue;
    const cv::Point2d estimate = map.At(look->features->look);
    tallies.byPose[look->pose].Add(estimate, Target(*look));
    if (out)
      out << look->file << ',' << subject << ',' << look->pose << ',' << look->h << ',' << look->v << ',' << estimate.x
          << ',' << -estimate.y << '\n';
  }
  irisdet::GazeCalibration playing(GazeMap::Generic());
  std::vector<const Look*> poseZero;
  for (const Look* look : own)
    if (look->pose == 0) poseZero.push_back(look);
  for (int find = 0; find < 8; ++find) {
    const Look* look = poseZero[random() % poseZero.size()];
    playing.AddPlayed({look->features->look, Target(*look), 1.0});
  }
  Errors mine, theirs;
  for (const Look* look : straight) {
    mine.Add(playing.Map().At(look->features->look), Target(*look));
    theirs.Add(map.At(look->features->look), Target(*look));
    tallies.played.Add(playing.Map().At(look->features->look), Target(*look));
    tallies.calibrated.Add(map.At(look->features->look), Target(*look));
  }
  tallies.ratios += Errors::Mean(mine.both) / Errors::Mean(theirs.both);
}

std::optional<Options> Parse(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  Options options;
  options.folder = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    const bool valued = i + 1 < argc;
    if (a == "--calibrate" && valued)
      options.points = std::atoi(argv[++i]);
    else if (a == "--scale" && valued)
      options.scale = std::atof(argv[++i]) / kPatchEyeWidth;
    else if (a == "--csv" && valued)
      options.csv = argv[++i];
    else if (a == "--generic")
      options.generic = true;
    else
      return std::nullopt;
  }
  if ((options.points != 9 && options.points != 5) || options.scale <= 0) return std::nullopt;
  return options;
}

int Run(const Options& options) {
  const std::vector<Look> looks = ReadLooks(options.folder, options.scale);
  People people;
  int unread = 0;
  for (const Look& look : looks) {
    if (look.features)
      people[look.subject].push_back(&look);
    else
      ++unread;
  }
  std::printf("%zu pictures of %zu people, %d without an iris found\n", looks.size(), people.size(), unread);
  if (people.empty()) return 1;
  if (options.generic) return PrintGeneric(people), 0;
  std::ofstream out;
  if (!options.csv.empty()) out.open(options.csv), out << "file,subject,pose,h_true,v_true,h_est,v_est\n";
  Tallies tallies;
  std::mt19937 random(7);
  for (const auto& [subject, own] : people) MeasurePerson(subject, own, options.points, random, out, tallies);
  std::printf("calibrated on %d looks, head straight, per person; degrees\n", options.points);
  for (const auto& [pose, errors] : tallies.byPose) errors.Print(("head pose " + std::to_string(pose)).c_str());
  tallies.calibrated.Print("head straight, calibrated");
  tallies.played.Print("head straight, 8 finds played");
  std::printf("8 finds against the calibration, mean of the people's ratios: %.2f\n",
              tallies.ratios / double(people.size()));
  return 0;
}

}  // namespace

int tools::GazeProbe(int argc, char** argv) {
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: irisdet-lab gaze EYE_PATCH_DIR [--calibrate 9|5] [--scale PX] [--csv OUT] [--generic]\n");
    return 2;
  }
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "irisdet-lab gaze: %s\n", e.what());
    return 1;
  }
}
