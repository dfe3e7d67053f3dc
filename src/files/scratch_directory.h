#pragma once
// Test support: a fresh directory under the system's temporary directory,
// removed with everything in it when the object goes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace tamsel {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    path_ = std::filesystem::temp_directory_path() / ("tamsel-files-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code code;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 code);
    std::filesystem::remove_all(path_, code);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string dir() const { return path_.string(); }
  std::string Path(std::string_view name) const { return (path_ / name).string(); }

  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string Read(std::string_view name) const { return ReadFile(Path(name)); }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tamsel
