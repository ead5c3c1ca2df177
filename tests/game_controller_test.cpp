// The game's controller without a window: a view that notes what the game asks of it,
// and the mouse as the eyes.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/fakes.h"
#include "tests/qt_wait.h"
#include "ui/game_controller.h"

namespace {

class NotedView final : public game::View {
 public:
  void ShowIndicator() override { indicatorShown = true; }
  void InvalidatePlayfield() override {}
  void SetIndicatorBitmap(game::ProximityBand) override {}
  void MoveIndicator(std::int32_t left, std::int32_t top) override { moves.push_back({left, top}); }
  void SetStatusText(const std::string&) override {}
  void SetCueTimer(int) override {}
  void KillCueTimer() override {}
  void PlaySound(const std::string&) override {}
  void RevealPicture(int) override {}
  void ShowDot(std::optional<game::PicturePoint> at) override { dots.push_back(at); }
  void ShowDotNote(const std::string& note) override { notes.push_back(note); }
  void HideIndicator() override { indicatorShown = false; }
  void EnableSolution(bool enabled) override { solutionEnabled = enabled; }
  void Tell(Notice, const std::string& text) override { told.push_back(text); }
  void ShowNoFaceHint(bool shown) override { hintShown = shown; }
  game::PicturePoint PointerInPicture() const override { return pointer; }

