// irisdet-lab face-video PHOTO OUT.avi [--frames N] [--slide PX] [--fps F]
// Makes a test video from one photo: the photo still for N frames, or sliding to the
// right by PX pixels a frame (the uncovered edge is grey). Prints, for each frame,
// how far the photo has moved, so that a probe's output can be compared with it.
#include <cstdlib>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <string>
#include "tools/commands.h"

int tools::FaceVideo(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: irisdet-lab face-video PHOTO OUT.avi [--frames N] [--slide PX] [--fps F]\n";
    return 2;
  }
  int frames = 60;
  double slide = 0.0, fps = 30.0;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--frames")
      frames = std::atoi(argv[i + 1]);
    else if (flag == "--slide")
      slide = std::atof(argv[i + 1]);
    else if (flag == "--fps")
      fps = std::atof(argv[i + 1]);
  }
  cv::Mat photo = cv::imread(argv[1], cv::IMREAD_COLOR);
  if (photo.empty()) return std::cerr << "cannot read " << argv[1] << '\n', 1;
  cv::resize(photo, photo, cv::Size(640, 480));
  cv::VideoWriter out(argv[2], cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), fps, cv::Size(640, 480));
  if (!out.isOpened()) return std::cerr << "cannot write " << argv[2] << '\n', 1;
  for (int i = 0; i < frames; ++i) {
    const int fromMiddle = i - frames / 2;
    const double dx = slide * fromMiddle;
    const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, dx, 0, 1, 0);
    cv::Mat frame;
    cv::warpAffine(photo, frame, shift, photo.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(128));
    out.write(frame);
    std::cout << i << ',' << dx << '\n';
  }
  return 0;
}
