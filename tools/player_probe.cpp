// irisdet-lab player EYEDATA_DIR [--write DIR]
// Whether the player keeps the square with someone else in view. Prints how well the
// face signature tells the marked photos' people apart, then plays scripted clips of a
// player and another person (tools/player_clips.h: someone comes in, the player is
// covered, someone crosses in front, the player leaves) through the detector and both
// trackings, and a game's start with several faces in view, and prints the figures.
// With --write, also writes each clip to DIR as an MJPG video, to play in the game
// (IRISDET_SOURCE=DIR/covered-0002-0012.avi) or to time with `irisdet-lab probe`.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>
#include <optional>
#include <string>
#include <vector>

#include "detector/eyes/irises.h"
#include "detector/face/followed_face.h"
#include "detector/pointing/point_reporter.h"
#include "detector/runtime/model_store.h"
#include "tests/support/eye_accuracy.h"
#include "tests/support/measures.h"
#include "tests/support/player_clips.h"
#include "tools/commands.h"
#include "tools/signature_separation.h"

namespace {

namespace fs = std::filesystem;
using irisdet::ClipFrame;
using irisdet::MarkedFrame;
using irisdet::Script;

// The player and the other person of each clip: pairs alike in some way (two men with
// glasses or beards, two dark-haired women, two red-bearded men, two blondes, two men
// with short dark hair).
const std::pair<const char*, const char*> kPairs[] = {{"pexels_0002.png", "pexels_0012.png"},
                                                      {"pexels_0022.png", "pexels_0040.png"},
                                                      {"pexels_0052.png", "pexels_0017.png"},
                                                      {"pexels_0004.png", "pexels_0014.png"},
                                                      {"pexels_0064.png", "pexels_0056.png"}};
constexpr double kPictureAreaScale = 786.0 / 640.0;  // the square moves in picture-area pixels
constexpr double kOnAPerson = 0.5;                   // interocular distances from their eyes' midpoint

// What the detector made of one frame of a clip.
struct Seen {
  bool onPlayer = false, onOther = false;
  int face = 0;
  std::optional<cv::Point2f> comfort;  // the comfortable point reported, if any
  cv::Point2f square;                  // where the square stands: the last comfortable point reported
  double ms = 0;
  irisdet::Search search = irisdet::Search::kNone;
};

bool On(const irisdet::PersonInFrame& person, const std::optional<cv::Point2f>& eyes) {
  return person.inView && eyes && cv::norm(*eyes - person.pupils.Midpoint()) <= kOnAPerson * person.pupils.interocular;
}

// Plays the clip through one locator and the comfortable tracking, frame after frame.
std::vector<Seen> Play(irisdet::FaceLocator& locator, const irisdet::PlayerClip& clip, std::vector<ClipFrame>* truth) {
  locator.Reset();
  irisdet::PointReporter comfort;
  std::vector<Seen> seen;
  cv::Point2f square(320, 240);  // where the game puts it before the first eye
  for (int i = 0; i < clip.Frames(); ++i) {
    ClipFrame frame = clip.At(i);
    const auto begin = std::chrono::steady_clock::now();
    const irisdet::LocatedFace face = locator.Locate(frame.frame, frame.seconds);
    const irisdet::EyeObservation eyes = irisdet::FindIrises(face);
    Seen s;
    s.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    s.search = face.search;
    s.onPlayer = On(frame.player, eyes.Point()), s.onOther = On(frame.other, eyes.Point());
    s.face = eyes.face;
    s.comfort = comfort.Next(eyes, irisdet::MeasureFace(eyes.landmarks), IRISDET_TRACKING_COMFORT, frame.seconds).point;
    if (s.comfort) square = *s.comfort;
    s.square = square;
    seen.push_back(s);
    frame.frame.release();
    truth->push_back(std::move(frame));
  }
  return seen;
}

int FramesAfter(double seconds) { return static_cast<int>(std::ceil(seconds * irisdet::PlayerClip::kFps)); }

// The first frame from `from` on with the point on the player; -1 if none.
int BackOnPlayer(const std::vector<Seen>& seen, int from) {
  for (int i = from; i < static_cast<int>(seen.size()); ++i)
    if (seen[i].onPlayer) return i;
  return -1;
}

int CountOnOther(const std::vector<Seen>& seen, int from, int to) {
  int n = 0;
  for (int i = from; i < to && i < static_cast<int>(seen.size()); ++i) n += seen[i].onOther;
  return n;
}

void ReportEnters(const std::vector<Seen>& seen) {
  const int entry = FramesAfter(3.0);
  int onPlayer = 0;
  for (std::size_t i = entry; i < seen.size(); ++i) onPlayer += seen[i].onPlayer;
  std::printf(" on the player after the entry %.1f%% (%d of %zu frames), on the other %d frames |",
              100.0 * onPlayer / (seen.size() - entry), onPlayer, seen.size() - entry,
              CountOnOther(seen, entry, static_cast<int>(seen.size())));
}

void ReportCovered(const std::vector<Seen>& seen, const irisdet::PlayerClip& clip) {
  std::printf(" on the other %d frames;", CountOnOther(seen, 0, static_cast<int>(seen.size())));
  for (const auto& [from, to] : clip.Covers()) {
    const int covered = FramesAfter(from), uncovered = FramesAfter(to), back = BackOnPlayer(seen, uncovered);
    double moved = 0;
    for (int i = covered; i < uncovered; ++i)
      moved = std::max(moved, cv::norm(seen[i].square - seen[covered - 1].square));
    std::printf(" %.1f s: back %s%d frames after, square moved %.1f px;", to - from, back < 0 ? "never " : "",
                back < 0 ? 0 : back - uncovered, moved * kPictureAreaScale);
  }
  std::printf(" |");
}

// The frames where the other person's eyes pass within two and a half eye distances of the player's.
std::vector<std::pair<int, int>> Crossings(const std::vector<ClipFrame>& truth) {
  std::vector<std::pair<int, int>> spans;
  for (int i = 0; i < static_cast<int>(truth.size()); ++i) {
    const bool near =
        truth[i].other.inView && std::abs(truth[i].other.pupils.Midpoint().x - truth[i].player.pupils.Midpoint().x) <
                                     2.5f * truth[i].player.pupils.interocular;
    if (near && (spans.empty() || spans.back().second != i))
      spans.emplace_back(i, i + 1);
    else if (near)
      spans.back().second = i + 1;
  }
  return spans;
}

void ReportCrossing(const std::vector<Seen>& seen, const std::vector<ClipFrame>& truth) {
  std::printf(" on the other %d frames;", CountOnOther(seen, 0, static_cast<int>(seen.size())));
  for (const auto& [from, to] : Crossings(truth)) {
    const int back = BackOnPlayer(seen, to);
    std::printf(" crossing of %d frames: back %s%d frames after;", to - from, back < 0 ? "never " : "",
                back < 0 ? 0 : back - to);
  }
  std::printf(" |");
}

void ReportLeaves(const std::vector<Seen>& seen, const std::vector<ClipFrame>& truth) {
  int lastOnPlayer = -1, firstOnOther = -1;
  for (int i = 0; i < static_cast<int>(seen.size()); ++i) {
    if (seen[i].onPlayer) lastOnPlayer = i;
    if (seen[i].onOther && firstOnOther < 0 && i > lastOnPlayer) firstOnOther = i;
  }
  int centred = -1;  // the first comfortable point for the new player
  for (int i = std::max(firstOnOther, 0); firstOnOther >= 0 && i < static_cast<int>(seen.size()) && centred < 0; ++i)
    if (seen[i].comfort) centred = i;
  if (firstOnOther < 0 || centred < 0) return (void)std::printf(" the other never followed |");
  const double after = truth[firstOnOther].seconds - truth[lastOnPlayer].seconds - irisdet::FollowedFace::kAwaySeconds;
  const cv::Point2f square = seen[centred].square;
  std::printf(" the other followed %.2f s after the away time; square at (%.0f, %.0f) %.2f s after that |", after,
              square.x, square.y, truth[centred].seconds - truth[firstOnOther].seconds);
}

int FaceChanges(const std::vector<Seen>& seen) {
  int changes = 0, last = 0;
  for (const Seen& s : seen) {
    if (s.face != 0 && last != 0 && s.face != last) ++changes;
    if (s.face != 0) last = s.face;
  }
  return changes;
}

void PlayAll(irisdet::FaceLocator& locator, const std::vector<std::pair<MarkedFrame, MarkedFrame>>& pairs,
             std::vector<double>& followingMs, std::vector<double>& searchMs) {
  for (const Script script : irisdet::kScripts) {
    std::printf("\n%s\n| pair | figures | changes of followed face |\n|---|---|---|\n", irisdet::About(script).what);
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const irisdet::PlayerClip clip(pairs[p].first, pairs[p].second, script);
      std::vector<ClipFrame> truth;
      const std::vector<Seen> seen = Play(locator, clip, &truth);
      for (const Seen& s : seen) (s.search == irisdet::Search::kNone ? followingMs : searchMs).push_back(s.ms);
      std::printf("| %s + %s |", kPairs[p].first, kPairs[p].second);
      if (script == Script::kEnters) ReportEnters(seen);
      if (script == Script::kCovered) ReportCovered(seen, clip);
      if (script == Script::kCrossing) ReportCrossing(seen, truth);
      if (script == Script::kLeaves) ReportLeaves(seen, truth);
      std::printf(" %d |\n", FaceChanges(seen));
    }
  }
}

