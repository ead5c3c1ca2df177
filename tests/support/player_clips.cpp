#include "tests/support/player_clips.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "irisdet.h"

namespace irisdet {
namespace {

const cv::Point2f kPlayerAt(320, 215), kRight(500, 225), kLeft(140, 225);
const cv::Point2f kOffRight(780, 225), kOffLeft(-140, 225);
const cv::Scalar kCard(200, 212, 222);  // a plain light card

// From `from` at `t0` to `to` at `t1`, in a straight line.
cv::Point2f Between(cv::Point2f from, cv::Point2f to, double t0, double t1, double t) {
  const float share = static_cast<float>(std::clamp((t - t0) / (t1 - t0), 0.0, 1.0));
  return from + share * (to - from);
}

cv::Point2f Apply(const cv::Matx23d& m, cv::Point2f p) {
  return {static_cast<float>(m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2)),
          static_cast<float>(m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2))};
}

// A room's wall: light at the top, darker below, with a faint texture.
cv::Mat Wall() {
  cv::Mat wall(IRISDET_FRAME_HEIGHT, IRISDET_FRAME_WIDTH, CV_8UC3),
      texture(IRISDET_FRAME_HEIGHT / 8, IRISDET_FRAME_WIDTH / 8, CV_8UC3);
  for (int y = 0; y < IRISDET_FRAME_HEIGHT; ++y)
    wall.row(y).setTo(cv::Scalar(165, 172, 180) - cv::Scalar::all(50.0 * y / IRISDET_FRAME_HEIGHT));
  cv::RNG(5).fill(texture, cv::RNG::UNIFORM, -12, 12);
  cv::resize(texture, texture, wall.size(), 0, 0, cv::INTER_CUBIC);
  cv::add(wall, texture, wall);
  cv::rectangle(wall, cv::Rect(40, 60, 90, 420), cv::Scalar(95, 105, 120), cv::FILLED);  // a door
  return wall;
}

// The person's head from the photo, at `eyes` in the frame, turned by `degrees` and
// scaled so the pupils are `interocular` apart, drawn over `frame` with a soft edge.
MarkedPupils DrawHead(cv::Mat& frame, const MarkedFrame& photo, cv::Point2f eyes, float interocular, double degrees) {
  const MarkedPupils& p = photo.pupils;
  const cv::Point2f across = p.left - p.right;
  const double tilt = std::atan2(across.y, across.x) * 180 / CV_PI;
  cv::Matx23d place = cv::getRotationMatrix2D(p.Midpoint(), tilt + degrees, interocular / p.interocular);
  place(0, 2) += eyes.x - p.Midpoint().x, place(1, 2) += eyes.y - p.Midpoint().y;
  // The head: an ellipse around the face and hair, below the eyes' line, upright in the photo.
  cv::Mat mask(photo.frame.size(), CV_32F, cv::Scalar(0));
  const cv::Point2f down(-across.y / p.interocular, across.x / p.interocular);
  cv::ellipse(mask,
              cv::RotatedRect(p.Midpoint() + 0.35f * p.interocular * down,
                              cv::Size2f(2.6f * p.interocular, 3.7f * p.interocular), static_cast<float>(tilt)),
              cv::Scalar(1), cv::FILLED, cv::LINE_AA);
  cv::GaussianBlur(mask, mask, cv::Size(), 0.15 * p.interocular);
  cv::Mat head, alpha;
  cv::warpAffine(photo.frame, head, place, frame.size(), cv::INTER_AREA, cv::BORDER_REPLICATE);
  cv::warpAffine(mask, alpha, place, frame.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
  cv::Mat alpha3, blended;
  cv::cvtColor(alpha, alpha3, cv::COLOR_GRAY2BGR);
  frame.convertTo(blended, CV_32FC3);
  head.convertTo(head, CV_32FC3);
  blended += alpha3.mul(head - blended);
  blended.convertTo(frame, CV_8UC3);
  MarkedPupils placed{Apply(place, p.left), Apply(place, p.right), interocular};
  return placed;
}

bool InView(const MarkedPupils& pupils) {
  const cv::Point2f mid = pupils.Midpoint();
  return mid.x >= 0 && mid.x < IRISDET_FRAME_WIDTH && mid.y >= 0 && mid.y < IRISDET_FRAME_HEIGHT;
}

}  // namespace

