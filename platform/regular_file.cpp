#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

FileTrouble TroubleOf(const struct stat& info, std::int64_t maxBytes) {
  if (!S_ISREG(info.st_mode)) return FileTrouble::kNotRegular;
  if (info.st_size > maxBytes) return FileTrouble::kTooLarge;
  return FileTrouble::kNone;
}

}  // namespace

FileTrouble RegularFileTrouble(const std::string& path, std::int64_t maxBytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return FileTrouble::kMissing;
  return TroubleOf(info, maxBytes);
}

int OpenRegularFile(const std::string& path, std::int64_t maxBytes, FileTrouble* trouble) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is then refused.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *trouble = errno == ENOENT ? FileTrouble::kMissing : FileTrouble::kUnreadable;
    return -1;
  }
  struct stat info {};
  *trouble = ::fstat(fd, &info) != 0 ? FileTrouble::kUnreadable : TroubleOf(info, maxBytes);
  if (*trouble == FileTrouble::kNone) return fd;
  ::close(fd);
  return -1;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::int64_t maxBytes, FileTrouble* trouble) {
  FileTrouble why = FileTrouble::kNone;
  const int fd = OpenRegularFile(path, maxBytes, &why);
  if (trouble) *trouble = why;
  if (fd < 0) return std::nullopt;
  struct stat info {};
  ::fstat(fd, &info);
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank: keep what was there
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

}  // namespace platform
