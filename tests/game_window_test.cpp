#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "game/effect_channel.h"
#include "res/resource_ids.h"
#include "tests/fakes.h"
#include "tests/qt_wait.h"
#include "ui/calibration_overlay.h"
#include "ui/glimmo2Dlg.h"
#include "ui/template_builder.h"
#include "video/Showpic.h"

namespace {

using Effects = std::vector<std::string>;

// Walks the gaze through camera points, one per poll, then holds the last one.
class WalkingEyes : public game::EyeSource {
 public:
  explicit WalkingEyes(std::vector<std::pair<std::int16_t, std::int16_t>> path) : path_(std::move(path)) {}
  std::int32_t Start() override { return startResult; }
  void Stop() override {}
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::size_t i = std::min<std::size_t>(next_++, path_.size() - 1);
    sample = {path_[i].first, path_[i].second};
    return 1;
  }
  std::int32_t startResult = 0;

 private:
  std::vector<std::pair<std::int16_t, std::int16_t>> path_;
  std::atomic<std::size_t> next_{0};
};

QRgb Centre(const QImage& image) { return image.pixel(image.width() / 2, image.height() / 2); }
QRgb Centre(const QPixmap& pixmap) { return Centre(pixmap.toImage()); }
// The colour at the middle of picture n, as the reveal must show it on the target.
QRgb PictureCentre(int n) { return Centre(QImage(QStringLiteral("dibuix%1.bmp").arg(n))); }

class GameWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<CGlimmo2Dlg> Open(game::EyeSource& eyes, game::ThreadLauncher launch = {}) {
    DialogServices services;
    services.detector = &eyes;
    services.gazeCalibrator = &looks;
    services.clock = &clock;
    services.chance = &chance;
    services.launch = launch ? std::move(launch) : workers.Launcher();
    services.playSound = [this](const std::string& name) {
      std::lock_guard lock(mutex);
      if (name != "start1.wav") sounds.push_back(name);  // beeps come with real time; skip them
    };
    auto dialog = std::make_unique<CGlimmo2Dlg>(nullptr, std::move(services));
    dialog->show();
    return dialog;
  }
  Effects Sounds() {
    std::lock_guard lock(mutex);
    return sounds;
  }
  test::NotedLooks looks;
  test::CountedWorkers workers;
  test::FakeClock clock;
  test::ScriptedChance chance{{100, 100, 2, 2}};  // target at camera (100, 100), then eureka 2 and picture 2
  std::mutex mutex;
  Effects sounds;
};

TEST_F(GameWindowTest, TheGazeWalksOntoTheTargetInBeepMode) {
  // W = 786, H = 486: the target lands at (663, 101); the last sample measures d < 20.
  WalkingEyes eyes({{100, 400}, {100, 400}, {450, 150}, {480, 120}, {500, 100}, {527, 84}});
  auto dialog = Open(eyes);
  QTest::mouseClick(ui::FindControl(*dialog, res::kDetector), Qt::LeftButton);
  auto* activa = qobject_cast<QPushButton*>(ui::FindControl(*dialog, res::kActiva));
  QTest::mouseClick(activa, Qt::LeftButton);
  EXPECT_TRUE(ui::FindControl(*dialog, res::kSolucio)->isEnabled());
  ASSERT_TRUE(test::WaitUntil([&] { return !Sounds().empty(); }));
  EXPECT_EQ(dialog->Controller().Session().Target().targetX, 663);
  EXPECT_EQ(dialog->Controller().Session().Target().targetY, 101);
  EXPECT_EQ(Sounds(), Effects{"eureka2.wav"});
  EXPECT_EQ(test::CueTimerInterval(*dialog), 0);  // killed at the find
  auto* indicator = qobject_cast<QLabel*>(ui::FindControl(*dialog, res::kIndicator));
  EXPECT_EQ(indicator->geometry(), QRect(647 - 10, 85 - 10, 32, 32));
  EXPECT_EQ(Centre(indicator->pixmap()), qRgb(0, 255, 0));
  // Picture 2 centred on the target, in the control's window coordinates.
  auto* picture = qobject_cast<CShowpic*>(ui::FindControl(*dialog, res::kPicture));
  const QImage shown = picture->grab().toImage();
  EXPECT_EQ(shown.pixel(663, 101), PictureCentre(2));
  EXPECT_NE(PictureCentre(2), shown.pixel(663 - 61, 101));  // and no wider than the picture
  EXPECT_TRUE(activa->isChecked());                         // found: still pressed
  QTest::mouseClick(activa, Qt::LeftButton);
  EXPECT_FALSE(ui::FindControl(*dialog, res::kSolucio)->isEnabled());
}

