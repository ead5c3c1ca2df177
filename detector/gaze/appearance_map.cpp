#include "detector/gaze/appearance_map.h"

#include <algorithm>
#include <cmath>

#include "detector/gaze/eye_cut.h"
#include "detector/source/frame_source.h"

namespace irisdet {
namespace {

// How hard the fit keeps to the samples' mean rather than to each sample: 1 to 10 fit
// best on the eye-patch set; 100 is far too stiff.
constexpr double kRidge = 3.0;
// The irises' place next to the pixels, so that the map carries on in proportion beyond
// the looks it was fitted to (a few played looks, a head turned): at 60, eight looks played
// from the start calibrate to within 1.22 times the dots' error, at 40 within 1.34, and the
// dots' own error grows from 1.60 to 1.75 degrees (irisdet-lab gaze, docs/gaze.md).
constexpr double kIrisWeight = 60.0;

// The turn's offset at `yaw` degrees from the table at -30, -15, 15 and 30 (none at 0),
// in proportion between them and held beyond.
cv::Point2d TurnOffset(const std::array<cv::Point2d, 4>& table, double yaw) {
  constexpr std::array<double, 5> kAt = {-30, -15, 0, 15, 30};
  const std::array<cv::Point2d, 5> offset = {table[0], table[1], {0, 0}, table[2], table[3]};
  const double y = std::clamp(yaw, kAt.front(), kAt.back());
  std::size_t i = 0;
  while (i + 2 < kAt.size() && y > kAt[i + 1]) ++i;
  const double t = (y - kAt[i]) / (kAt[i + 1] - kAt[i]);
  return offset[i] * (1 - t) + offset[i + 1] * t;
}

// The interocular distance the face would show turned straight to the camera.
double FacingInterocular(const HeadPlace& head) {
  return head.interocular / std::max(0.2, std::cos(head.pose.yaw / kDegPerRad));
}

// A ridge regression in its kernel form: with a few samples of many values, an n x n
// system. The inputs and targets are taken from their weighted means; a sample's weight
// says how much it counts against the others, not how far the fit may bend.
struct Ridge {
  cv::Mat inputMean, weights;  // 1 x D, D x 2
  cv::Point2d targetMean;
  cv::Point2d At(const cv::Mat& input) const {
    const cv::Mat offset = (input - inputMean) * weights;
    return targetMean + cv::Point2d(offset.at<double>(0, 0), offset.at<double>(0, 1));
  }
};

Ridge Solve(const cv::Mat& inputs, const cv::Mat& targets, const cv::Mat& weights) {
  const double total = cv::sum(weights)[0];
  Ridge ridge;
  ridge.inputMean = weights.t() * inputs / total;
  const cv::Mat targetMean = weights.t() * targets / total;
  ridge.targetMean = {targetMean.at<double>(0, 0), targetMean.at<double>(0, 1)};
  const cv::Mat centred = inputs - cv::repeat(ridge.inputMean, inputs.rows, 1);
  cv::Mat system = centred * centred.t();
  const double meanWeight = total / weights.rows;
  for (int i = 0; i < system.rows; ++i) system.at<double>(i, i) += kRidge * meanWeight / weights.at<double>(i);
  cv::Mat dual;
  cv::solve(system, targets - cv::repeat(targetMean, targets.rows, 1), dual, cv::DECOMP_CHOLESKY);
  ridge.weights = centred.t() * dual;
  return ridge;
}

}  // namespace

// Fitted by `irisdet-lab gaze --turns`: the mean offset, over the 25 people, of where a
// look lands with the head turned and the map calibrated straight. The irises' place has
// most of the turn taken away already (detector/gaze_features.h); what is left is the
// eye's pixels seen from the side.
const std::array<cv::Point2d, 4> HeadCorrection::kLearnedTurn = {cv::Point2d(1.77, -1.13), cv::Point2d(1.87, -0.43),
                                                                 cv::Point2d(-2.73, 0.79), cv::Point2d(-3.11, 0.15)};

HeadCorrection HeadCorrection::InFrame() {
  // 20 cm across, 640 frame px; 12.4 cm down, 480; the interocular distance 6.3 cm.
  constexpr double kInterocularCm = 6.3, kAcrossCm = 20.0, kDownCm = 12.4;
  HeadCorrection c;
  c.perDegree = {(IRISDET_FRAME_WIDTH / 2.0) / 15.0, (IRISDET_FRAME_HEIGHT / 2.0) / 10.0};
  c.turn = kLearnedTurn;
  c.perInterocular = {IRISDET_FRAME_WIDTH * kInterocularCm / kAcrossCm,
                      IRISDET_FRAME_HEIGHT * kInterocularCm / kDownCm};
  return c;
}

std::optional<AppearanceMap> AppearanceMap::Fitted(const std::vector<GazeSample>& samples,
                                                   const HeadCorrection& correction) {
  std::vector<const GazeSample*> usable;
  for (const GazeSample& s : samples)
    if (s.reading.BothEyesCut() && s.reading.features && s.weight > 0) usable.push_back(&s);
  if (usable.size() < kFewestSamples) return std::nullopt;
  AppearanceMap map;
  map.correction_ = correction;
  for (std::size_t eye = 0; eye < 2; ++eye) {
    std::vector<cv::Mat> cuts;
    cuts.reserve(usable.size());
    for (const GazeSample* s : usable) cuts.push_back(s->reading.cuts[eye]);
    map.templates_[eye] = EyeTemplate(cuts);
  }
  std::vector<std::vector<double>> inputs;
  std::vector<const GazeSample*> alike;
  for (const GazeSample* s : usable)
    if (std::optional<std::vector<double>> input = map.Read(s->reading))
      inputs.push_back(std::move(*input)), alike.push_back(s);
  if (!map.Fit(inputs, alike)) return std::nullopt;
  return map;
}

std::optional<std::vector<double>> AppearanceMap::Read(const GazeReading& reading) const {
  if (!reading.BothEyesCut() || !reading.features) return std::nullopt;
  std::vector<double> input;
  input.reserve(2 * kAppearanceValues + 2);
  for (std::size_t eye = 0; eye < 2; ++eye) {
    const Placement placed = Align(reading.cuts[eye], templates_[eye]);
    if (placed.likeness < kLeastLikeness) return std::nullopt;
    AppendAppearance(reading.cuts[eye], placed.shift, input);
  }
  input.push_back(reading.features->x * kIrisWeight);
  input.push_back(reading.features->y * kIrisWeight);
  return input;
}

bool AppearanceMap::Fit(const std::vector<std::vector<double>>& inputs, const std::vector<const GazeSample*>& samples) {
  if (samples.size() < kFewestSamples) return false;
  cv::Mat x, y, w;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    x.push_back(cv::Mat(inputs[i]).t());
    y.push_back(cv::Mat(cv::Matx12d(samples[i]->target.x, samples[i]->target.y)));
    w.push_back(samples[i]->weight);
  }
  const Ridge ridge = Solve(x, y, w);
  inputMean_ = ridge.inputMean, weights_ = ridge.weights, targetMean_ = ridge.targetMean;
  // Where the head was on average, to tell how it has moved since.
  double total = 0, facing = 0;
  calibrated_ = {};
  for (const GazeSample* s : samples) {
    const HeadPlace& h = s->reading.head;
    total += s->weight;
    calibrated_.pose.yaw += s->weight * h.pose.yaw, calibrated_.pose.pitch += s->weight * h.pose.pitch;
    calibrated_.eyes += h.eyes * static_cast<float>(s->weight);
    facing += s->weight * FacingInterocular(h);
  }
  calibrated_.pose.yaw /= total, calibrated_.pose.pitch /= total;
  calibrated_.eyes *= static_cast<float>(1.0 / total);
  calibrated_.interocular = facing / total;  // as facing the camera
  return true;
}

