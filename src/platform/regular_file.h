#pragma once
// Files the program writes and reads in its working directory, opened as its
// own: only regular files, never through a final symbolic link (unless the
// mode says so), and never blocking on a FIFO or a device. The path is opened
// without waiting and the opened handle itself is checked, so nothing can be
// swapped in between the check and the use. Errors are the system's error
// codes; anything at the path that is not a regular file is refused.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamsel {

enum class RegularFileMode {
  kRead,               // an own file; a final link is refused
  kReadFollowingLink,  // an input the operator names; a final link is followed
  kCreateNew,          // writing; fails when anything at all is at the path
  kOpenOrCreate,       // writing; created empty when absent, an existing file kept
  kReplace,            // writing; created when absent, emptied once it proved regular
  kAppend,             // appending in the system's append mode to an existing file
  kAppendOrCreate,     // the same, created when absent
  kHold,               // reading only, created when absent, never emptied (a lock file)
};

class RegularFile {
 public:
  RegularFile() = default;
  ~RegularFile();
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // The opened file, or one that is not open with `error` set. A final link
  // in a mode that refuses it, a directory, a FIFO or a device is refused.
  static RegularFile Open(const std::string& path, RegularFileMode mode, int& error);

  bool isOpen() const { return handle_ != kNoHandle; }

  // What one system write took: `bytes` of the bytes offered, ending at file
  // offset `end`; `error` is set when fewer than all were taken.
  struct Written {
    std::size_t bytes = 0;
    std::uint64_t end = 0;
    int error = 0;
  };
  // One system write, so that in append mode the bytes land in one piece
  // after every other writer's.
  Written WriteOnce(std::string_view bytes);
  // All bytes, in as many writes as it takes.
  bool WriteAll(std::string_view bytes, int& error);
  // Reads until `capacity` bytes are in or the file ends; `got` tells how many.
  bool Read(std::uint8_t* into, std::size_t capacity, std::size_t& got, int& error);
  bool Size(std::uint64_t& size, int& error) const;
  bool Truncate(std::uint64_t size, int& error);
  bool Close(int& error);

  // The system's handle of the open file (for a lock on it).
  std::intptr_t handle() const { return handle_; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  explicit RegularFile(std::intptr_t handle) : handle_(handle) {}

  std::intptr_t handle_ = kNoHandle;
};

}  // namespace tamsel