TEST_F(GameWindowTest, SolucioRevealsDuringAGameAndAPaintNeverDoes) {
  WalkingEyes eyes({{0, 0}});
  auto dialog = Open(eyes);
  auto* picture = qobject_cast<CShowpic*>(ui::FindControl(*dialog, res::kPicture));
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  // The target is chosen: a paint now, where the picture would go, shows no picture.
  dialog->grab();  // paints the whole window, as the window system asks
  EXPECT_NE(picture->grab().toImage().pixel(663, 101), PictureCentre(2));
  QTest::mouseClick(ui::FindControl(*dialog, res::kSolucio), Qt::LeftButton);  // draws picture 2
  const QImage shown = picture->grab().toImage();
  EXPECT_EQ(shown.pixel(663, 101), PictureCentre(2));
  // Its first stored pixel, bottom-left, is the window's background colour: white, not grey.
  EXPECT_EQ(shown.pixel(663 - 60, 101 + 59), dialog->palette().color(QPalette::Base).rgb());
  EXPECT_NE(dialog->palette().color(QPalette::Base), dialog->palette().color(QPalette::Window));
  dialog->OnCancel();
}

// A channel to the window, as a game's: what a stopped game posted never reaches the window.
TEST_F(GameWindowTest, AClosedOrReopenedChannelDropsWhatTheOldGamePosted) {
  WalkingEyes eyes({{0, 0}});
  auto dialog = Open(eyes);
  auto* status = qobject_cast<QLabel*>(ui::FindControl(*dialog, res::kStatus));
  game::EffectChannel channel(*dialog, [&dialog](std::function<void()> call) {
    QMetaObject::invokeMethod(dialog.get(), std::move(call), Qt::QueuedConnection);
  });
  std::unique_ptr<game::TrackingView> game = channel.Open();
  game->SetStatusText("posted, then closed");
  channel.Close();
  QCoreApplication::processEvents();
  EXPECT_NE(status->text(), "posted, then closed");
  std::unique_ptr<game::TrackingView> next = channel.Open();
  game->SetStatusText("the old game, after the new one opened");
  next->SetStatusText("the new game");
  QCoreApplication::processEvents();
  EXPECT_EQ(status->text(), "the new game");
  next->SetStatusText("the new game, later");
  QCoreApplication::processEvents();
  EXPECT_EQ(status->text(), "the new game, later");  // in order, and only the open channel
}

TEST_F(GameWindowTest, ClosingDuringAGameWaitsForTheWorker) {
  WalkingEyes eyes({{0, 0}});
  auto dialog = Open(eyes);
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  ASSERT_TRUE(workers.Running());
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(workers.Running());
  EXPECT_EQ(test::CueTimerInterval(*dialog), 0);
}

// Eyes the test switches on and off; they note what the player asks of the tracking.
class ToggledEyes : public game::EyeSource {
 public:
  std::int32_t Start() override { return 0; }
  void Stop() override {}
  std::int32_t Poll(game::CameraPoint& sample) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool eye = seesEye;
    ++polls;
    if (!eye) return 0;
    sample = {600, 400};
    return 1;
  }
  // Once a poll has seen no eye, the worker reads the clock no more until one comes.
  void LoseTheFace() {
    seesEye = false;
    for (const int seen = polls + 1; polls <= seen;) std::this_thread::yield();
  }
  std::atomic<int> polls{0};
  void SetTracking(IrisdetTracking tracking) override { trackings.push_back(inUse = tracking); }
  IrisdetTracking TrackingInUse() override { return inUse; }
  void Recentre() override { ++recentres; }
  IrisdetTracking inUse = IRISDET_TRACKING_COMFORT;
  std::atomic<bool> seesEye{false};
  std::vector<IrisdetTracking> trackings;
  int recentres = 0;
  // The computer's cameras, as the detector lists them; asked on the menu's own thread.
  std::vector<game::CameraChoice> Cameras() override {
    std::lock_guard lock(camerasMutex);
    return cameras;
  }
  void ChooseCamera(const std::string& device) override { chosen.push_back(device); }
  void Plug(game::CameraChoice camera) {
    std::lock_guard lock(camerasMutex);
    cameras.push_back(std::move(camera));
  }
  std::mutex camerasMutex;
  std::vector<game::CameraChoice> cameras;
  std::vector<std::string> chosen;
};

QAction* MenuItem(QMenu* menu, const QString& text) {
  for (QAction* action : menu->actions()) {
    if (action->text() == text) return action;
    if (action->menu())
      if (QAction* inner = MenuItem(action->menu(), text)) return inner;
  }
  return nullptr;
}

