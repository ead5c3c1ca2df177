// irisdet-lab COMMAND [ARGUMENTS]: the eye detector's probes and benchmarks.
#include "tools/commands.h"

namespace {

constexpr tools::Command kCommands[] = {
    {"probe", tools::IrisdetProbe, "SOURCE [--csv OUT]: the detector on a camera, a video or pictures"},
    {"bench", tools::DetectorBench, "EYEDATA_DIR: accuracy, speed and stillness against the Haar baseline"},
    {"robustness", tools::RobustnessBench,
     "EYEDATA_DIR [--finders hog|neural|both] [SET...]: the marked photos changed as rooms and cameras change them"},
    {"first-eye", tools::FirstEyeProbe, "FACE_PHOTO [RUNS]: how long a start takes to the first eye"},
    {"tracking", tools::TrackingProbe, "PHOTO [EYEDATA_DIR]: the trackings' gain, stillness, lag and reach"},
    {"player", tools::PlayerProbe, "EYEDATA_DIR [looks|clips|starts] [--write DIR]: two people in view, taking turns"},
    {"gaze", tools::GazeProbe,
     "EYE_PATCH_DIR [--calibrate 9|5] [--scale PX] [--csv OUT] [--generic] [--turns]: the gaze tracking on labelled "
     "eyes"},
    {"camera-return", tools::CameraReturnProbe, "[TIMES]: how soon a camera plugged back in is watched again"},
    {"face-video", tools::FaceVideo, "PHOTO OUT.avi [--frames N] [--slide PX] [--fps F]: a video made of one photo"},
};

}  // namespace

int main(int argc, char** argv) { return tools::RunCommand("irisdet-lab", kCommands, argc, argv); }
