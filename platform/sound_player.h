#pragma once
#include <string>

namespace platform {

// The process's one asynchronous sound: a new sound cuts off the one playing,
// whichever thread starts it, and the call returns at once. A file that cannot be
// read plays a short default beep; with no audio device everything is silent. A file
// is read again when it changed (its size or modification time).
class SoundPlayer {
 public:
  static SoundPlayer& Instance();
  void Play(const std::string& name);
  // Opens the sound output if it is not open yet; false when there is none.
  bool Available();

 private:
  SoundPlayer() = default;
  ~SoundPlayer();
  bool OpenLocked();
  struct State;
  State* state_ = nullptr;
};

}  // namespace platform
