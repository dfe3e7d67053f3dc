#include "files/file_access.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/regular_file.h"

namespace tamsel {

namespace fs = std::filesystem;

namespace {

// A regular file without a write permission bit carries the read-only mark;
// the writers here refuse it even where the process could override it (root).
bool CarriesReadOnlyMark(const std::string& path) {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(fs::path(path), code);
  return !code && fs::is_regular_file(status) &&
         (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Opens a file to write, refusing one with the read-only mark first.
RegularFile OpenToWrite(const std::string& path, RegularFileMode mode, int& error) {
  if (CarriesReadOnlyMark(path)) {
    error = EACCES;
    return RegularFile();
  }
  return RegularFile::Open(path, mode, error);
}

bool CloseKeepingError(RegularFile& file, bool ok, int& error) {
  int closeError = 0;
  if (!file.Close(closeError) && ok) {
    error = closeError;
    return false;
  }
  return ok;
}

// After a short append: cuts back this writer's own bytes, and only while
// they still end the file, so a line another writer appended after them is
// never cut.
void RollBackOwnBytes(RegularFile& file, const RegularFile::Written& written) {
  std::uint64_t size = 0;
  int error = 0;
  if (written.bytes > 0 && written.end >= written.bytes && file.Size(size, error) && size == written.end) {
    file.Truncate(written.end - written.bytes, error);
  }
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

bool DeleteFileIfPresent(const std::string& path, int& error) {
  error = 0;
  std::error_code code;
  const fs::file_status status = fs::symlink_status(fs::path(path), code);
  if (!fs::exists(status)) {
    return true;
  }
  if (fs::is_directory(status)) {
    error = EISDIR;
    return false;
  }
  if (CarriesReadOnlyMark(path)) {
    error = EACCES;
    return false;
  }
  fs::remove(fs::path(path), code);
  error = code.value();
  return !code;
}

bool DeleteFileIfPresent(const std::string& path) {
  int error = 0;
  return DeleteFileIfPresent(path, error);
}

bool CreateFileIfAbsent(const std::string& path, int& error) {
  error = 0;
  RegularFile file = OpenToWrite(path, RegularFileMode::kOpenOrCreate, error);
  return file.isOpen() && CloseKeepingError(file, true, error);
}

namespace {

// Writes all bytes to the file opened in `mode`; a failed write removes the
// partial file.
bool WriteFile(const std::string& path, RegularFileMode mode, std::string_view bytes, int& error,
               bool* opened) {
  error = 0;
  RegularFile file = OpenToWrite(path, mode, error);
  if (opened != nullptr) {
    *opened = file.isOpen();
  }
  if (!file.isOpen()) {
    return false;
  }
  const bool written = file.WriteAll(bytes, error);
  if (!CloseKeepingError(file, written, error)) {
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes, int& error, bool* opened) {
  return WriteFile(path, RegularFileMode::kReplace, bytes, error, opened);
}

bool WriteNewFile(const std::string& path, std::string_view bytes, int& error, bool* opened) {
  return WriteFile(path, RegularFileMode::kCreateNew, bytes, error, opened);
}

bool AppendToFile(const std::string& path, std::string_view bytes, int& error, AppendTarget target) {
  error = 0;
  const RegularFileMode mode =
      target == AppendTarget::kCreateWhenAbsent ? RegularFileMode::kAppendOrCreate : RegularFileMode::kAppend;
  RegularFile file = OpenToWrite(path, mode, error);
  if (!file.isOpen()) {
    return false;
  }
  const RegularFile::Written written = file.WriteOnce(bytes);
  if (written.bytes != bytes.size()) {
    error = written.error;
    RollBackOwnBytes(file, written);
    CloseKeepingError(file, false, error);
    return false;
  }
  return CloseKeepingError(file, true, error);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int& error) {
  error = 0;
  bytes.clear();
  RegularFile file = RegularFile::Open(path, RegularFileMode::kRead, error);
  if (!file.isOpen()) {
    return false;
  }
  uint8_t chunk[65536];
  std::size_t got = 0;
  while (file.Read(chunk, sizeof chunk, got, error) && got > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return error == 0;
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

bool NamesSameFile(const std::string& first, const std::string& second) {
  std::error_code code;
  if (fs::equivalent(fs::path(first), fs::path(second), code) && !code) {
    return true;  // both exist and are one file, however they are spelled or linked
  }
  std::error_code firstCode;
  std::error_code secondCode;
  const fs::path firstResolved = fs::weakly_canonical(fs::absolute(fs::path(first), firstCode), firstCode);
  const fs::path secondResolved =
      fs::weakly_canonical(fs::absolute(fs::path(second), secondCode), secondCode);
  return !firstCode && !secondCode && firstResolved == secondResolved;
}

}  // namespace tamsel
