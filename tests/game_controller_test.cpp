// The game's controller without a window: a screen that notes what the game asks of
// the widgets, and the mouse as the eyes.
#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <vector>

#include "tests/fakes.h"
#include "tests/qt_wait.h"
#include "ui/game_controller.h"

namespace {

class NotedScreen final : public ui::GameScreen {
 public:
  bool ActivaPressed() const override { return pressed; }
  void EnableSolution(bool enabled) override { solutionEnabled = enabled; }
  void Tell(Notice, const QString& text) override { told.push_back(text); }
  void ShowIndicator() override {}
  void ClearReveal() override {}
  void SetIndicatorBitmap(game::ProximityBand) override {}
  void MoveIndicator(std::int32_t left, std::int32_t top) override { moves.emplace_back(left, top); }
  void SetStatusText(const QString&) override {}
  void ShowReveal(int, const game::TargetPoint&) override {}
  void ShowNoFaceHint(bool shown) override { hintShown = shown; }
  QPoint PointerInPicture() const override { return pointer; }

  bool pressed = false;
  bool solutionEnabled = false;
  bool hintShown = false;
  QPoint pointer{393, 243};
  std::vector<QString> told;
  std::vector<QPoint> moves;
};

class GameControllerTest : public ::testing::Test {
 protected:
  ui::GameController& Make(bool soundOpens) {
    DialogServices services;
    services.pointerFromStart = true;  // the mouse plays: no camera here
    services.clock = &clock;
    services.chance = &chance;
    services.playSound = [](const std::string&) {};
    services.soundAvailable = [soundOpens] { return soundOpens; };
    controller = std::make_unique<ui::GameController>(screen, std::move(services), [] {});
    controller->SetPlayfield({0, 0, 786, 486});
    return *controller;
  }
  void Click(ui::GameController& game) {
    screen.pressed = !screen.pressed;  // "Activa" stays down during a game
    game.OnActivaClicked();
  }
  NotedScreen screen;
  test::FakeClock clock;
  test::ScriptedChance chance{{100, 100}};
  std::unique_ptr<ui::GameController> controller;
};

TEST_F(GameControllerTest, AGameWithTheMouseMovesTheSquareUnderThePointerAndAStopEndsIt) {
  ui::GameController& game = Make(true);
  Click(game);
  EXPECT_TRUE(screen.solutionEnabled);
  // The 32 px square centred under the pointer, to the pixel the camera's grid allows.
  ASSERT_TRUE(test::WaitUntil([&] { return !screen.moves.empty() && screen.moves.back() == QPoint(376, 226); }));
  screen.pointer = QPoint(100, 50);
  ASSERT_TRUE(test::WaitUntil([&] { return screen.moves.back() == QPoint(83, 33); }));
  Click(game);
  EXPECT_TRUE(test::WaitUntil([&] { return !game.Session().WorkerRunning(); })) << "the stop must end the game";
  EXPECT_FALSE(screen.hintShown);
  EXPECT_TRUE(screen.told.empty());
}

TEST_F(GameControllerTest, WithoutSoundTheFirstGameSaysSoAndNoOtherDoes) {
  ui::GameController& game = Make(false);
  Click(game);
  Click(game);
  Click(game);
  ASSERT_EQ(screen.told.size(), 1u);
  EXPECT_TRUE(screen.told[0].startsWith(QStringLiteral("No s'ha pogut obrir la sortida de so")))
      << screen.told[0].toStdString();
  Click(game);
}

}  // namespace
