#include "files/file_access.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tamsel {

namespace fs = std::filesystem;

namespace {

// Writes all bytes and flushes; the error number of the first failure is kept.
bool WriteAndFlush(std::FILE* file, std::string_view bytes, int& error) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  if (std::fflush(file) != 0) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

bool CloseKeepingError(std::FILE* file, bool ok, int& error) {
  if (std::fclose(file) != 0 && ok) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  return ok;
}

// A regular file without a write permission bit carries the read-only mark;
// the writers here refuse it even where the process could override it (root).
bool CarriesReadOnlyMark(const std::string& path) {
  std::error_code code;
  const fs::file_status status = fs::status(fs::path(path), code);
  return !code && fs::is_regular_file(status) &&
         (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

}  // namespace

std::string JoinPath(std::string_view directory, std::string_view name) {
  if (directory.empty()) {
    return std::string(name);
  }
  std::string path(directory);
  if (path.back() != '/') {
    path += '/';
  }
  path += name;
  return path;
}

bool PathExists(const std::string& path) {
  std::error_code code;
  return fs::exists(fs::path(path), code);
}

bool IsRegularFile(const std::string& path) {
  std::error_code code;
  return fs::is_regular_file(fs::path(path), code);
}

bool IsReadWriteFile(const std::string& path) {
  std::error_code code;
  const fs::file_status status = fs::status(fs::path(path), code);
  if (code || !fs::exists(status) || fs::is_directory(status)) {
    return false;
  }
  const fs::perms perms = status.permissions();
  return (perms & fs::perms::owner_read) != fs::perms::none &&
         (perms & fs::perms::owner_write) != fs::perms::none;
}

bool DeleteFileIfPresent(const std::string& path) {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(fs::path(path), code);
  if (!fs::exists(status)) {
    return true;
  }
  if (fs::is_directory(status) || CarriesReadOnlyMark(path)) {
    return false;
  }
  return fs::remove(fs::path(path), code) && !code;
}

bool CreateFileIfAbsent(const std::string& path, int& error) {
  error = 0;
  if (CarriesReadOnlyMark(path)) {
    error = EACCES;
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  std::fclose(file);
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, int& error, bool* opened) {
  error = 0;
  if (opened != nullptr) {
    *opened = false;
  }
  if (CarriesReadOnlyMark(path)) {
    error = EACCES;
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  if (opened != nullptr) {
    *opened = true;
  }
  const bool written = WriteAndFlush(file, bytes, error);
  if (!CloseKeepingError(file, written, error)) {
    if (IsRegularFile(path)) {
      std::remove(path.c_str());
    }
    return false;
  }
  return true;
}

bool AppendToFile(const std::string& path, std::string_view bytes, int& error) {
  error = 0;
  if (CarriesReadOnlyMark(path)) {
    error = EACCES;
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  // Only a regular file can be cut back after a failed append.
  std::error_code code;
  const bool regular = IsRegularFile(path);
  const std::uintmax_t oldSize = regular ? fs::file_size(fs::path(path), code) : 0;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  if (!ok) {
    error = errno != 0 ? errno : EIO;
  }
  ok = ok && WriteAndFlush(file, bytes, error);
  ok = CloseKeepingError(file, ok, error);
  if (!ok && regular && !code) {
    fs::resize_file(fs::path(path), oldSize, code);
  }
  return ok;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int& error) {
  error = 0;
  bytes.clear();
  std::error_code code;
  if (fs::is_directory(fs::path(path), code)) {
    error = EISDIR;
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = errno != 0 ? errno : EIO;
    return false;
  }
  uint8_t chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool ok = std::ferror(file) == 0;
  if (!ok) {
    error = errno != 0 ? errno : EIO;
  }
  std::fclose(file);
  return ok;
}

bool CopyWholeFile(const std::string& source, const std::string& target, int& error) {
  error = 0;
  if (PathExists(target) && !IsReadWriteFile(target)) {
    error = EACCES;
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(source, bytes, error)) {
    return false;
  }
  return WriteWholeFile(target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        error);
}

}  // namespace tamsel
