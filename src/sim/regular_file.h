#pragma once
// Files of a machine directory are opened only as regular files: never
// through a final symbolic link, never blocking on a FIFO, and checked on
// the opened descriptor, so nothing can be swapped in between check and use.

#include <cstdint>
#include <span>
#include <string>

namespace tamsel::sim {

// An open file descriptor, closed when it goes.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens `path` with `flags` (O_RDWR, O_CREAT, ...) as a regular file. An
// invalid descriptor, with `error` saying why, for a symbolic link, a FIFO, a
// directory or any other kind of file, and when the open fails.
FileDescriptor OpenRegularFile(const std::string& path, int flags, std::string& error);

// Writes all bytes at `offset`; false (with errno set) when a write fails.
bool WriteAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset);

// Creates `path` holding `bytes`; an existing file of that name is refused.
bool WriteNewRegularFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

// Replaces the content of the regular file `path` (creating it when missing).
bool ReplaceRegularFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace tamsel::sim
