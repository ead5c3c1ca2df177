#include "detector/face/landmark_model.h"

#include <dlib/image_processing.h>
#include <dlib/opencv/cv_image.h>
#include <cstdint>
#include <stdexcept>

namespace irisdet {

dlib::rectangle ToDlib(const cv::Rect& r) { return {r.x, r.y, r.x + r.width - 1, r.y + r.height - 1}; }
namespace {

struct Split {  // a node: go left when pixel idx1 is brighter than idx2 by more than thresh
  std::uint32_t idx1, idx2;
  float thresh;
};

struct Level {  // one step of the cascade: the pixels it samples and its trees
  std::vector<unsigned long> anchors;
  std::vector<dlib::vector<float, 2>> deltas;
  std::size_t firstTree = 0, trees = 0;
};

constexpr std::size_t kFloatsPerLine = 16;  // 64-byte cache lines

void Require(bool sound) {
  if (!sound) throw std::runtime_error("inconsistent landmark model");
}

}  // namespace

struct LandmarkModel::Trees {
  dlib::matrix<float, 0, 1> initial;  // the mean shape, two values a point
  std::vector<Level> levels;
  std::vector<Split> splits;  // every tree's nodes, tree after tree
  std::vector<float> leaves;  // every tree's leaves, tree after tree
  std::size_t nodesPerTree = 0, treeCount = 0;

  std::size_t Dims() const { return static_cast<std::size_t>(initial.size()); }

  // Every tree is full and of one depth, as dlib trains them, so a tree is found by
  // its number alone.
  void Append(const dlib::impl::regression_tree& tree) {
    if (treeCount++ == 0) nodesPerTree = tree.splits.size();
    const std::size_t leafCount = nodesPerTree + 1;
    Require(tree.splits.size() == nodesPerTree && tree.leaf_values.size() == leafCount &&
            (leafCount & (leafCount - 1)) == 0);
    for (const dlib::impl::split_feature& s : tree.splits) {
      Require(s.idx1 <= UINT32_MAX && s.idx2 <= UINT32_MAX);
      splits.push_back({static_cast<std::uint32_t>(s.idx1), static_cast<std::uint32_t>(s.idx2), s.thresh});
    }
    for (const dlib::matrix<float, 0, 1>& leaf : tree.leaf_values) {
      Require(static_cast<std::size_t>(leaf.size()) == Dims());
      leaves.insert(leaves.end(), leaf.begin(), leaf.end());
    }
  }

  // dlib's order: version, mean shape, the trees level by level, then each level's
  // sampled pixels (a landmark and an offset from it). Read tree by tree, so the model
  // is never held twice.
  void Read(std::istream& in) {
    int version = 0;
    dlib::deserialize(version, in);
    Require(version == 1);
    dlib::deserialize(initial, in);
    Require(initial.size() % 2 == 0);
    unsigned long levelCount = 0;
    dlib::deserialize(levelCount, in);
    for (unsigned long l = 0; l < levelCount; ++l) {
      Level level;
      level.firstTree = treeCount;
      dlib::deserialize(level.trees, in);
      for (std::size_t t = 0; t < level.trees; ++t) {
        dlib::impl::regression_tree tree;
        deserialize(tree, in);  // a friend of the tree, found by its type
        Append(tree);
      }
      levels.push_back(std::move(level));
    }
    std::vector<std::vector<unsigned long>> anchors;
    std::vector<std::vector<dlib::vector<float, 2>>> deltas;
    dlib::deserialize(anchors, in);
    dlib::deserialize(deltas, in);
    Require(anchors.size() == levels.size() && deltas.size() == levels.size());
    for (std::size_t l = 0; l < levels.size(); ++l) {
      levels[l].anchors = std::move(anchors[l]);
      levels[l].deltas = std::move(deltas[l]);
      Check(levels[l]);
    }
  }

  // A tree may only compare pixels its level samples, and a pixel may only hang on a
  // landmark the model has.
  void Check(const Level& level) const {
    Require(level.anchors.size() == level.deltas.size());
    for (unsigned long anchor : level.anchors) Require(anchor < Dims() / 2);
    const std::size_t end = (level.firstTree + level.trees) * nodesPerTree;
    for (std::size_t n = level.firstTree * nodesPerTree; n < end; ++n)
      Require(splits[n].idx1 < level.deltas.size() && splits[n].idx2 < level.deltas.size());
  }

  // The leaf each tree of the level leads to, asked of memory at once: fetching
  // thousands of scattered leaves one after the other is what makes a fit slow.
  void Choose(const Level& level, const std::vector<float>& pixels, std::vector<const float*>& chosen) const {
    chosen.resize(level.trees);
    const std::size_t leafCount = nodesPerTree + 1;
    for (std::size_t t = 0; t < level.trees; ++t) {
      const Split* node = &splits[(level.firstTree + t) * nodesPerTree];
      std::size_t i = 0;
      while (i < nodesPerTree) i = pixels[node[i].idx1] - pixels[node[i].idx2] > node[i].thresh ? 2 * i + 1 : 2 * i + 2;
      const float* leaf = &leaves[((level.firstTree + t) * leafCount + i - nodesPerTree) * Dims()];
      for (std::size_t k = 0; k < Dims(); k += kFloatsPerLine) __builtin_prefetch(leaf + k);
      chosen[t] = leaf;
    }
  }
};

LandmarkModel::LandmarkModel() : trees_(std::make_unique<Trees>()) {}
LandmarkModel::~LandmarkModel() = default;
LandmarkModel::LandmarkModel(LandmarkModel&&) noexcept = default;
LandmarkModel& LandmarkModel::operator=(LandmarkModel&&) noexcept = default;

void LandmarkModel::Read(std::istream& in) {
  auto read = std::make_unique<Trees>();
  read->Read(in);
  trees_ = std::move(read);
}

std::size_t LandmarkModel::Parts() const { return trees_->Dims() / 2; }

std::vector<cv::Point2f> LandmarkModel::Fit(const cv::Mat& gray, const cv::Rect& box) const {
  const Trees& model = *trees_;
  const dlib::cv_image<unsigned char> image(gray);
  const dlib::rectangle rect = ToDlib(box);
  dlib::matrix<float, 0, 1> shape = model.initial;
  std::vector<float> pixels;
  std::vector<const float*> chosen;
  for (const Level& level : model.levels) {
    dlib::impl::extract_feature_pixel_values(image, rect, shape, model.initial, level.anchors, level.deltas, pixels);
    model.Choose(level, pixels, chosen);
    float* values = shape.begin();
    for (const float* leaf : chosen)  // in the trees' order, as dlib adds them: the same sums
      for (std::size_t k = 0; k < model.Dims(); ++k) values[k] += leaf[k];
  }
  const dlib::point_transform_affine toFrame = dlib::impl::unnormalizing_tform(rect);
  std::vector<cv::Point2f> points;
  points.reserve(Parts());
  for (std::size_t i = 0; i < Parts(); ++i) {
    const dlib::point p = toFrame(dlib::impl::location(shape, i));  // whole pixels, as dlib's own fit gives
    points.emplace_back(static_cast<float>(p.x()), static_cast<float>(p.y()));
  }
  return points;
}

}  // namespace irisdet
