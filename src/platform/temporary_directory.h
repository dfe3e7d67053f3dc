#pragma once
// Test support: a fresh directory under the system's temporary directory,
// removed with everything in it when the object goes.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace tamsel {

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tamsel-platform-XXXXXX").string();
    root_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TemporaryDirectory() {
    std::error_code code;
    std::filesystem::remove_all(root_, code);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  std::string Path(const std::string& name) const { return (std::filesystem::path(root_) / name).string(); }

 private:
  std::string root_;
};

}  // namespace tamsel