// Several faces at a game's start: eye midpoints and interocular distances of the
// faces of each arrangement, the first from the pair's player, the second from the
// other person, the third from the next pair's player. Each has a clear likeliest
// player by the rule (a quarter ahead of the next).
struct Arrangement {
  std::vector<std::pair<cv::Point2f, float>> faces;
};
const Arrangement kStarts[] = {
    {{{{320, 215}, 70}, {{520, 225}, 70}}},                    // alike, one in the middle
    {{{{300, 200}, 55}, {{560, 330}, 95}}},                    // a small face in the middle, a large one at the side
    {{{{380, 260}, 90}, {{150, 200}, 60}, {{520, 170}, 55}}},  // the largest near the middle
    {{{{200, 220}, 70}, {{400, 240}, 100}}},                   // the nearer face also nearer the middle
    {{{{120, 230}, 65}, {{330, 230}, 65}, {{530, 230}, 65}}},  // three in a row
    {{{{330, 120}, 60}, {{130, 360}, 75}}},                    // high in the middle, lower at a corner
};

// The box a face detector puts around a face of these eyes: about its cheeks and chin.
cv::Rect2f ApproximateBox(cv::Point2f eyes, float interocular) {
  return {eyes.x - 1.1f * interocular, eyes.y - 0.75f * interocular, 2.2f * interocular, 2.2f * interocular};
}

