#include "platform/sound_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/data_files.h"
#include "platform/regular_file.h"
#include "platform/wav_check.h"

namespace platform {
namespace {

constexpr int kRate = 44100;
// A sound starts at the next buffer: 64 samples (1.45 ms) keep the red band's 40 ms
// beeps within 2 ms of their interval, where 512 (11.6 ms) played them 35 and 46 ms
// apart in turn, and keep the delay from a play call to its sound under 2 ms.
constexpr int kBufferSamples = 64;
std::mutex mutex;

}  // namespace

// A sound as it was read: the file's size and modification time then, and its
// chunk (null when it could not be used).
struct LoadedSound {
  std::int64_t size = -1;
  std::int64_t modifiedNs = -1;
  Mix_Chunk* chunk = nullptr;
};

struct SoundPlayer::State {
  bool open = false;
  std::map<std::string, LoadedSound> sounds;  // by path
  std::vector<Uint8> beepSamples;
  Mix_Chunk* beep = nullptr;
};

SoundPlayer& SoundPlayer::Instance() {
  static SoundPlayer player;
  return player;
}

SoundPlayer::~SoundPlayer() {
  std::lock_guard lock(mutex);
  if (!state_) return;
  if (state_->open) {
    Mix_HaltChannel(-1);
    for (auto& [path, sound] : state_->sounds)
      if (sound.chunk) Mix_FreeChunk(sound.chunk);
    Mix_FreeChunk(state_->beep);
    Mix_CloseAudio();
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  delete state_;
}

namespace {

// A 60 ms, 880 Hz beep in whatever format the device took.
std::vector<Uint8> MakeBeep() {
  int rate = 0, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&rate, &format, &channels);
  SDL_AudioCVT cvt;
  const int frames = rate * 60 / 1000;
  std::vector<Sint16> mono(frames);
  for (int i = 0; i < frames; ++i) {
    const double fade = std::min(1.0, std::min(i, frames - i) / (rate * 0.005));
    mono[i] = static_cast<Sint16>(9000 * fade * std::sin(2 * M_PI * 880.0 * i / rate));
  }
  SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, 1, rate, format, static_cast<Uint8>(channels), rate);
  std::vector<Uint8> bytes(static_cast<std::size_t>(frames) * 2 * cvt.len_mult);
  std::memcpy(bytes.data(), mono.data(), static_cast<std::size_t>(frames) * 2);
  cvt.buf = bytes.data();
  cvt.len = frames * 2;
  if (cvt.needed) SDL_ConvertAudio(&cvt);
  bytes.resize(static_cast<std::size_t>(cvt.needed ? cvt.len_cvt : cvt.len));
  return bytes;
}

// A sound file as the mixer's chunk, or null when it is not one we can take safely.
Mix_Chunk* LoadChunk(const std::string& path) {
  const std::optional<std::string> bytes = ReadRegularFile(path, kMaxSoundFileBytes);
  if (!bytes || !PlayableWav(*bytes)) return nullptr;
  return Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size())), 1);
}

}  // namespace

bool SoundPlayer::Available() {
  std::lock_guard lock(mutex);
  return OpenLocked();
}

bool SoundPlayer::OpenLocked() {
  if (!state_) {
    state_ = new State;
    // SDL's own Ctrl+C and kill handlers would only queue an event nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    state_->open = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, kBufferSamples) == 0;
    if (!state_->open) return false;
    Mix_AllocateChannels(1);
    state_->beepSamples = MakeBeep();
    state_->beep = Mix_QuickLoad_RAW(state_->beepSamples.data(), static_cast<Uint32>(state_->beepSamples.size()));
  }
  return state_->open;
}

void SoundPlayer::Play(const std::string& name) {
  std::lock_guard lock(mutex);
  if (!OpenLocked()) return;
  const std::string path = FindDataFile(name);
  // Looked up anew at every play, as a file may change or appear while the game runs;
  // read again only when its size or modification time changed.
  struct stat info {};
  const bool there = ::stat(path.c_str(), &info) == 0;
  const std::int64_t size = there ? info.st_size : -1;
  const std::int64_t modifiedNs = there ? info.st_mtim.tv_sec * 1000000000ll + info.st_mtim.tv_nsec : -1;
  LoadedSound& sound = state_->sounds[path];
  if (sound.size != size || sound.modifiedNs != modifiedNs) {
    Mix_HaltChannel(0);  // the old chunk may be the one playing
    if (sound.chunk) Mix_FreeChunk(sound.chunk);
    sound = {size, modifiedNs, there ? LoadChunk(path) : nullptr};
  }
  Mix_PlayChannel(0, sound.chunk ? sound.chunk : state_->beep, 0);  // cuts off the sound playing
}

}  // namespace platform
