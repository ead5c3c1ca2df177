#include "detector/face/neural_face_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include "detector/source/bounded_input.h"

namespace irisdet {
namespace {

constexpr std::int64_t kMaxNeuralModelBytes = 8ll << 20;            // BlazeFace's are 0.4 and 0.6 MB
constexpr int kFineCells = 16, kFineAnchors = 2;                    // a 16x16 grid, two anchors a cell
constexpr int kCoarseCells = 8, kCoarseAnchors = 6;                 // an 8x8 grid, six
constexpr int kFineCount = kFineCells * kFineCells * kFineAnchors;  // anchors of the fine grid, first
constexpr int kCoarseCount = kCoarseCells * kCoarseCells * kCoarseAnchors;
constexpr int kAnchors = kFineCount + kCoarseCount;
constexpr int kValuesPerAnchor = 16;  // the box's centre and size, then six key points
constexpr float kSameFace = 0.3f;     // overlap (intersection over union) of guesses of one face

const char* FileFor(int side) {
  return side == 128 ? "face_detection_front_128x128_barracuda.onnx" : "face_detection_back_256x256_barracuda.onnx";
}

// The anchors' centres, in the input's unit square, in the order of the model's outputs.
std::vector<cv::Point2f> Anchors() {
  std::vector<cv::Point2f> anchors;
  anchors.reserve(kAnchors);
  for (const auto& [cells, perCell] : {std::pair{kFineCells, kFineAnchors}, {kCoarseCells, kCoarseAnchors}})
    for (int y = 0; y < cells; ++y)
      for (int x = 0; x < cells; ++x)
        for (int k = 0; k < perCell; ++k) anchors.emplace_back((x + 0.5f) / cells, (y + 0.5f) / cells);
  return anchors;
}

// The model's four outputs, told apart by their shapes: scores and boxes of the fine
// grid's anchors, and of the coarse grid's.
struct Outputs {
  const cv::Mat *fineScores = nullptr, *coarseScores = nullptr, *fineBoxes = nullptr, *coarseBoxes = nullptr;
  explicit Outputs(const std::vector<cv::Mat>& all) {
    for (const cv::Mat& out : all) {
      if (out.dims != 3 || out.size[0] != 1) continue;
      const bool fine = out.size[1] == kFineCount, coarse = out.size[1] == kCoarseCount;
      const cv::Mat** slot = nullptr;
      if (out.size[2] == 1) slot = fine ? &fineScores : coarse ? &coarseScores : nullptr;
      if (out.size[2] == kValuesPerAnchor) slot = fine ? &fineBoxes : coarse ? &coarseBoxes : nullptr;
      if (slot) *slot = &out;
    }
  }
  bool Whole() const { return fineScores && coarseScores && fineBoxes && coarseBoxes; }
  float Score(int anchor) const {
    const float logit = anchor < kFineCount ? fineScores->ptr<float>(0, anchor)[0]
                                            : coarseScores->ptr<float>(0, anchor - kFineCount)[0];
    return 1.f / (1.f + std::exp(-std::clamp(logit, -100.f, 100.f)));
  }
  const float* Box(int anchor) const {
    return anchor < kFineCount ? fineBoxes->ptr<float>(0, anchor) : coarseBoxes->ptr<float>(0, anchor - kFineCount);
  }
};

cv::dnn::Net NetOf(const NeuralModel& model) {
  cv::dnn::Net net = cv::dnn::readNetFromONNX(model.onnx.data(), model.onnx.size());
  net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
  net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
  return net;
}

std::vector<cv::Mat> Run(cv::dnn::Net& net, const cv::Mat& input) {
  const int dims[] = {1, input.rows, input.cols, 3};  // the model takes NHWC
  net.setInput(cv::Mat(4, dims, CV_32F, const_cast<uchar*>(input.data)));
  std::vector<cv::Mat> outputs;
  net.forward(outputs, net.getUnconnectedOutLayersNames());
  return outputs;
}

float Overlap(const cv::Rect2f& a, const cv::Rect2f& b) {
  const float common = (a & b).area();
  return common > 0.f ? common / (a.area() + b.area() - common) : 0.f;
}

// Overlapping guesses of one face become one, their boxes and eyes weighted by score.
std::vector<NeuralFace> Blend(std::vector<NeuralFace> guesses) {
  std::sort(guesses.begin(), guesses.end(), [](const auto& a, const auto& b) { return a.score > b.score; });
  std::vector<NeuralFace> faces;
  std::vector<bool> used(guesses.size(), false);
  for (std::size_t i = 0; i < guesses.size(); ++i) {
    if (used[i]) continue;
    NeuralFace sum{{0, 0, 0, 0}, guesses[i].score, {0, 0}, {0, 0}};
    float weights = 0.f;
    for (std::size_t j = i; j < guesses.size(); ++j) {
      if (used[j] || Overlap(guesses[i].box, guesses[j].box) < kSameFace) continue;
      used[j] = true;
      const float w = guesses[j].score;
      sum.box.x += w * guesses[j].box.x, sum.box.y += w * guesses[j].box.y;
      sum.box.width += w * guesses[j].box.width, sum.box.height += w * guesses[j].box.height;
      sum.rightEye += w * guesses[j].rightEye, sum.leftEye += w * guesses[j].leftEye;
      weights += w;
    }
    sum.box = {sum.box.x / weights, sum.box.y / weights, sum.box.width / weights, sum.box.height / weights};
    sum.rightEye /= weights, sum.leftEye /= weights;
    faces.push_back(sum);
  }
  return faces;
}

}  // namespace

std::shared_ptr<const NeuralModel> ReadNeuralModel(const std::string& folder, int side, std::string* error) {
  const std::string path = (std::filesystem::path(folder) / FileFor(side)).string();
  if (std::error_code ec; folder.empty() || !std::filesystem::exists(path, ec)) return nullptr;  // HOG alone
  auto model = std::make_shared<NeuralModel>();
  model->side = side;
  std::string why;
  const std::optional<std::string> bytes = ReadRegularFile(path, kMaxNeuralModelBytes, &why);
  if (!bytes) return *error = why, nullptr;
  model->onnx = *bytes;
  try {
    cv::dnn::Net net = NetOf(*model);
    const cv::Mat blank(side, side, CV_32FC3, cv::Scalar::all(0));
    if (Outputs(Run(net, blank)).Whole()) return model;
    *error = "«" + path + "» no és el model de cares que cal.";
  } catch (const cv::Exception&) {
    *error = "«" + path + "» està buit, tallat o malmès.";
  }
  return nullptr;
}

struct NeuralFaceFinder::Impl {
  explicit Impl(const NeuralModel& model) : net(NetOf(model)), side(model.side) {}
  cv::dnn::Net net;
  int side;
  std::vector<cv::Point2f> anchors = Anchors();
  cv::Mat input;  // the frame fitted into the model's square, RGB from -1 to 1
};

NeuralFaceFinder::NeuralFaceFinder(const NeuralModel& model) : impl_(std::make_unique<Impl>(model)) {}

NeuralFaceFinder::~NeuralFaceFinder() = default;

std::vector<NeuralFace> NeuralFaceFinder::Find(const cv::Mat& bgr, float lowest) {
  Impl& n = *impl_;
  // The frame fitted into the square, its aspect kept, the rest black.
  const float scale = static_cast<float>(n.side) / static_cast<float>(std::max(bgr.cols, bgr.rows));
  const cv::Size fitted(cvRound(bgr.cols * scale), cvRound(bgr.rows * scale));
  const cv::Point2f offset((n.side - fitted.width) / 2.f, (n.side - fitted.height) / 2.f);
  cv::Mat square(n.side, n.side, CV_8UC3, cv::Scalar::all(0)), small;
  cv::resize(bgr, small, fitted, 0, 0, cv::INTER_AREA);
  cv::cvtColor(small, square(cv::Rect(cv::Point(cvRound(offset.x), cvRound(offset.y)), fitted)), cv::COLOR_BGR2RGB);
  square.convertTo(n.input, CV_32FC3, 2.0 / 255.0, -1.0);
  const std::vector<cv::Mat> all = Run(n.net, n.input);
  const Outputs outputs(all);
  if (!outputs.Whole()) return {};
  const auto toFrame = [&](cv::Point2f anchor, float dx, float dy) {
    const cv::Point2f unit = anchor + cv::Point2f(dx, dy) / static_cast<float>(n.side);
    return (unit * static_cast<float>(n.side) - offset) / scale;
  };
  std::vector<NeuralFace> guesses;
  for (int a = 0; a < kAnchors; ++a) {
    const float score = outputs.Score(a);
    if (score < lowest) continue;
    const float* v = outputs.Box(a);
    const cv::Point2f centre = toFrame(n.anchors[a], v[0], v[1]), size = cv::Point2f(v[2], v[3]) / scale;
    guesses.push_back({{centre.x - size.x / 2, centre.y - size.y / 2, size.x, size.y},
                       score,
                       toFrame(n.anchors[a], v[4], v[5]),
                       toFrame(n.anchors[a], v[6], v[7])});
  }
  return Blend(std::move(guesses));
}

}  // namespace irisdet
