#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <SDL.h>

#include "platform/sound_player.h"
#include "platform/wav_check.h"

namespace {

namespace fs = std::filesystem;

// A WAVE file of one constant 16-bit stereo sample at the mixer's rate (or another).
void WriteConstantWav(const fs::path& path, std::int16_t value, int milliseconds, std::uint32_t rate = 44100) {
  const std::uint32_t frames = 44100u * milliseconds / 1000u, bytes = frames * 4;
  std::ofstream out(path, std::ios::binary);
  const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16), u16(1), u16(2), u32(rate), u32(rate * 4), u16(4), u16(16);
  out.write("data", 4);
  u32(bytes);
  for (std::uint32_t i = 0; i < frames * 2; ++i) out.write(reinterpret_cast<const char*>(&value), 2);
}

// Where SDL's disk driver writes: one file for the process, because the sound output
// is opened once; each test reads only what was played after it began.
const fs::path& OutputFile() {
  static const struct Output {
    fs::path path = fs::temp_directory_path() / ("glimmo2-sound-" + std::to_string(::getpid()) + ".raw");
    ~Output() { fs::remove(path); }
  } output;
  return output.path;
}

// Plays into a file through SDL's disk driver, from a folder of its own.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder = fs::temp_directory_path() / ("glimmo2-sound-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", OutputFile().c_str(), 1);
    std::error_code ec;
    playedBefore = fs::exists(OutputFile(), ec) ? fs::file_size(OutputFile(), ec) : 0;
  }
  void TearDown() override {
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
  }
  // What was played since the test began, after the sound has had time to play.
  std::vector<std::int16_t> Played() {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::ifstream in(OutputFile(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(playedBefore));
    std::vector<std::int16_t> samples;
    for (std::int16_t s; in.read(reinterpret_cast<char*>(&s), 2);) samples.push_back(s);
    return samples;
  }
  static long Count(const std::vector<std::int16_t>& samples, std::int16_t value) {
    return std::count(samples.begin(), samples.end(), value);
  }
  fs::path folder;
  std::uintmax_t playedBefore = 0;
};

TEST_F(SoundTest, AFileInTheWorkingDirectoryPlays) {
  WriteConstantWav(folder / "cue.wav", 1234, 100);
  platform::SoundPlayer::Instance().Play("cue.wav");
  EXPECT_GT(Count(Played(), 1234), 44100 * 2 / 20);  // most of its 100 ms
}

TEST_F(SoundTest, AMissingOrBrokenFilePlaysTheDefaultBeep) {
  std::ofstream(folder / "broken.wav") << "RIFF but not really";
  platform::SoundPlayer::Instance().Play("no-such-sound.wav");
  std::vector<std::int16_t> played = Played();
  const auto loud = [](const std::vector<std::int16_t>& s) {
    return std::count_if(s.begin(), s.end(), [](std::int16_t v) { return std::abs(v) > 1000; });
  };
  EXPECT_GT(loud(played), 100);
  platform::SoundPlayer::Instance().Play("broken.wav");
  EXPECT_GT(loud(Played()), loud(played));
}

