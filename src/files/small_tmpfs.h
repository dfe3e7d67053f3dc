#pragma once
// Test support: a tiny tmpfs mounted inside a scratch directory, to run the
// writers against a full or a read-only disk. Mounting needs the right to (root in CI);
// where it is refused, mounted() is false and the test skips.

#include <sys/mount.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "files/scratch_directory.h"

namespace tamsel {

class SmallTmpfs {
 public:
  explicit SmallTmpfs(const char* size = "size=16k") : path_(scratch_.Path("small")) {
    std::filesystem::create_directory(path_);
    mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, size) == 0;
  }
  ~SmallTmpfs() {
    if (mounted_) {
      umount(path_.c_str());
    }
  }
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& dir() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

  // Remounts the file system read-only: then nobody, root included, can
  // create, change or delete anything in it. False where that is refused.
  bool MakeReadOnly() const {
    return mounted_ && mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

  // Fills the remaining space with a file named "filler".
  void Fill() const {
    std::FILE* filler = std::fopen(Path("filler").c_str(), "wb");
    if (filler == nullptr) {
      return;
    }
    const std::string block(512, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
  }

 private:
  ScratchDirectory scratch_;
  std::string path_;
  bool mounted_ = false;
};

}  // namespace tamsel
