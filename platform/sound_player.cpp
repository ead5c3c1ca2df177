#include "sound_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "bounded_file.h"
#include "data_files.h"
#include "wav_check.h"

namespace platform {
namespace {

constexpr int kRate = 44100;
constexpr int kBufferSamples = 512;  // about 11 ms of latency
std::mutex mutex;

}  // namespace

struct SoundPlayer::State {
  bool open = false;
  std::map<std::string, Mix_Chunk*> chunks;  // by path; null when unreadable
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
    for (auto& [path, chunk] : state_->chunks)
      if (chunk) Mix_FreeChunk(chunk);
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
    state_->open = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 &&
                   Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, kBufferSamples) == 0;
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
  auto [it, isNew] = state_->chunks.try_emplace(path, nullptr);
  if (isNew) it->second = LoadChunk(path);
  Mix_PlayChannel(0, it->second ? it->second : state_->beep, 0);  // cuts off the sound playing
}

}  // namespace platform
