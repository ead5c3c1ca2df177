// glimmo2-probe COMMAND [ARGUMENTS]: the game's window, sound and hostile input, measured.
#include "tools/commands.h"

namespace {

constexpr tools::Command kCommands[] = {
    {"soak", tools::SoakProbe, "[GAMES] [SNAPSHOT_SOURCE]: many games through the real window"},
    {"captura", tools::CapturaProbe, "SOURCE [CLICKS]: the memory of many snapshots"},
    {"hostile", tools::HostileProbe,
     "[--until-signal | --quick stop|sortir|esc|close | --write-model PARTS PATH]: the window against hostile input"},
    {"timing", tools::TimingProbe, "[FACE_VIDEO]: the beep timer's real intervals and a sound's delay"},
    {"beep", tools::BeepProbe, "[TICKS]: the beeps as the mixer plays them"},
};

}  // namespace

int main(int argc, char** argv) { return tools::RunCommand("glimmo2-probe", kCommands, argc, argv); }
