#pragma once
#include <span>

// The tools as two programs: irisdet-lab (the detector's probes and benchmarks) and
// glimmo2-probe (the game's window, sound and hostile input). Each command reads its own
// arguments, argv[0] being its name.
namespace tools {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* arguments;  // as the list of commands shows them
};

// Runs the command that argv[1] names with the arguments after it; without one it knows,
// lists the commands.
int RunCommand(const char* program, std::span<const Command> commands, int argc, char** argv);

int IrisdetProbe(int argc, char** argv);
int DetectorBench(int argc, char** argv);
int RobustnessBench(int argc, char** argv);
int FirstEyeProbe(int argc, char** argv);
int TrackingProbe(int argc, char** argv);
int PlayerProbe(int argc, char** argv);
int GazeProbe(int argc, char** argv);
int CameraReturnProbe(int argc, char** argv);
int FaceVideo(int argc, char** argv);

int SoakProbe(int argc, char** argv);
int CapturaProbe(int argc, char** argv);
int HostileProbe(int argc, char** argv);
int TimingProbe(int argc, char** argv);
int BeepProbe(int argc, char** argv);

}  // namespace tools