  bool pressed = false;
  bool solutionEnabled = false;
  bool hintShown = false;
  bool indicatorShown = true;
  std::vector<std::string> notes;
  game::PicturePoint pointer{393, 243};
  std::vector<std::string> told;
  std::vector<game::PicturePoint> moves;
  std::vector<std::optional<game::PicturePoint>> dots;
};

// The detector as far as the gaze calibration reaches it: started, stopped, its tracking.
class StandInDetector final : public game::EyeSource {
 public:
  std::int32_t Start() override { return started = true, 0; }
  void Stop() override { started = false; }
  std::int32_t Poll(game::CameraPoint&) override { return 0; }
  void SetTracking(IrisdetTracking tracking) override { inUse = tracking; }
  IrisdetTracking TrackingInUse() override { return inUse; }
  game::CameraState Camera() override { return camera; }
  std::string Failure() override { return "No s'ha pogut obrir la càmera «Webcam»."; }
  game::CameraState camera = game::CameraState::kDelivering;
  bool started = false;
  IrisdetTracking inUse = IRISDET_TRACKING_COMFORT;
};

class GameControllerTest : public ::testing::Test {
 protected:
  ui::GameController& Make(bool soundOpens, bool withDetector = false) {
    DialogServices services;
    services.pointerFromStart = !withDetector;  // the mouse plays: no camera here
    services.detector = &detector;
    services.gazeCalibrator = &looks;
    services.launch = workers.Launcher();
    services.clock = &clock;
    services.chance = &chance;
    services.playSound = [](const std::string&) {};
    services.soundAvailable = [soundOpens] { return soundOpens; };
    controller = std::make_unique<ui::GameController>(screen, std::move(services));
    controller->SetPlayfield({0, 0, 786, 486});
    return *controller;
  }
  void Click(ui::GameController& game) {
    screen.pressed = !screen.pressed;  // "Activa" stays down during a game
    game.SetActive(screen.pressed);
  }
  NotedView screen;
  StandInDetector detector;
  test::NotedLooks looks;
  test::CountedWorkers workers;
  test::FakeClock clock;
  test::ScriptedChance chance{{100, 100}};
  std::unique_ptr<ui::GameController> controller;
};

TEST_F(GameControllerTest, AGameWithTheMouseMovesTheSquareUnderThePointerAndAStopEndsIt) {
  ui::GameController& game = Make(true);
  Click(game);
  EXPECT_TRUE(screen.solutionEnabled);
  // The 32 px square centred under the pointer, to the pixel the camera's grid allows.
  ASSERT_TRUE(test::WaitUntil([&] {
    return !screen.moves.empty() && screen.moves.back() == game::PicturePoint{376, 226};
  }));
  screen.pointer = {100, 50};
  ASSERT_TRUE(test::WaitUntil([&] { return screen.moves.back() == game::PicturePoint{83, 33}; }));
  Click(game);
  EXPECT_TRUE(test::WaitUntil([&] { return !workers.Running(); })) << "the stop must end the game";
  EXPECT_FALSE(screen.hintShown);
  EXPECT_TRUE(screen.told.empty());
}

TEST_F(GameControllerTest, WithoutSoundTheFirstGameSaysSoAndNoOtherDoes) {
  ui::GameController& game = Make(false);
  Click(game);
  Click(game);
  Click(game);
  ASSERT_EQ(screen.told.size(), 1u);
  EXPECT_EQ(screen.told[0].rfind("No s'ha pogut obrir la sortida de so", 0), 0u) << screen.told[0];
  Click(game);
}

TEST_F(GameControllerTest, GazeTrackingStartsWithTheDotAndACancelKeepsTheTrackingBefore) {
  ui::GameController& game = Make(true, true);
  game.SetTracking(IRISDET_TRACKING_EYES);
  game.SetTracking(IRISDET_TRACKING_GAZE);
  ASSERT_TRUE(game.Calibrating());
  ASSERT_EQ(screen.dots.size(), 1u);
  EXPECT_EQ(screen.dots[0], (game::PicturePoint{393, 243}));  // the centre first
  EXPECT_TRUE(detector.started);                              // the camera watches without a game
  EXPECT_EQ(detector.inUse, IRISDET_TRACKING_GAZE);
  game.CancelCalibration();
  EXPECT_FALSE(game.Calibrating());
  EXPECT_FALSE(screen.dots.back());
  EXPECT_FALSE(detector.started);
  EXPECT_EQ(detector.inUse, IRISDET_TRACKING_EYES);
  EXPECT_EQ(looks.ended.back(), game::GazeCalibrator::Use::kDrop);
  // Not calibrated in this run: choosing it again calibrates again.
  game.SetTracking(IRISDET_TRACKING_GAZE);
  EXPECT_TRUE(game.Calibrating());
  game.SetTracking(IRISDET_TRACKING_COMFORT);  // another choice ends it
  EXPECT_FALSE(game.Calibrating());
  EXPECT_EQ(detector.inUse, IRISDET_TRACKING_COMFORT);
}

TEST_F(GameControllerTest, InGazeTrackingARevealedPictureIsLookedAtAsOneMoreCalibrationLook) {
  ui::GameController& game = Make(true, true);
  game.PictureRevealed();  // in comfortable tracking: no look
  detector.inUse = IRISDET_TRACKING_GAZE;
  game.PictureRevealed();
  ASSERT_TRUE(test::WaitUntil([&] { return !looks.ended.empty(); }));
  EXPECT_EQ(looks.ended, std::vector<game::GazeCalibrator::Use>{game::GazeCalibrator::Use::kFind});
  ASSERT_EQ(looks.lookedAt.size(), 1u);
  const game::TargetPoint& target = game.Session().Target();
  const auto expected = game::DotCalibration::CameraPointOf({target.targetX, target.targetY}, game.Playfield());
  EXPECT_EQ(looks.lookedAt[0].camX, expected.camX);
  EXPECT_EQ(looks.lookedAt[0].camY, expected.camY);
}

TEST_F(GameControllerTest, AStopClickDuringACalibrationStopsTheGameAndTheCalibrationGoesOnWithTheCamera) {
  ui::GameController& game = Make(true, true);
  Click(game);
  ASSERT_TRUE(detector.started);
  game.SetTracking(IRISDET_TRACKING_GAZE);
  ASSERT_TRUE(game.Calibrating());
  EXPECT_FALSE(screen.indicatorShown);
  Click(game);  // stop
  EXPECT_TRUE(test::WaitUntil([&] { return !workers.Running(); }));
  EXPECT_TRUE(game.Calibrating());
  EXPECT_TRUE(detector.started);  // still open for the calibration
  EXPECT_EQ(screen.notes, std::vector<std::string>{"Joc aturat. La calibració continua."});
  Click(game);  // a start waits for the calibration's end
  EXPECT_EQ(screen.notes.back(), "El joc començarà quan acabi la calibració.");
  game.CancelCalibration();
  EXPECT_TRUE(screen.indicatorShown);
  EXPECT_TRUE(detector.started);  // the game's now
  Click(game);
  EXPECT_FALSE(detector.started);
}

TEST_F(GameControllerTest, ACameraThatTurnsOutNotToOpenEndsTheCalibrationAndSaysSo) {
  ui::GameController& game = Make(true, true);
  game.SetTracking(IRISDET_TRACKING_GAZE);
  ASSERT_TRUE(game.Calibrating());  // the camera opens on the detector's thread
  detector.camera = game::CameraState::kFailed;
  ASSERT_TRUE(test::WaitUntil([&] { return !game.Calibrating(); }));
  ASSERT_EQ(screen.told.size(), 1u);
  EXPECT_EQ(screen.told[0].rfind("La mirada es calibra amb la càmera, i no s'ha pogut obrir.", 0), 0u);
  EXPECT_EQ(detector.inUse, IRISDET_TRACKING_COMFORT);
  EXPECT_FALSE(detector.started);
}

TEST_F(GameControllerTest, ACameraThatTurnsOutNotToOpenDuringAGameLetsTheMousePlay) {
  ui::GameController& game = Make(true, true);
  Click(game);
  ASSERT_FALSE(game.Session().UsingPointer());
  detector.camera = game::CameraState::kFailed;
  ASSERT_TRUE(test::WaitUntil([&] { return game.Session().UsingPointer(); }));
  EXPECT_EQ(screen.told,
            std::vector<std::string>{"No s'ha pogut obrir la càmera «Webcam». El quadrat seguirà el ratolí."});
  screen.pointer = {100, 50};  // the square follows the mouse from now on
  EXPECT_TRUE(test::WaitUntil([&] {
    return !screen.moves.empty() && screen.moves.back() == game::PicturePoint{83, 33};
  }));
  Click(game);
}

TEST_F(GameControllerTest, InGazeTrackingCentringOffersTheCalibrationAgain) {
  ui::GameController& game = Make(true, true);
  detector.inUse = IRISDET_TRACKING_GAZE;
  game.Recentre();
  EXPECT_TRUE(game.Calibrating());
  game.CancelCalibration();
  EXPECT_EQ(detector.inUse, IRISDET_TRACKING_GAZE);  // the choice before it
}

}  // namespace