std::optional<cv::Point2d> AppearanceMap::At(const GazeReading& reading) const {
  const std::optional<std::vector<double>> input = Read(reading);
  if (!input) return std::nullopt;
  const cv::Mat offset = (cv::Mat(*input).t() - inputMean_) * weights_;
  return ForHead(targetMean_ + cv::Point2d(offset.at<double>(0, 0), offset.at<double>(0, 1)), reading.head);
}

// Where the look lands once the head's turn and move since the calibration are taken away.
cv::Point2d AppearanceMap::ForHead(cv::Point2d read, const HeadPlace& now) const {
  const cv::Point2d turn = TurnOffset(correction_.turn, now.pose.yaw - calibrated_.pose.yaw);
  cv::Point2d at = read - cv::Point2d(turn.x * correction_.perDegree.x, turn.y * correction_.perDegree.y);
  if (now.interocular <= 0 || calibrated_.interocular <= 0) return at;
  // Nearer the screen, the same turn of the eyes spans less of it: around the middle of
  // the calibration's points, which the player faces.
  at = targetMean_ + (at - targetMean_) * (calibrated_.interocular / FacingInterocular(now));
  const cv::Point2f shift = (now.eyes - calibrated_.eyes) * static_cast<float>(1.0 / calibrated_.interocular);
  return at + cv::Point2d(shift.x * correction_.perInterocular.x, shift.y * correction_.perInterocular.y);
}

}  // namespace irisdet
