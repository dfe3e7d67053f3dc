#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/regular_file.h"

namespace tamsel {

namespace {

struct ModeFlags {
  RegularFileMode mode;
  int flags;
  bool emptyOnceChecked;
};

// O_NONBLOCK keeps a FIFO or a device from holding the open; it is cleared
// once the descriptor proved to be a regular file.
constexpr int kAlways = O_NONBLOCK | O_CLOEXEC;
constexpr ModeFlags kModeFlags[] = {
    {RegularFileMode::kRead, O_RDONLY | O_NOFOLLOW, false},
    {RegularFileMode::kReadFollowingLink, O_RDONLY, false},
    {RegularFileMode::kCreateNew, O_WRONLY | O_CREAT | O_EXCL, false},
    {RegularFileMode::kOpenOrCreate, O_WRONLY | O_CREAT | O_NOFOLLOW, false},
    {RegularFileMode::kReplace, O_WRONLY | O_CREAT | O_NOFOLLOW, true},
    {RegularFileMode::kAppend, O_WRONLY | O_APPEND | O_NOFOLLOW, false},
    {RegularFileMode::kAppendOrCreate, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, false},
    {RegularFileMode::kHold, O_RDONLY | O_CREAT | O_NOFOLLOW, false},
};

const ModeFlags& FlagsOf(RegularFileMode mode) {
  for (const ModeFlags& entry : kModeFlags) {
    if (entry.mode == mode) {
      return entry;
    }
  }
  return kModeFlags[0];
}

int Descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// Zero when the open descriptor is a regular file made ready for use, else
// the error that refuses it.
int CheckOpened(int fd, const ModeFlags& mode) {
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    return errno;
  }
  if (S_ISDIR(status.st_mode)) {
    return EISDIR;
  }
  if (!S_ISREG(status.st_mode)) {
    return EPERM;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return errno;
  }
  if (mode.emptyOnceChecked && ftruncate(fd, 0) != 0) {
    return errno;
  }
  return 0;
}

}  // namespace

RegularFile::~RegularFile() {
  int error = 0;
  Close(error);
}

RegularFile::RegularFile(RegularFile&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    int error = 0;
    Close(error);
    handle_ = std::exchange(other.handle_, kNoHandle);
  }
  return *this;
}

RegularFile RegularFile::Open(const std::string& path, RegularFileMode mode, int& error) {
  error = 0;
  const ModeFlags& flags = FlagsOf(mode);
  const int fd = open(path.c_str(), flags.flags | kAlways, 0666);
  if (fd < 0) {
    error = errno;
    return RegularFile();
  }
  RegularFile file(fd);
  error = CheckOpened(fd, flags);
  if (error != 0) {
    int ignored = 0;
    file.Close(ignored);
  }
  return file;
}

RegularFile::Written RegularFile::WriteOnce(std::string_view bytes) {
  Written written;
  ssize_t count = -1;
  do {
    count = write(Descriptor(handle_), bytes.data(), bytes.size());
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    written.error = errno;
    return written;
  }
  written.bytes = static_cast<std::size_t>(count);
  const off_t end = lseek(Descriptor(handle_), 0, SEEK_CUR);
  written.end = end < 0 ? 0 : static_cast<std::uint64_t>(end);
  if (written.bytes < bytes.size()) {
    written.error = ENOSPC;  // a regular file takes fewer bytes only when it has no room
  }
  return written;
}

bool RegularFile::WriteAll(std::string_view bytes, int& error) {
  error = 0;
  while (!bytes.empty()) {
    const Written written = WriteOnce(bytes);
    if (written.bytes == 0) {
      error = written.error != 0 ? written.error : ENOSPC;
      return false;
    }
    bytes.remove_prefix(written.bytes);
  }
  return true;
}

bool RegularFile::Read(std::uint8_t* into, std::size_t capacity, std::size_t& got, int& error) {
  error = 0;
  got = 0;
  while (got < capacity) {
    const ssize_t count = read(Descriptor(handle_), into + got, capacity - got);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      error = errno;
      return false;
    }
    if (count == 0) {
      break;
    }
    got += static_cast<std::size_t>(count);
  }
  return true;
}

bool RegularFile::Size(std::uint64_t& size, int& error) const {
  struct stat status {};
  if (fstat(Descriptor(handle_), &status) != 0) {
    error = errno;
    return false;
  }
  size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool RegularFile::Truncate(std::uint64_t size, int& error) {
  if (ftruncate(Descriptor(handle_), static_cast<off_t>(size)) != 0) {
    error = errno;
    return false;
  }
  return true;
}

bool RegularFile::Close(int& error) {
  if (!isOpen()) {
    return true;
  }
  const int fd = Descriptor(std::exchange(handle_, kNoHandle));
  if (close(fd) != 0 && errno != EINTR) {
    error = errno;
    return false;
  }
  return true;
}

}  // namespace tamsel