void ReportStarts(irisdet::FaceLocator& locator, const std::vector<std::pair<MarkedFrame, MarkedFrame>>& pairs) {
  int right = 0, starts = 0;
  std::printf("\nSeveral faces at the start: the face followed on the first frame is the rule's\n");
  for (std::size_t a = 0; a < std::size(kStarts); ++a)
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const MarkedFrame* photos[] = {&pairs[p].first, &pairs[p].second, &pairs[(p + 1) % pairs.size()].first};
      std::vector<irisdet::PlacedFace> placed;
      std::size_t expected = 0;
      for (std::size_t f = 0; f < kStarts[a].faces.size(); ++f) {
        const auto& [eyes, iod] = kStarts[a].faces[f];
        placed.push_back({photos[f], eyes, iod});
        if (irisdet::PlayerLikelihood(ApproximateBox(eyes, iod), {640, 480}) >
            irisdet::PlayerLikelihood(
                ApproximateBox(kStarts[a].faces[expected].first, kStarts[a].faces[expected].second), {640, 480}))
          expected = f;
      }
      locator.Reset();
      const auto point =
          irisdet::FindIrises(locator.Locate(irisdet::ArrangeFaces(placed, static_cast<unsigned>(10 * a + p)))).Point();
      const bool chosen = point && cv::norm(*point - placed[expected].eyes) < kOnAPerson * placed[expected].interocular;
      right += chosen, ++starts;
      if (!chosen) std::printf("  arrangement %zu with %s: not the rule's face\n", a + 1, kPairs[p].first);
    }
  std::printf("the rule's face on %d of %d starts\n", right, starts);
}

// Each clip as an MJPG video, named by its script and its two photos.
void WriteClips(const std::vector<std::pair<MarkedFrame, MarkedFrame>>& pairs, const fs::path& out) {
  fs::create_directories(out);
  for (const Script script : irisdet::kScripts)
    for (std::size_t p = 0; p < pairs.size(); ++p) {
      const irisdet::PlayerClip clip(pairs[p].first, pairs[p].second, script);
      const std::string name = std::string(irisdet::About(script).name) + "-" +
                               fs::path(kPairs[p].first).stem().string().substr(7) + "-" +
                               fs::path(kPairs[p].second).stem().string().substr(7) + ".avi";
      cv::VideoWriter video((out / name).string(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                            irisdet::PlayerClip::kFps, cv::Size(640, 480));
      for (int i = 0; i < clip.Frames(); ++i) video.write(clip.At(i).frame);
      std::printf("wrote %s\n", (out / name).c_str());
    }
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: irisdet-lab player EYEDATA_DIR [looks|clips|starts]   or   irisdet-lab player EYEDATA_DIR --write DIR\n");
  return 2;
}

}  // namespace

int tools::PlayerProbe(int argc, char** argv) {
  const std::string what = argc > 2 ? argv[2] : "all";
  const bool writing = what == "--write";
  if (argc < 2 || argc > 4 || (writing != (argc == 4)) ||
      (!writing && what != "all" && what != "looks" && what != "clips" && what != "starts"))
    return Usage();
  std::string error;
  auto model = irisdet::LoadFaceModel(&error);
  if (!model) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  irisdet::FaceLocator locator(model);
  const fs::path dir = argv[1];
  const irisdet::Truth truth = irisdet::ReadTruth((dir / "truth.csv").string());
  std::vector<std::pair<MarkedFrame, MarkedFrame>> pairs;
  for (const auto& [player, other] : kPairs)
    pairs.push_back({{cv::imread((dir / player).string()), truth.at(player)},
                     {cv::imread((dir / other).string()), truth.at(other)}});
  if (writing) return WriteClips(pairs, argv[3]), 0;
  if (what == "all" || what == "looks") irisdet::PrintSignatureSeparation(locator, dir.string(), truth);
  if (what == "all" || what == "clips") {
    std::vector<double> followingMs, searchMs;
    PlayAll(locator, pairs, followingMs, searchMs);
    std::printf("\nTime per frame on the clips: following %.1f ms median, searching %.1f ms median\n",
                measures::Percentile(followingMs, 0.5), measures::Percentile(searchMs, 0.5));
  }
  if (what == "all" || what == "starts") ReportStarts(locator, pairs);
  return 0;
}
