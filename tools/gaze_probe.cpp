// irisdet-lab gaze EYE_PATCH_DIR [--calibrate 9|5] [--scale PX] [--csv OUT] [--generic] [--turns]
// The gaze tracking's error on labelled eye patches (64x64 colour crops, one per eye,
// named SUBJECT_2m_POSEP_VV_HH_L.jpg): the game's own eye cuts, iris search, maps and
// calibration, calibrated per person on 9 (or 5) looks with the head straight, tested on
// the other looks with the head straight and on every look at the other head poses, the
// pose given. The head turn's offsets each person is corrected with are learned from the
// other people. Then the calibration by playing, simulated: 8 finds from the start map.
// --generic prints the iris map fitted across everybody, head straight, for the detector's
// start; --turns the turn's offsets learned across everybody, for the game's correction.
#include <array>
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

#include "detector/eyes/iris_finder.h"
#include "detector/gaze/appearance_map.h"
#include "detector/gaze/eye_cut.h"
#include "detector/gaze/gaze_calibration.h"
#include "detector/gaze/gaze_features.h"
#include "detector/gaze/iris_map.h"
#include "tests/support/measures.h"
#include "tools/commands.h"

namespace {

namespace fs = std::filesystem;
using irisdet::GazeReading;
using irisdet::GazeSample;
using irisdet::IrisMap;

constexpr double kPatchEyeWidth = 48.0;  // corner to corner, in a patch as it comes
constexpr std::array<int, 4> kTurns = {-30, -15, 15, 30};
constexpr int kPlayedFinds = 8;

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
  GazeReading reading;
  bool Read() const { return reading.features || reading.BothEyesCut(); }
};

// One eye's patch: its cut, and where its iris sits.
struct Eye {
  cv::Mat cut;
  std::optional<irisdet::EyeFeatures> iris;
};

Eye ReadEye(const fs::path& path, double scale) {
  cv::Mat image = cv::imread(path.string(), cv::IMREAD_GRAYSCALE);
  if (image.empty()) return {};
  if (scale != 1.0) cv::resize(image, image, cv::Size(), scale, scale, cv::INTER_AREA);
  const irisdet::EyeContour contour = PatchContour(scale);
  const std::optional<irisdet::IrisFound> iris = irisdet::FindIris(image, contour);
  return {irisdet::CutEye(image, irisdet::CornersOf(contour)),
          iris ? irisdet::MeasureEye(contour, *iris) : std::nullopt};
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

// Both eyes of each picture, as one reading. The pose is given as the head pointer
// measures it: the patches' positive pose turns the nose toward the image's +x.
std::vector<Look> ReadLooks(const fs::path& folder, double scale) {
  std::vector<Look> looks;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::optional<Look> labelled = Labels(entry.path().filename().string());
    if (!labelled) continue;
    Look& look = *labelled;
    fs::path rightPath = entry.path();
    rightPath.replace_filename(look.file + "_R.jpg");
    const Eye right = ReadEye(rightPath, scale), left = ReadEye(entry.path(), scale);
    look.reading.head.pose = {double(look.pose), 0, 0};
    look.reading.cuts = {right.cut, left.cut};
    if (const auto both = irisdet::CombineEyes(right.iris, left.iris, look.reading.head.pose))
      look.reading.features = both->look;
    looks.push_back(std::move(look));
  }
  std::sort(looks.begin(), looks.end(), [](const Look& a, const Look& b) { return a.file < b.file; });
  return looks;
}

cv::Point2d Target(const Look& look) { return {double(look.h), double(-look.v)}; }

