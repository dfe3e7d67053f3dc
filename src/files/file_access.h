#pragma once
// Small file helpers shared by the settings, log and record writers. Every
// helper reports failure by its result and leaves the system's error code in
// `error` (0 on success), so callers can trace the cause.
//
// The files are the program's own: they are created, replaced, appended and
// read only as regular files, never through a final symbolic link and never
// blocking on a FIFO or a device (see platform/regular_file.h); anything else
// at the path fails like a file that cannot be written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

// Joins a directory and a name with "/"; an empty directory leaves the name alone.
std::string JoinPath(std::string_view directory, std::string_view name);

// True when something (file or directory) is at the path.
bool PathExists(const std::string& path);

// True when a regular file (or a link to one) is at the path.
bool IsRegularFile(const std::string& path);

// True when the path is a file that may be both read and written: it exists,
// is not a directory and carries no read-only mark (no write permission bit).
bool IsReadWriteFile(const std::string& path);

// Deletes a file (never a directory, nor a file with the read-only mark; a
// link is removed itself, never its target). True when no file is left at the
// path; otherwise `error` tells why.
bool DeleteFileIfPresent(const std::string& path, int& error);
bool DeleteFileIfPresent(const std::string& path);

// The writers refuse a file with the read-only mark (no write permission bit),
// also where the process could override it, as the platform does elsewhere.

enum class AppendTarget { kExistingFile, kCreateWhenAbsent };

// Creates the file empty when absent, keeping an existing one (open-or-create).
bool CreateFileIfAbsent(const std::string& path, int& error);

// Creates the file or empties it, then writes all bytes. On a failed write the
// partial file is removed, so no half-written file is left behind. `opened`,
// when given, tells whether the file could be opened at all.
bool WriteWholeFile(const std::string& path, std::string_view bytes, int& error, bool* opened = nullptr);

// Creates a new file holding the bytes; fails (EEXIST) when anything at all
// is at the path, so an existing file is never emptied. A failed write removes
// the partial file.
bool WriteNewFile(const std::string& path, std::string_view bytes, int& error, bool* opened = nullptr);

// Appends the bytes with one write in the system's append mode, so lines of
// other writers of the same file (another instance) are never overwritten or
// interleaved. A failed append (a full disk) cuts back only this append's own
// bytes, and only while nothing was appended after them, so no broken line is
// left at the end and no other writer's line is cut.
bool AppendToFile(const std::string& path, std::string_view bytes, int& error,
                  AppendTarget target = AppendTarget::kExistingFile);

// Reads a whole regular file of the program's own (a final link is refused).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int& error);

// Copies a file over another. A target with the read-only mark is not replaced.
bool CopyWholeFile(const std::string& source, const std::string& target, int& error);

// True when both paths name one file: the same existing file (through links,
// hard links or any spelling), or the same place once "." and ".." and links
// of the existing part are resolved. Relative paths are taken from the
// current directory.
bool NamesSameFile(const std::string& first, const std::string& second);

}  // namespace tamsel
