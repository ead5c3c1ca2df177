#pragma once
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "detector/face/face_signature.h"

// Whose face the detector follows when several people are in view: once a face is
// followed, the square is that player's. Another face never takes it while the
// followed one can be seen; the followed face, lost for a moment (covered, turned away,
// out of the frame), is known again by how it looks and where it was. After the away
// time, or when asked to choose again, the likeliest player is followed: a large face
// near the middle of the frame.
namespace irisdet {

// One face in a frame: the box around its landmarks, in camera pixels, and its look.
struct SeenFace {
  cv::Rect2f box;
  FaceSignature look;
};

// How likely a face is the player's: its width, counted less the farther its centre is
// from the frame's centre (in full at the centre, not at all at a corner).
double PlayerLikelihood(const cv::Rect2f& box, cv::Size frame);

class FollowedFace {
 public:
  // Away longer, and the next face seen is the player's (as the comfortable tracking re-centres).
  static constexpr double kAwaySeconds = 2.0;
  static constexpr float kLookFollows = 0.05f;    // a frame's share in the kept look: light and pose change slowly
  static constexpr double kFarthestReturn = 2.0;  // face widths from where it was lost
  static constexpr double kSizeChange = 1.5;      // at most, either way, from its size when lost

  // Whether the faces of a look over the whole frame are to be chosen among by the rule
  // (none followed, away too long, or asked to choose again) rather than searched for
  // the followed one.
  bool Choosing(double seconds) const;
  // Whether `face` is the followed face: it looks like it, is about its size and not far
  // from where it was.
  bool IsIt(const SeenFace& face) const;
  // The followed face, seen again: its look follows slow changes.
  void Keep(const SeenFace& face, double seconds);
  // The followed face, seen better in the same frame (straightened): its look as now seen.
  void Relook(const SeenFace& face, double seconds);
  // `face`, chosen by the rule, is followed from now on: with the same number when it is
  // the face followed before, with a new one otherwise.
  void Start(const SeenFace& face, double seconds);
  // The next look over the whole frame chooses by the rule.
  void ChooseAgain() { chooseAgain_ = true; }
  void Forget();
  // The followed face's number: the same while it is followed, another for each new
  // player; 0 before the first.
  int Number() const { return number_; }

 private:
  struct Followed {
    FaceSignature first, look;  // as first seen, and as lately seen
    cv::Rect2f box;
    double lastSeen;
  };
  std::optional<Followed> followed_;
  bool chooseAgain_ = false;
  int number_ = 0;
};

}  // namespace irisdet