const ScriptInfo& About(Script script) {
  static const ScriptInfo kAbout[] = {{"enters", "another person comes in and stays", 12.0},
                                      {"covered", "the player covered, another person in view", 13.0},
                                      {"crossing", "another person crosses in front of the player", 11.0},
                                      {"leaves", "the player leaves for good", 10.0}};
  return kAbout[static_cast<int>(script)];
}

PlayerClip::PlayerClip(const MarkedFrame& player, const MarkedFrame& other, Script script)
    : player_(player), other_(other), script_(script), wall_(Wall()) {}

int PlayerClip::Frames() const { return static_cast<int>(About(script_).seconds * kFps); }

std::vector<std::pair<double, double>> PlayerClip::Covers() const {
  if (script_ != Script::kCovered) return {};
  return {{4.0, 4.2}, {6.0, 6.8}, {9.0, 10.8}};
}

// A person sways and turns a little all the time, each at their own pace.
PersonInFrame PlayerClip::Draw(cv::Mat& frame, const MarkedFrame& photo, cv::Point2f eyes, double t, int who) const {
  const double phase = 1.7 * who;
  const cv::Point2f sway(static_cast<float>(3 * std::sin(2 * CV_PI * t / 2.3 + phase)),
                         static_cast<float>(2 * std::sin(2 * CV_PI * t / 3.1 + phase)));
  const double turn = 2.5 * std::sin(2 * CV_PI * t / 2.9 + phase);
  const float size = kInterocular * static_cast<float>(1 + 0.03 * std::sin(2 * CV_PI * t / 3.7 + phase));
  PersonInFrame person;
  person.pupils = DrawHead(frame, photo, eyes + sway, size, turn);
  person.inView = InView(person.pupils);
  return person;
}

ClipFrame PlayerClip::At(int index) const {
  ClipFrame clip;
  clip.seconds = index / kFps;
  const double t = clip.seconds;
  cv::Point2f player = kPlayerAt, other;
  switch (script_) {
    case Script::kEnters:
      other = Between(kOffRight, kRight, 3, 4, t);
      break;
    case Script::kCovered:
      other = Between(kOffLeft, kLeft, 2, 3, t);
      break;
    case Script::kCrossing:
      other = t < 4   ? Between(kOffLeft, kLeft, 2, 3, t)
              : t < 7 ? Between(kLeft, kRight, 4, 6, t)
                      : Between(kRight, kLeft, 7, 9, t);
      clip.otherInFront = true;
      break;
    case Script::kLeaves:
      other = Between(kOffRight, kRight, 1, 2, t);
      player = Between(kPlayerAt, kOffLeft, 5, 5.7, t);
      break;
  }
  clip.frame = wall_.clone();
  if (clip.otherInFront) {
    clip.player = Draw(clip.frame, player_, player, t, 0);
    clip.other = Draw(clip.frame, other_, other, t, 1);
  } else {
    clip.other = Draw(clip.frame, other_, other, t, 1);
    clip.player = Draw(clip.frame, player_, player, t, 0);
  }
  for (const auto& [from, to] : Covers())
    if (t >= from && t < to) {
      const cv::Point2f centre = clip.player.pupils.Midpoint() + cv::Point2f(0, 0.45f * kInterocular);
      cv::rectangle(clip.frame,
                    cv::Rect(cv::Point(centre - cv::Point2f(1.5f, 1.9f) * kInterocular),
                             cv::Size(cvRound(3.0f * kInterocular), cvRound(3.8f * kInterocular))),
                    kCard, cv::FILLED);
      clip.player.covered = true;
    }
  AsFromAWebcam(clip.frame, static_cast<unsigned>(1000 * static_cast<int>(script_) + index));
  return clip;
}

cv::Mat ArrangeFaces(const std::vector<PlacedFace>& faces, unsigned seed) {
  cv::Mat frame = Wall();
  for (const PlacedFace& face : faces) DrawHead(frame, *face.photo, face.eyes, face.interocular, 0.0);
  AsFromAWebcam(frame, seed);
  return frame;
}

}  // namespace irisdet
