// A camera that is slow to open, made of a video file: preloaded into a game
// (LD_PRELOAD), it delays every open of the path SLOW_OPEN_PATH by SLOW_OPEN_MS
// (1500 by default), as a real webcam takes its time to agree on a format.
#include <dlfcn.h>
#include <fcntl.h>

#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void DelayIfWatched(const char* path) {
  const char* watched = std::getenv("SLOW_OPEN_PATH");  // NOLINT(concurrency-mt-unsafe): nobody sets it meanwhile
  if (!watched || !path || std::strcmp(watched, path) != 0) return;
  const char* ms = std::getenv("SLOW_OPEN_MS");  // NOLINT(concurrency-mt-unsafe)
  std::this_thread::sleep_for(std::chrono::milliseconds(ms ? std::atoi(ms) : 1500));
}

template <typename Call>
Call Next(const char* name) {
  return reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
}

mode_t ModeOf(int flags, va_list args) { return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  DelayIfWatched(path);
  static const auto real = Next<int (*)(const char*, int, ...)>("open");
  return real(path, flags, mode);
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  DelayIfWatched(path);
  static const auto real = Next<int (*)(const char*, int, ...)>("open64");
  return real(path, flags, mode);
}

__attribute__((visibility("default"))) int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  DelayIfWatched(path);
  static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
  return real(dir, path, flags, mode);
}

__attribute__((visibility("default"))) int openat64(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  DelayIfWatched(path);
  static const auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
  return real(dir, path, flags, mode);
}
}
