#include "game/geometry.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace game {

void PickTarget(const PlayfieldRect& playfield, TargetPoint& target, Clock& clock, Chance& chance) {
  SeedWithTime(clock, chance);
  const std::int32_t camX = chance.Draw() % IRISDET_FRAME_WIDTH;
  const std::int32_t camY = chance.Draw() % IRISDET_FRAME_HEIGHT;
  target.targetCamX = camX;
  target.targetCamY = camY;
  // The target's x axis is always mirrored, its y axis never.
  target.targetX = (playfield.W() * (IRISDET_FRAME_WIDTH - camX)) / IRISDET_FRAME_WIDTH;
  target.targetY = (playfield.H() * camY) / IRISDET_FRAME_HEIGHT;
}

GazePoint MapGaze(std::int16_t camX, std::int16_t camY, const PlayfieldRect& playfield, const FlipOptions& flips) {
  const std::int32_t x = camX, y = camY, w = playfield.W(), h = playfield.H();
  GazePoint gaze;
  gaze.gazeY =
      flips.FlipVertical() ? (h * (IRISDET_FRAME_HEIGHT - y)) / IRISDET_FRAME_HEIGHT : (y * h) / IRISDET_FRAME_HEIGHT;
  gaze.gazeX =
      flips.FlipHorizontal() ? (w * (IRISDET_FRAME_WIDTH - x)) / IRISDET_FRAME_WIDTH : (x * w) / IRISDET_FRAME_WIDTH;
  // Only an upper clamp.
  if (gaze.gazeX + kIndicatorSide > w) gaze.gazeX = w - kEdgeClamp;
  if (gaze.gazeY + kIndicatorSide > h) gaze.gazeY = h - kEdgeClamp;
  return gaze;
}

std::int32_t Distance(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  const double dx = std::abs(static_cast<double>(x1) - x2);
  const double dy = std::abs(static_cast<double>(y1) - y2);
  const double d = std::sqrt(dx * dx + dy * dy);
  // Saturate rather than overflow: points that far apart are simply far.
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return d >= kMax ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(d);
}

ProximityBand ClassifyBand(std::int32_t d, std::int32_t s) {
  // Bounds in 64 bits: every tolerance a player can type stays well defined.
  const std::int64_t dist = d, s1 = s, s3 = 3 * s1, s5 = 5 * s1, s13 = 13 * s1;
  if (dist < s1) return ProximityBand::Green;
  if (s1 <= dist && dist < s3) return ProximityBand::Red;
  if (s3 <= dist && dist < s5) return ProximityBand::Orange;
  if (s5 <= dist && dist < s13) return ProximityBand::LightBlue;
  return ProximityBand::Blue;
}

bool IsNear(std::int32_t d, std::int32_t s) { return std::int64_t{d} < 3 * std::int64_t{s}; }

bool InHorizontalWindow(std::int32_t gazeX, std::int32_t targetX, std::int32_t s) {
  const std::int64_t g = gazeX, t = targetX;
  return t - s < g && g < t + s;
}

int BandInterval(ProximityBand band) {
  switch (band) {
    case ProximityBand::Red:
      return 40;
    case ProximityBand::Orange:
      return 80;
    case ProximityBand::LightBlue:
      return 400;
    case ProximityBand::Blue:
      return 1000;
    case ProximityBand::Green:
      break;
  }
  return 0;
}

}  // namespace game
