#include "tests/support/face_transforms.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "irisdet.h"

namespace irisdet {
namespace {

cv::Point2f Apply(const cv::Mat& affine, const cv::Point2f& p) {
  const cv::Mat_<double>& m = affine;
  return {static_cast<float>(m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2)),
          static_cast<float>(m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2))};
}

MarkedFrame Warped(const MarkedFrame& photo, const cv::Mat& affine, cv::Size size, int border) {
  MarkedFrame out;
  cv::warpAffine(photo.frame, out.frame, affine, size, cv::INTER_LINEAR, border, cv::Scalar::all(110));
  out.pupils.left = Apply(affine, photo.pupils.left);
  out.pupils.right = Apply(affine, photo.pupils.right);
  out.pupils.interocular = static_cast<float>(cv::norm(out.pupils.left - out.pupils.right));
  return out;
}

// Down the face, perpendicular to the eye line, one interocular distance long.
cv::Point2f DownTheFace(const MarkedPupils& p) {
  const cv::Point2f across = p.left - p.right;
  return {-across.y, across.x};
}

void Compress(cv::Mat& frame, int quality) {
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", frame, jpeg, {cv::IMWRITE_JPEG_QUALITY, quality});
  frame = cv::imdecode(jpeg, cv::IMREAD_COLOR);
}

// How far in front of the eyes each of the 68 points of an average face lies, in
// interocular distances: the jaw falls back toward the ears, the nose stands out.
double Depth(int point) {
  if (point <= 16) return -0.7 + 0.75 * std::cos((point - 8) * CV_PI / 16.0);      // the jaw, ear to ear
  if (point <= 26) return -0.08 + 0.03 * (point <= 21 ? point - 17 : 26 - point);  // the brows
  if (point <= 30) return 0.1 + 0.08 * (point - 27);                               // the nose's bridge to its tip
  if (point <= 35) return point == 33 ? 0.28 : point == 32 || point == 34 ? 0.26 : 0.22;  // the nostrils
  if (point <= 47) return point == 36 || point == 45 ? -0.1 : -0.02;              // the eyes, outer corners back
  return point == 48 || point == 54 || point == 60 || point == 64 ? 0.05 : 0.15;  // the mouth
}

// Copies the triangle `to` of `out` from the triangle `from` of `image`, stretched.
void WarpTriangle(const cv::Mat& image, cv::Mat& out, const cv::Point2f from[3], const cv::Point2f to[3]) {
  const cv::Rect box = cv::boundingRect(std::vector<cv::Point2f>(to, to + 3)) & cv::Rect(0, 0, out.cols, out.rows);
  if (box.area() == 0) return;
  const cv::Point2f local[3] = {to[0] - cv::Point2f(box.tl()), to[1] - cv::Point2f(box.tl()),
                                to[2] - cv::Point2f(box.tl())};
  cv::Mat piece, mask = cv::Mat::zeros(box.size(), CV_8U);
  cv::warpAffine(image, piece, cv::getAffineTransform(local, from), box.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                 cv::BORDER_REPLICATE);
  const std::vector<cv::Point> corners = {local[0], local[1], local[2]};
  cv::fillConvexPoly(mask, corners, 255);
  piece.copyTo(out(box), mask);
}

void Rotations(std::vector<Transform>& set, std::initializer_list<int> degrees) {
  for (const int d : degrees)
    set.push_back(
        {(d < 0 ? "rotated " : "rotated +") + std::to_string(d), [d](const MarkedFrame& p) { return Rotated(p, d); }});
}

}  // namespace

void AddNoise(cv::Mat& frame, double sigma, cv::RNG& random) {
  cv::Mat grain(frame.size(), CV_16SC(frame.channels())), wide;
  random.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(sigma));
  frame.convertTo(wide, grain.type());
  cv::Mat(wide + grain).convertTo(frame, frame.type());
}

void AddNoise(cv::Mat& frame, double sigma, unsigned seed) {
  cv::theRNG().state = seed;
  AddNoise(frame, sigma, cv::theRNG());
}

void AsFromAWebcam(cv::Mat& frame, unsigned seed) {
  AddNoise(frame, 4.0, seed);
  Compress(frame, 80);
}

MarkedFrame Rotated(const MarkedFrame& photo, double degrees) {
  const cv::Mat turn = cv::getRotationMatrix2D(photo.pupils.Midpoint(), degrees, 1.0);
  return Warped(photo, turn, photo.frame.size(), cv::BORDER_REPLICATE);
}

