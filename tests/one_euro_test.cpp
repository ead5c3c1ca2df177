// The One Euro filter and the point smoother built on it: still stays still, a step is
// followed, noise shrinks and a glance passes quickly.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/core.hpp>

#include "detector/pointing/one_euro.h"

namespace {

TEST(OneEuroTest, StillStaysStillAStepIsFollowedAResetForgets) {
  irisdet::OneEuroFilter filter(1.0, 0.1);
  for (int i = 0; i < 30; ++i) EXPECT_DOUBLE_EQ(filter.Filter(100.0, i / 30.0), 100.0);
  double out = 0.0;
  for (int i = 30; i < 60; ++i) out = filter.Filter(200.0, i / 30.0);
  EXPECT_NEAR(out, 200.0, 1.0);  // a step is reached within a second
  const double firstAfterStep = irisdet::OneEuroFilter(1.0, 0.1).Filter(0.0, 0.0);
  EXPECT_EQ(firstAfterStep, 0.0);
  filter.Reset();
  EXPECT_DOUBLE_EQ(filter.Filter(-50.0, 99.0), -50.0);  // no memory of before
  EXPECT_DOUBLE_EQ(filter.Filter(-40.0, 99.0), -50.0);  // no time passed: nothing new
}

TEST(OneEuroTest, NoiseShrinksFastMovesPassQuickly) {
  irisdet::PointSmoother smoother;
  cv::RNG random(3);
  double rawSum = 0, smoothSum = 0;
  cv::Point2f lastRaw(300, 200), lastSmooth = smoother.Filter(lastRaw, 0.0);
  for (int i = 1; i < 120; ++i) {
    const cv::Point2f raw(300.f + float(random.gaussian(1.0)), 200.f + float(random.gaussian(1.0)));
    const cv::Point2f smooth = smoother.Filter(raw, i / 30.0);
    rawSum += std::pow(cv::norm(raw - lastRaw), 2), smoothSum += std::pow(cv::norm(smooth - lastSmooth), 2);
    lastRaw = raw, lastSmooth = smooth;
  }
  EXPECT_LT(smoothSum, rawSum / 10);
  // A glance of 150 px: most of the way there within two frames.
  const cv::Point2f afterOne = smoother.Filter({450, 200}, 120 / 30.0);
  const cv::Point2f afterTwo = smoother.Filter({450, 200}, 121 / 30.0);
  EXPECT_GT(afterOne.x, 300.f);
  EXPECT_GT(afterTwo.x, 400.f);
}

}  // namespace