struct Errors {
  std::vector<double> h, v, both;
  cv::Point2d sum{0, 0};  // of the signed errors
  int dropped = 0;        // looks whose eyes could not be read
  void Add(cv::Point2d estimate, cv::Point2d truth) {
    h.push_back(std::abs(estimate.x - truth.x));
    v.push_back(std::abs(estimate.y - truth.y));
    both.push_back(cv::norm(estimate - truth));
    sum += estimate - truth;
  }
  cv::Point2d MeanOffset() const { return both.empty() ? cv::Point2d(0, 0) : sum * (1.0 / double(both.size())); }
  static double Mean(const std::vector<double>& x) {
    double total = 0;
    for (double e : x) total += e;
    return x.empty() ? 0 : total / double(x.size());
  }
  void Print(const std::string& what) const {
    std::printf("%-34s n %4zu  mean h %5.2f v %5.2f both %5.2f   median h %5.2f v %5.2f both %5.2f  unread %d\n",
                what.c_str(), both.size(), Mean(h), Mean(v), Mean(both), measures::Percentile(h, 0.5),
                measures::Percentile(v, 0.5), measures::Percentile(both, 0.5), dropped);
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
  bool generic = false, turns = false;
};

using People = std::map<int, std::vector<const Look*>>;

std::vector<GazeSample> CalibrationSamples(const std::vector<const Look*>& own, int points) {
  std::vector<GazeSample> dots;
  for (const Look* look : own)
    if (IsCalibrationLook(*look, points)) dots.push_back({look->reading, Target(*look), 1.0});
  return dots;
}

// The probes' units: degrees, and the eyes never move.
irisdet::HeadCorrection InDegrees(const std::array<cv::Point2d, 4>& turn) {
  irisdet::HeadCorrection correction;
  correction.turn = turn;
  return correction;
}

// Each person's map without a turn correction, and its error at each turn: the offsets
// the correction learns.
struct Uncorrected {
  std::map<int, std::map<int, Errors>> bySubjectAndPose;
};

// The game's calibration of one person by the dots' looks.
irisdet::GazeCalibration Calibrated(const std::vector<const Look*>& own, int points,
                                    const std::array<cv::Point2d, 4>& turn) {
  irisdet::GazeCalibration calibration(IrisMap::Generic(), InDegrees(turn));
  calibration.Calibrate(CalibrationSamples(own, points));
  return calibration;
}

Uncorrected MeasureUncorrected(const People& people, int points) {
  Uncorrected raw;
  for (const auto& [subject, own] : people) {
    const irisdet::GazeCalibration calibration = Calibrated(own, points, {});
    const auto& map = calibration.Appearance();
    if (!map) continue;
    for (const Look* look : own)
      if (look->pose != 0)
        if (const auto at = map->At(look->reading)) raw.bySubjectAndPose[subject][look->pose].Add(*at, Target(*look));
  }
  return raw;
}

// The mean offset at each turn over every look of the people but `leftOut`.
std::array<cv::Point2d, 4> LearnedTurn(const Uncorrected& raw, int leftOut) {
  std::array<cv::Point2d, 4> turn{};
  for (std::size_t i = 0; i < kTurns.size(); ++i) {
    cv::Point2d sum(0, 0);
    std::size_t n = 0;
    for (const auto& [subject, byPose] : raw.bySubjectAndPose) {
      const auto errors = byPose.find(kTurns[i]);
      if (subject == leftOut || errors == byPose.end()) continue;
      sum += errors->second.sum, n += errors->second.both.size();
    }
    if (n > 0) turn[i] = sum * (1.0 / double(n));
  }
  return turn;
}

void PrintTurns(const Uncorrected& raw) {
  const std::array<cv::Point2d, 4> turn = LearnedTurn(raw, -1);
  std::printf("{");
  for (std::size_t i = 0; i < turn.size(); ++i)
    std::printf("cv::Point2d(%.2f, %.2f)%s", turn[i].x, turn[i].y, i < 3 ? ", " : "");
  std::printf("}  // at %d, %d, %d, %d degrees of turn\n", kTurns[0], kTurns[1], kTurns[2], kTurns[3]);
}

// The iris map fitted across everybody, head straight: the detector's generic start.
void PrintGeneric(const People& people) {
  std::vector<GazeSample> all;
  for (const auto& [subject, own] : people)
    for (const Look* look : own)
      if (look->pose == 0) all.push_back({look->reading, Target(*look), 1.0});
  const IrisMap fitted = IrisMap({}, {}).Fitted(all);
  for (const auto* coefficients : {&fitted.XCoefficients(), &fitted.YCoefficients()}) {
    std::printf("{");
    for (double c : *coefficients) std::printf("%.4f, ", c);
    std::printf("}\n");
  }
}

struct Tallies {
  std::map<int, Errors> byPose, irisesByPose;
  Errors played, calibrated;
  std::vector<double> ratios;
};

// One person calibrated on the dots' looks, tested on the others with the turn's offsets
// learned from the other people; then the same person's iris map alone.
bool MeasurePerson(const std::vector<const Look*>& own, const Options& options, const std::array<cv::Point2d, 4>& turn,
                   std::ofstream& out, Tallies& tallies) {
  const irisdet::GazeCalibration calibration = Calibrated(own, options.points, turn);
  const auto& map = calibration.Appearance();
  if (!map) return false;
  for (const Look* look : own) {
    if (IsCalibrationLook(*look, options.points)) continue;
    if (look->reading.features)
      tallies.irisesByPose[look->pose].Add(calibration.Irises().At(*look->reading.features), Target(*look));
    const std::optional<cv::Point2d> estimate = map->At(look->reading);
    if (!estimate) {
      ++tallies.byPose[look->pose].dropped;
      continue;
    }
    tallies.byPose[look->pose].Add(*estimate, Target(*look));
    if (out)
      out << look->file << ',' << look->subject << ',' << look->pose << ',' << look->h << ',' << look->v << ','
          << estimate->x << ',' << -estimate->y << '\n';
  }
  return true;
}

// Calibrated by playing: from the start map, finds at random looks of the person's with
// the head straight, each one more look for the game's calibration; against the dots'.
bool MeasurePlayed(const std::vector<const Look*>& own, int points, std::mt19937& random, Tallies& tallies) {
  std::vector<const Look*> straight, tests;
  for (const Look* look : own)
    if (look->pose == 0) {
      straight.push_back(look);
      if (!IsCalibrationLook(*look, points)) tests.push_back(look);
    }
  const irisdet::GazeCalibration calibrated = Calibrated(own, points, {});
  const auto& map = calibrated.Appearance();
  if (straight.empty() || !map) return false;
  irisdet::GazeCalibration playing(IrisMap::Generic(), InDegrees({}));
  for (int find = 0; find < kPlayedFinds; ++find) {
    const Look* look = straight[random() % straight.size()];
    playing.AddPlayed({look->reading, Target(*look), 1.0});
  }
  Errors mine, theirs;
  for (const Look* look : tests) {
    const std::optional<cv::Point2d> played = playing.At(look->reading), calibrated = map->At(look->reading);
    if (!played || !calibrated) continue;
    mine.Add(*played, Target(*look)), theirs.Add(*calibrated, Target(*look));
    tallies.played.Add(*played, Target(*look)), tallies.calibrated.Add(*calibrated, Target(*look));
  }
  if (theirs.both.empty()) return false;
  tallies.ratios.push_back(Errors::Mean(mine.both) / Errors::Mean(theirs.both));
  return true;
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
    else if (a == "--turns")
      options.turns = true;
    else
      return std::nullopt;
  }
  if ((options.points != 9 && options.points != 5) || options.scale <= 0) return std::nullopt;
  return options;
}