MarkedFrame LowerFaceCovered(const MarkedFrame& photo) { return CoveredFrom(photo, 0.62f); }

MarkedFrame CoveredFrom(const MarkedFrame& photo, float drop) {
  MarkedFrame out{photo.frame.clone(), photo.pupils};
  const MarkedPupils& p = photo.pupils;
  const cv::Point2f down = DownTheFace(p), across = p.left - p.right;
  const cv::Point2f top = p.Midpoint() + drop * down;
  const cv::Point2f far = top + 10.f * down;
  const std::vector<cv::Point> scarf = {top - 1.4f * across, top + 1.4f * across, far + 1.4f * across,
                                        far - 1.4f * across};
  cv::fillConvexPoly(out.frame, scarf, cv::Scalar(70, 40, 150), cv::LINE_AA);
  return out;
}

MarkedFrame Dimmed(const MarkedFrame& photo) { return DimmedTo(photo, 0.25); }

MarkedFrame DimmedTo(const MarkedFrame& photo, double light) {
  MarkedFrame out{photo.frame * light, photo.pupils};
  AddNoise(out.frame, 6.0, 1234);
  Compress(out.frame, 40);
  return out;
}

MarkedFrame MotionBlurred(const MarkedFrame& photo) {
  MarkedFrame out{cv::Mat(), photo.pupils};
  cv::blur(photo.frame, out.frame, cv::Size(5, 1));
  return out;
}

MarkedFrame Shrunk(const MarkedFrame& photo) { return AtInterocular(photo, 30.0); }

MarkedFrame AtInterocular(const MarkedFrame& photo, double interocular) {
  const double scale = interocular / photo.pupils.interocular;
  const cv::Point2f mid = photo.pupils.Midpoint();
  cv::Mat affine = (cv::Mat_<double>(2, 3) << scale, 0, 320 - scale * mid.x, 0, scale, 240 - scale * mid.y);
  cv::Mat smooth;
  if (scale < 1.0)
    cv::GaussianBlur(photo.frame, smooth, cv::Size(), 0.5 / scale);  // no aliasing
  else
    smooth = photo.frame;
  return Warped({smooth, photo.pupils}, affine, cv::Size(IRISDET_FRAME_WIDTH, IRISDET_FRAME_HEIGHT),
                cv::BORDER_CONSTANT);
}

MarkedFrame TurnedSideways(const MarkedFrame& photo, const std::vector<cv::Point2f>& landmarks, double degrees) {
  cv::Point2f eyes(0, 0);
  for (int i = 36; i < 48; ++i) eyes += landmarks[i] * (1.f / 12);
  const double turn = degrees * CV_PI / 180, d = photo.pupils.interocular;
  const auto turned = [&](cv::Point2f p, double depth) {
    return cv::Point2f(static_cast<float>(eyes.x + (p.x - eyes.x) * std::cos(turn) + depth * d * std::sin(turn)), p.y);
  };
  std::vector<cv::Point2f> from = landmarks, to;
  for (int i = 0; i < static_cast<int>(landmarks.size()); ++i) to.push_back(turned(landmarks[i], Depth(i)));
  // A ring around the face and the frame's corners stay where they are: the hair and the room.
  const cv::Rect2f face = cv::boundingRect(landmarks);
  for (int k = 0; k < 16; ++k) {
    const double a = k * CV_PI / 8;
    from.emplace_back(eyes.x + 0.8 * face.width * std::cos(a),
                      eyes.y + 0.3 * face.height + 1.05 * face.height * std::sin(a));
    to.push_back(from.back());
  }
  for (const cv::Point2f corner :
       {cv::Point2f(0, 0), cv::Point2f(photo.frame.cols - 1, 0), cv::Point2f(0, photo.frame.rows - 1),
        cv::Point2f(photo.frame.cols - 1, photo.frame.rows - 1)})
    from.push_back(corner), to.push_back(corner);
  cv::Subdiv2D mesh(cv::Rect(-4 * photo.frame.cols, -4 * photo.frame.rows, 9 * photo.frame.cols, 9 * photo.frame.rows));
  for (const cv::Point2f& p : to) mesh.insert(p);
  std::vector<cv::Vec6f> triangles;
  mesh.getTriangleList(triangles);
  MarkedFrame out{photo.frame.clone(), {turned(photo.pupils.left, 0), turned(photo.pupils.right, 0), 0.f}};
  out.pupils.interocular = static_cast<float>(cv::norm(out.pupils.left - out.pupils.right));
  for (const cv::Vec6f& t : triangles) {
    cv::Point2f a[3], b[3];
    bool known = true;
    for (int j = 0; j < 3 && known; ++j) {
      b[j] = {t[2 * j], t[2 * j + 1]};
      const auto at = std::find_if(to.begin(), to.end(), [&](cv::Point2f p) { return cv::norm(p - b[j]) < 1e-3; });
      known = at != to.end();
      if (known) a[j] = from[at - to.begin()];
    }
    if (known) WarpTriangle(photo.frame, out.frame, a, b);
  }
  return out;
}