TEST_F(GameWindowTest, TheSquareWaitsAtTheCentreAndTheHintComesAndGoes) {
  ToggledEyes eyes;
  auto dialog = Open(eyes);
  auto* indicator = ui::FindControl(*dialog, res::kIndicator);
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  // The camera's centre (320, 240) maps to (393, 243) of the 786 x 486 picture area.
  ASSERT_TRUE(test::WaitUntil([&] { return indicator->geometry() == QRect(383, 233, 32, 32); }));
  EXPECT_FALSE(test::NoFaceHintShown(*dialog));
  clock.ticks += 1001;  // a second without a face
  ASSERT_TRUE(test::WaitUntil([&] { return test::NoFaceHintShown(*dialog); }));
  auto* hint = dialog->findChild<QLabel*>(QStringLiteral("noFaceHint"));
  EXPECT_EQ(hint->text(), QStringLiteral("No et veig: posa't davant de la càmera"));
  EXPECT_TRUE(hint->testAttribute(Qt::WA_TransparentForMouseEvents));  // never in the way of a click
  eyes.seesEye = true;
  ASSERT_TRUE(test::WaitUntil([&] { return !test::NoFaceHintShown(*dialog); }));
  eyes.LoseTheFace();
  clock.ticks += 5000;
  ASSERT_TRUE(test::WaitUntil([&] { return test::NoFaceHintShown(*dialog); }));
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);  // stopped: gone
  EXPECT_FALSE(test::NoFaceHintShown(*dialog));
}

TEST_F(GameWindowTest, TrackingChoicesAndRecentringReachTheDetector) {
  ToggledEyes eyes;
  auto dialog = Open(eyes);
  QAction* eyesItem = MenuItem(dialog->SystemMenu(), QStringLiteral("Posició dels ulls"));
  QAction* comfortItem = MenuItem(dialog->SystemMenu(), QStringLiteral("Còmode (moviment del cap)"));
  ASSERT_TRUE(eyesItem && comfortItem);
  EXPECT_TRUE(comfortItem->isChecked());  // the default
  eyesItem->trigger();
  EXPECT_TRUE(eyesItem->isChecked());
  EXPECT_FALSE(comfortItem->isChecked());
  comfortItem->trigger();
  EXPECT_EQ(eyes.trackings, (std::vector<IrisdetTracking>{IRISDET_TRACKING_EYES, IRISDET_TRACKING_COMFORT}));
  MenuItem(dialog->SystemMenu(), QStringLiteral("&Centra la posició\tC"))->trigger();
  QTest::keyClick(dialog.get(), Qt::Key_C);
  EXPECT_EQ(eyes.recentres, 2);
}

TEST_F(GameWindowTest, TheGazeItemShowsTheDotAndEscEndsOnlyTheCalibration) {
  ToggledEyes eyes;
  auto dialog = Open(eyes);
  MenuItem(dialog->SystemMenu(), QStringLiteral("Mirada (moviment dels ulls)"))->trigger();
  auto* overlay = dialog->findChild<CalibrationOverlay*>(QStringLiteral("calibrationOverlay"));
  ASSERT_TRUE(overlay);
  EXPECT_TRUE(overlay->isVisible());
  EXPECT_EQ(overlay->Dot(), QPoint(393, 243));  // the picture area's centre first
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(overlay->isVisible());
  EXPECT_TRUE(dialog->isVisible());  // the window stays
  EXPECT_EQ(eyes.inUse, IRISDET_TRACKING_COMFORT);
  QMenu* trackingMenu = MenuItem(dialog->SystemMenu(), QStringLiteral("&Seguiment"))->menu();
  emit trackingMenu->aboutToShow();
  EXPECT_TRUE(MenuItem(dialog->SystemMenu(), QStringLiteral("Còmode (moviment del cap)"))->isChecked());
  // A click on the picture area cancels it too.
  MenuItem(dialog->SystemMenu(), QStringLiteral("Mirada (moviment dels ulls)"))->trigger();
  ASSERT_TRUE(overlay->isVisible());
  QTest::mouseClick(overlay, Qt::LeftButton);
  EXPECT_FALSE(overlay->isVisible());
}

TEST_F(GameWindowTest, ACalibrationDuringAGameHidesTheSquareAndPlaysNothingAndEscLetsItGoOn) {
  ToggledEyes eyes;
  eyes.seesEye = true;  // far from the target: a spoken cue as soon as the hold-off allows
  auto dialog = Open(eyes);
  auto* indicator = ui::FindControl(*dialog, res::kIndicator);
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return Sounds().size() == 1; }));
  MenuItem(dialog->SystemMenu(), QStringLiteral("Mirada (moviment dels ulls)"))->trigger();
  ASSERT_TRUE(dialog->Controller().Calibrating());
  EXPECT_FALSE(indicator->isVisible());
  EXPECT_EQ(test::CueTimerInterval(*dialog), 0);
  const QRect where = indicator->geometry();
  clock.ticks += 5000;  // the cues' hold-off long over
  const int polls = eyes.polls;
  ASSERT_TRUE(test::WaitUntil([&] { return eyes.polls > polls + 20; }));  // the loop goes on, paused
  QApplication::processEvents();
  EXPECT_EQ(Sounds().size(), 1u);
  EXPECT_FALSE(indicator->isVisible());
  EXPECT_EQ(indicator->geometry(), where);
  EXPECT_EQ(test::CueTimerInterval(*dialog), 0);
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog->Controller().Calibrating());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(indicator->isVisible());
  EXPECT_TRUE(test::WaitUntil([&] { return Sounds().size() == 2; })) << "the game goes on after the calibration";
  EXPECT_TRUE(workers.Running());
  dialog->OnCancel();
}

