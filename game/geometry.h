#pragma once
#include <atomic>
#include <cstdint>

#include "game/ports.h"
#include "irisdet.h"  // the camera frame's size, as the detector reports in it

// The playfield, the hidden target, the gaze and the proximity bands. Pure integer
// arithmetic on signed 32-bit values: products before divisions, divisions
// truncating toward zero.
namespace game {

// A point of the camera frame, as the detector samples the eye: x and y, named (only the
// detector's C poll hands them y first).
struct CameraPoint {
  std::int16_t camX = 0, camY = 0;
};

// The coloured square that shows the gaze: 32 px a side. Its distance to the target is
// measured from 16 px right of and below the gaze point, it is drawn 10 px up and left
// of it, and the gaze is held back to 22 px short of the far edges when the square would
// cross them (22, not 32: the square may overhang the edge by 10 px, as the game requires).
inline constexpr std::int32_t kIndicatorSide = 32;
inline constexpr std::int32_t kMeasuringOffset = 16;
inline constexpr std::int32_t kDrawingOffset = -10;
inline constexpr std::int32_t kEdgeClamp = 22;

// The "Mida" field's first value: the target's size in picture-area pixels.
inline constexpr std::int32_t kDefaultTolerance = 20;

struct PlayfieldRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::int32_t W() const { return right - left; }
  std::int32_t H() const { return bottom - top; }
};

// Written on the UI thread at every "Activa" click, read by the tracking loop.
struct TargetPoint {
  std::atomic<std::int32_t> targetCamX{0}, targetCamY{0}, targetX{0}, targetY{0};
};

struct PicturePoint {
  std::int32_t x, y;  // picture-area pixels
  bool operator==(const PicturePoint&) const = default;
};

struct GazePoint {
  std::int32_t gazeX = 0, gazeY = 0;
};

enum class ProximityBand { Green, Red, Orange, LightBlue, Blue };
inline constexpr int kProximityBands = 5;

// The two flip options of the window; on only when the box's state is exactly 1.
class FlipOptions {
 public:
  virtual ~FlipOptions() = default;
  virtual bool FlipVertical() const = 0;
  virtual bool FlipHorizontal() const = 0;
};

// The flip boxes as the tracking loop reads them, off the UI thread: written at every
// click on them.
class FlipBoxes final : public FlipOptions {
 public:
  void Set(bool vertical, bool horizontal) { vertical_ = vertical, horizontal_ = horizontal; }
  bool FlipVertical() const override { return vertical_; }
  bool FlipHorizontal() const override { return horizontal_; }

 private:
  std::atomic<bool> vertical_{false}, horizontal_{false};
};

void PickTarget(const PlayfieldRect& playfield, TargetPoint& target, Clock& clock, Chance& chance);
GazePoint MapGaze(std::int16_t camX, std::int16_t camY, const PlayfieldRect& playfield, const FlipOptions& flips);
std::int32_t Distance(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
ProximityBand ClassifyBand(std::int32_t d, std::int32_t s);
bool IsNear(std::int32_t d, std::int32_t s);
bool InHorizontalWindow(std::int32_t gazeX, std::int32_t targetX, std::int32_t s);

// The beep interval of a band in ms; 0 for Green, which has none.
int BandInterval(ProximityBand band);

}  // namespace game