void PrintTallies(const Tallies& tallies, int points) {
  std::printf("calibrated on %d looks, head straight, per person; degrees\n", points);
  for (const auto& [pose, errors] : tallies.byPose) errors.Print("head pose " + std::to_string(pose));
  std::printf("the iris map alone, calibrated the same way:\n");
  for (const auto& [pose, errors] : tallies.irisesByPose) errors.Print("  head pose " + std::to_string(pose));
  tallies.calibrated.Print("head straight, calibrated");
  tallies.played.Print("head straight, 8 finds played");
  double sum = 0;
  for (const double r : tallies.ratios) sum += r;
  std::printf("8 finds against the calibration, mean of %zu people's ratios: %.2f\n", tallies.ratios.size(),
              tallies.ratios.empty() ? 0.0 : sum / double(tallies.ratios.size()));
}

int Run(const Options& options) {
  const std::vector<Look> looks = ReadLooks(options.folder, options.scale);
  People people;
  int unread = 0;
  for (const Look& look : looks) {
    if (look.Read())
      people[look.subject].push_back(&look);
    else
      ++unread;
  }
  std::printf("%zu pictures of %zu people, %d with neither eye readable\n", looks.size(), people.size(), unread);
  if (people.empty()) return 1;
  if (options.generic) return PrintGeneric(people), 0;
  const Uncorrected raw = MeasureUncorrected(people, options.points);
  if (options.turns) return PrintTurns(raw), 0;
  std::ofstream out;
  if (!options.csv.empty()) out.open(options.csv), out << "file,subject,pose,h_true,v_true,h_est,v_est\n";
  Tallies tallies;
  std::mt19937 random(7);
  for (const auto& [subject, own] : people) {
    if (!MeasurePerson(own, options, LearnedTurn(raw, subject), out, tallies))
      std::printf("person %d left out: fewer than %zu readable looks to calibrate with\n", subject,
                  irisdet::AppearanceMap::kFewestSamples);
    else if (!MeasurePlayed(own, options.points, random, tallies))
      std::printf("person %d left out of the played calibration: no looks with the head straight to test\n", subject);
  }
  PrintTallies(tallies, options.points);
  return 0;
}

}  // namespace

int tools::GazeProbe(int argc, char** argv) {
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: irisdet-lab gaze EYE_PATCH_DIR [--calibrate 9|5] [--scale PX] [--csv OUT] [--generic] "
                 "[--turns]\n");
    return 2;
  }
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "irisdet-lab gaze: %s\n", e.what());
    return 1;
  }
}