TEST_F(GameWindowTest, SortirTheCloseBoxAndTheMenusCloseEndTheGameDuringACalibration) {
  const std::vector<std::function<void(CGlimmo2Dlg&)>> closes = {
      [](CGlimmo2Dlg& d) { QTest::mouseClick(ui::FindControl(d, res::kIdCancel), Qt::LeftButton); },
      [](CGlimmo2Dlg& d) { d.close(); },
      [](CGlimmo2Dlg& d) { MenuItem(d.SystemMenu(), QStringLiteral("&Tanca"))->trigger(); }};
  for (std::size_t way = 0; way < closes.size(); ++way) {
    ToggledEyes eyes;
    auto dialog = Open(eyes);
    QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
    MenuItem(dialog->SystemMenu(), QStringLiteral("Mirada (moviment dels ulls)"))->trigger();
    ASSERT_TRUE(dialog->Controller().Calibrating());
    closes[way](*dialog);
    EXPECT_FALSE(dialog->isVisible()) << way;
    EXPECT_EQ(dialog->result(), QDialog::Rejected) << way;
    EXPECT_TRUE(test::WaitUntil([&] { return !workers.Running(); })) << way;
  }
}

std::vector<QString> Texts(QMenu* menu) {
  std::vector<QString> texts;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) texts.push_back(action->text());
  return texts;
}

TEST_F(GameWindowTest, TheCameraMenuListsTheCamerasByNameAndAPluggedOneIsThereTheNextTime) {
  ToggledEyes eyes;
  eyes.Plug({"/dev/video0", "Integrated Camera", false});
  eyes.Plug({"/dev/video4", "USB Cam", false});
  eyes.Plug({"/dev/video2", "Integrated IR", true});
  auto dialog = Open(eyes);
  QMenu* cameras = MenuItem(dialog->SystemMenu(), QStringLiteral("C&àmera"))->menu();
  ASSERT_TRUE(cameras);
  emit cameras->aboutToShow();  // listed on a thread of its own, shown when it comes
  ASSERT_TRUE(test::WaitUntil([&] { return Texts(cameras).size() == 3; }));
  EXPECT_EQ(Texts(cameras), (std::vector<QString>{"Integrated Camera", "USB Cam", "Integrated IR (infraroja)"}));
  EXPECT_TRUE(cameras->actions()[0]->isChecked());  // the first colour camera, none being chosen
  cameras->actions()[1]->trigger();
  EXPECT_EQ(eyes.chosen, std::vector<std::string>{"/dev/video4"});
  eyes.Plug({"/dev/video6", "Teacher's Cam", false});
  emit cameras->aboutToShow();
  EXPECT_TRUE(test::WaitUntil([&] { return Texts(cameras).size() == 4; }));
}

TEST_F(GameWindowTest, InGazeTrackingThePictureSolucioShowsIsLookedAt) {
  ToggledEyes eyes;
  eyes.inUse = IRISDET_TRACKING_GAZE;
  auto dialog = Open(eyes);
  QTest::mouseClick(ui::FindControl(*dialog, res::kActiva), Qt::LeftButton);
  QTest::mouseClick(ui::FindControl(*dialog, res::kSolucio), Qt::LeftButton);
  ASSERT_TRUE(test::WaitUntil([&] { return !looks.ended.empty(); }));
  EXPECT_EQ(looks.ended, std::vector<game::GazeCalibrator::Use>{game::GazeCalibrator::Use::kFind});
  EXPECT_EQ(looks.lookedAt.size(), 1u);
  dialog->OnCancel();
}

TEST_F(GameWindowTest, TheMenuTicksTheTrackingTheDetectorUses) {
  ToggledEyes eyes;
  eyes.inUse = IRISDET_TRACKING_EYES;  // as IRISDET_TRACKING=eyes chooses it
  auto dialog = Open(eyes);
  EXPECT_TRUE(MenuItem(dialog->SystemMenu(), QStringLiteral("Posició dels ulls"))->isChecked());
  EXPECT_FALSE(MenuItem(dialog->SystemMenu(), QStringLiteral("Còmode (moviment del cap)"))->isChecked());
}

}  // namespace