MarkedFrame Glared(const MarkedFrame& photo) {
  MarkedFrame out{photo.frame.clone(), photo.pupils};
  const float d = photo.pupils.interocular;
  for (const cv::Point2f& pupil : {photo.pupils.left, photo.pupils.right}) {
    // A small sharp spot on the cornea and a soft reflection across the lens.
    cv::circle(out.frame, pupil + cv::Point2f(0.06f * d, -0.05f * d), std::max(1, cvRound(0.04f * d)),
               cv::Scalar::all(255), cv::FILLED, cv::LINE_AA);
    cv::Mat lens = out.frame.clone();
    cv::ellipse(lens, pupil + cv::Point2f(-0.12f * d, -0.1f * d), cv::Size(cvRound(0.12f * d), cvRound(0.06f * d)), -30,
                0, 360, cv::Scalar::all(255), cv::FILLED, cv::LINE_AA);
    cv::addWeighted(out.frame, 0.4, lens, 0.6, 0, out.frame);
  }
  return out;
}

const std::vector<Transform>& RoomTransforms() {
  static const std::vector<Transform> set = [] {
    std::vector<Transform> all;
    Rotations(all, {-35, -25, -15, 15, 25, 35});
    all.push_back({"lower face covered", LowerFaceCovered});
    all.push_back({"dim, noisy, JPEG 40", Dimmed});
    all.push_back({"motion blur 5 px", MotionBlurred});
    all.push_back({"small (interocular 30)", Shrunk});
    all.push_back({"glare on the eyes", Glared});
    return all;
  }();
  return set;
}

const std::vector<Transform>& HeldOutTransforms() {
  static const std::vector<Transform> set = [] {
    std::vector<Transform> all;
    Rotations(all, {-30, -20, 20, 30});
    all.push_back({"covered from the upper lip", [](const MarkedFrame& p) { return CoveredFrom(p, 0.85f); }});
    all.push_back({"an eighth of the light, noisy, JPEG 40", [](const MarkedFrame& p) { return DimmedTo(p, 0.125); }});
    all.push_back({"small (interocular 24)", [](const MarkedFrame& p) { return AtInterocular(p, 24.0); }});
    return all;
  }();
  return set;
}

// Frames with no face: plain and textured pictures, and each photo with its face covered.
std::vector<cv::Mat> FacelessFrames(const std::string& dir, const Truth& truth) {
  std::vector<cv::Mat> frames;
  std::mt19937 random(11);
  for (int i = 0; i < 20; ++i) {
    cv::Mat texture(IRISDET_FRAME_HEIGHT, IRISDET_FRAME_WIDTH, CV_8UC3);
    cv::randu(texture, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::GaussianBlur(texture, texture, cv::Size(), 1.0 + i);
    frames.push_back(texture);
    frames.push_back(cv::Mat(IRISDET_FRAME_HEIGHT, IRISDET_FRAME_WIDTH, CV_8UC3,
                             cv::Scalar(random() % 256, random() % 256, random() % 256)));
  }
  for (const auto& [file, marked] : truth) {
    cv::Mat photo = cv::imread((std::filesystem::path(dir) / file).string());
    const cv::Point2f mid = marked.Midpoint();
    const float d = marked.interocular;
    cv::rectangle(photo, cv::Rect(cv::Point(mid.x - 1.4f * d, mid.y - 1.4f * d), cv::Size(2.8f * d, 3.6f * d)),
                  cv::Scalar(120, 120, 120), cv::FILLED);
    frames.push_back(photo);
  }
  return frames;
}

}  // namespace irisdet
