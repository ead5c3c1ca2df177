#pragma once
#include <atomic>
#include <cstdint>
#include <optional>

#include "game/eye_source.h"
#include "game/geometry.h"
#include "game/ports.h"
#include "game/tracking_view.h"

namespace game {

// How the player is told how near the target is: beeps and colours, or spoken directions.
enum class FeedbackMode : std::int32_t { kSpoken, kBeep };

// What the tracking loop reads from the game and the window, and where it acts. Shared
// by the UI thread, which writes the atomics (a click, an option, a pause), and the
// worker, which reads them afresh at every pass and reaches the window only through
// `view`, its end of the effect channel.
struct TrackingContext {
  const PlayfieldRect& playfield;
  const TargetPoint& target;
  const FlipOptions& flips;
  const std::atomic<bool>& stopRequested;
  // A calibration is under way: the loop keeps polling but shows and plays nothing.
  const std::atomic<bool>& paused;
  const std::atomic<FeedbackMode>& feedback;
  const std::atomic<std::int32_t>& tolerance;
  // The detector, or the mouse once the camera could not be opened: switched on the UI
  // thread while the loop polls.
  const std::atomic<EyeSource*>& eyes;
  TrackingView& view;
  Clock& clock;
  Chance& chance;
};

// One run of the hot-and-cold loop: it follows the gaze until a stop is asked for
// at the top of a pass, or the gaze finds the target. Lives on the worker thread only.
class HotColdLoop {
 public:
  explicit HotColdLoop(const TrackingContext& context) : context_(context) {}
  void Run();

 private:
  bool Pass();  // false when the run ends
  void Resumed();
  bool BeepStep(std::int32_t d);
  bool SpokenStep(std::int32_t d, const GazePoint& gaze);
  void Find(FeedbackMode mode);

  const TrackingContext& context_;
  // Kept between passes: a poll without an eye leaves them. Before the first eye the
  // square waits at the centre of the picture area.
  CameraPoint sample_{IRISDET_FRAME_WIDTH / 2, IRISDET_FRAME_HEIGHT / 2};
  std::optional<ProximityBand> lastBeepBand_;
  bool cueSpoken_ = false;
  std::uint32_t lastCueTick_ = 0;
  bool wasPaused_ = false;
};

// The worker thread's entry: runs one loop and ends.
void TrackGaze(const TrackingContext& context);

std::string StatusText(std::int32_t targetX, std::int32_t targetY, const GazePoint& gaze);

}  // namespace game
