#include "sim/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tamsel::sim {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileDescriptor OpenRegularFile(const std::string& path, int flags, std::string& error) {
  FileDescriptor fd(open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.valid()) {
    error = errno == ELOOP ? path + " is a symbolic link; only a regular file is used"
                           : "cannot open " + path + ": " + std::strerror(errno);
    return {};
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = path + " is not a regular file";
    return {};
  }
  return fd;
}

bool WriteAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
    offset += static_cast<uint64_t>(written);
  }
  return true;
}

namespace {

bool WriteWhole(const FileDescriptor& fd, const std::string& path, std::span<const uint8_t> bytes,
                std::string& error) {
  if (!WriteAllAt(fd.get(), bytes, 0)) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

bool WriteNewRegularFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
  const FileDescriptor fd = OpenRegularFile(path, O_WRONLY | O_CREAT | O_EXCL, error);
  return fd.valid() && WriteWhole(fd, path, bytes, error);
}

bool ReplaceRegularFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
  // Truncated only after the descriptor proved to be a regular file.
  const FileDescriptor fd = OpenRegularFile(path, O_WRONLY | O_CREAT, error);
  if (!fd.valid()) return false;
  if (ftruncate(fd.get(), 0) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return WriteWhole(fd, path, bytes, error);
}

}  // namespace tamsel::sim
