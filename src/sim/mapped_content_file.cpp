#include "sim/mapped_content_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sim/regular_file.h"

namespace tamsel::sim {

namespace {

class MappedContentFile final : public FlashStorage {
 public:
  MappedContentFile(uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  ~MappedContentFile() override { munmap(bytes_, size_); }
  MappedContentFile(const MappedContentFile&) = delete;
  MappedContentFile& operator=(const MappedContentFile&) = delete;
  std::span<uint8_t> Bytes() override { return {bytes_, size_}; }

 private:
  uint8_t* bytes_;
  std::size_t size_;
};

bool FillErased(int fd, std::size_t from, std::size_t to) {
  const std::vector<uint8_t> erased(std::size_t{64} * 1024, 0xFF);
  while (from < to) {
    const std::size_t chunk = std::min(erased.size(), to - from);
    if (!WriteAllAt(fd, std::span(erased.data(), chunk), from)) return false;
    from += chunk;
  }
  return true;
}

}  // namespace

std::unique_ptr<FlashStorage> MapContentFile(const std::string& path, std::size_t size, std::string& error) {
  std::string openError;
  const FileDescriptor fd = OpenRegularFile(path, O_RDWR | O_CREAT, openError);
  if (!fd.valid()) {
    error = "content file " + openError;
    return nullptr;
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0) {
    error = "cannot read content file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  const auto existing = static_cast<std::size_t>(info.st_size);
  if (existing > size) {
    error = "content file " + path + " holds " + std::to_string(existing) + " bytes, more than its chip's " +
            std::to_string(size);
    return nullptr;
  }
  if (existing < size && !FillErased(fd.get(), existing, size)) {
    error = "cannot extend content file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  void* bytes = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (bytes == MAP_FAILED) {
    error = "cannot map content file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<MappedContentFile>(static_cast<uint8_t*>(bytes), size);
}

}  // namespace tamsel::sim