TEST_F(SoundTest, EmptyAndTruncatedFilesPlayTheDefaultBeep) {
  std::ofstream(folder / "empty.wav");
  WriteConstantWav(folder / "whole.wav", 3000, 100);
  fs::resize_file(folder / "whole.wav", 30);  // cut inside its header
  for (const char* name : {"empty.wav", "whole.wav"}) {
    platform::SoundPlayer::Instance().Play(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  const std::vector<std::int16_t> played = Played();
  EXPECT_EQ(Count(played, 3000), 0);
  EXPECT_GT(std::count_if(played.begin(), played.end(), [](std::int16_t v) { return std::abs(v) > 1000; }), 200);
}

TEST_F(SoundTest, AChangedOrMendedFileIsReadAgain) {
  WriteConstantWav(folder / "cue.wav", 1111, 100);
  platform::SoundPlayer::Instance().Play("cue.wav");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  WriteConstantWav(folder / "cue.wav", 2222, 120);  // changed while the game runs
  std::ofstream(folder / "late.wav");               // unreadable at its first play...
  platform::SoundPlayer::Instance().Play("cue.wav");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  platform::SoundPlayer::Instance().Play("late.wav");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  WriteConstantWav(folder / "late.wav", 3333, 100);  // ...then mended
  platform::SoundPlayer::Instance().Play("late.wav");
  const std::vector<std::int16_t> played = Played();
  EXPECT_GT(Count(played, 1111), 0);
  EXPECT_GT(Count(played, 2222), 0);
  EXPECT_GT(Count(played, 3333), 0);
}

TEST_F(SoundTest, ANewSoundCutsOffTheOnePlaying) {
  WriteConstantWav(folder / "long.wav", 1000, 1000);
  WriteConstantWav(folder / "short.wav", 2000, 50);
  platform::SoundPlayer::Instance().Play("long.wav");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  platform::SoundPlayer::Instance().Play("short.wav");
  const std::vector<std::int16_t> played = Played();
  EXPECT_GT(Count(played, 2000), 0);
  EXPECT_LT(Count(played, 1000), 44100 * 2 / 2);  // far less than its whole second
}

TEST_F(SoundTest, NoFileAndBombsPlayTheDefaultBeepAtOnce) {
  // A FIFO blocked the window in open() for good; /dev/zero was read until memory ran
  // out; a 1 Hz rate blew a few kilobytes up into hundreds of megabytes.
  ASSERT_EQ(::mkfifo((folder / "fifo.wav").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder / "zero.wav");
  WriteConstantWav(folder / "slow.wav", 4000, 100, 1);
  for (const char* name : {"fifo.wav", "zero.wav", "slow.wav"}) {
    platform::SoundPlayer::Instance().Play(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::vector<std::int16_t> played = Played();
  EXPECT_EQ(Count(played, 4000), 0);
  EXPECT_GT(std::count_if(played.begin(), played.end(), [](std::int16_t v) { return std::abs(v) > 1000; }), 300);
}

// Each encoding the mixer decodes plays the file's own tone, louder than the default
// beep ever is; one it cannot decode (GSM) plays the beep.
TEST_F(SoundTest, AnyWaveTheMixerDecodesPlaysItsOwnSound) {
  const fs::path sounds = fs::path(GLIMMO2_TEST_DATA) / "sounds";
  const auto loudest = [](const std::vector<std::int16_t>& s) {
    return s.empty() ? 0 : std::abs(*std::max_element(s.begin(), s.end(), [](std::int16_t a, std::int16_t b) {
      return std::abs(a) < std::abs(b);
    }));
  };
  for (const char* name : {"ima-adpcm.wav", "ms-adpcm.wav", "mu-law.wav", "a-law.wav", "gsm.wav"}) {
    SCOPED_TRACE(name);
    fs::copy_file(sounds / name, folder / name);
    const std::uintmax_t before = fs::exists(OutputFile()) ? fs::file_size(OutputFile()) : 0;
    playedBefore = before;
    platform::SoundPlayer::Instance().Play(name);
    const bool decodable = std::string(name) != "gsm.wav";
    EXPECT_EQ(loudest(Played()) > 12000, decodable) << "the tone is at 0.6 of full scale, the beep under 0.3";
  }
}

TEST(WavCheckTest, OnlyPlainWavesOfSensibleRateAndLength) {
  const auto wav = [](std::uint32_t rate, std::uint16_t channels, std::uint32_t dataBytes, bool fmtFirst = true) {
    std::string b("RIFF\0\0\0\0WAVE", 12);
    const auto u32 = [&](std::uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    std::string fmt = "fmt ";
    std::swap(b, fmt);
    u32(16), u16(1), u16(channels), u32(rate), u32(rate * channels * 2), u16(channels * 2), u16(16);
    std::swap(b, fmt);
    std::string data = "data";
    data.append(reinterpret_cast<const char*>(&dataBytes), 4);
    data += std::string(dataBytes, '\0');
    return fmtFirst ? b + fmt + data : b + data + fmt;
  };
  EXPECT_TRUE(platform::PlayableWav(wav(44100, 2, 4096)));
  EXPECT_TRUE(platform::PlayableWav(wav(8000, 1, 4096)));
  EXPECT_FALSE(platform::PlayableWav(wav(1, 2, 4096)));              // resampled into a bomb
  EXPECT_FALSE(platform::PlayableWav(wav(44100, 0, 4096)));          // no channel
  EXPECT_FALSE(platform::PlayableWav(wav(44100, 2, 4096, false)));   // samples before their format
  EXPECT_FALSE(platform::PlayableWav(wav(8000, 1, 8000 * 2 * 31)));  // over half a minute
  EXPECT_FALSE(platform::PlayableWav("OggS and more"));
  // Whatever its encoding, a sound is bounded by what it decodes to.
  std::ifstream in(fs::path(GLIMMO2_TEST_DATA) / "sounds" / "ima-adpcm.wav", std::ios::binary);
  std::string adpcm(std::istreambuf_iterator<char>(in), {});
  ASSERT_TRUE(platform::PlayableWav(adpcm));
  const std::uint32_t oneHz = 1;
  adpcm.replace(24, 4, reinterpret_cast<const char*>(&oneHz), 4);  // the format's rate
  EXPECT_FALSE(platform::PlayableWav(adpcm));
}

// The game's own sounds, as committed: playable, in one format, and the direction cues
// brisk enough to follow one another every two seconds.
TEST(GameSoundsTest, EverySoundPlaysAndEveryCueIsBrisk) {
  const std::vector<std::string> cues = {"e.wav", "d.wav", "a.wav", "av.wav", "me.wav", "md.wav", "ma.wav", "mav.wav"};
  std::vector<std::string> sounds = cues;
  for (int i = 0; i < 5; ++i) sounds.push_back("eureka" + std::to_string(i) + ".wav");
  sounds.emplace_back("start1.wav");
  for (const std::string& name : sounds) {
    SCOPED_TRACE(name);
    const fs::path path = fs::path(GLIMMO2_GAME_DATA) / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(platform::PlayableWav(std::string(std::istreambuf_iterator<char>(in), {})));
    SDL_AudioSpec decoded{};
    Uint8* samples = nullptr;
    Uint32 bytes = 0;
    ASSERT_TRUE(SDL_LoadWAV(path.c_str(), &decoded, &samples, &bytes)) << SDL_GetError();
    SDL_FreeWAV(samples);
    EXPECT_EQ(decoded.freq, 22050);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_EQ(decoded.format, AUDIO_S16LSB);
    const double seconds = bytes / (2.0 * decoded.freq);
    EXPECT_GT(seconds, 0.02);
    const bool cue = std::find(cues.begin(), cues.end(), name) != cues.end();
    EXPECT_TRUE(!cue || seconds <= 1.2) << seconds << " s";
  }
}

TEST(SoundWithoutDeviceTest, SilentNeverStuck) {
  // In a process of its own: the sound output of this one may be open already.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        for (int i = 0; i < 5; ++i) platform::SoundPlayer::Instance().Play("start1.wav");
        std::_Exit(platform::SoundPlayer::Instance().Available() ? 1 : 0);  // silent, and says so
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
