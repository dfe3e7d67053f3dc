#pragma once
// Small file helpers shared by the settings, log and record writers. Every
// helper reports failure by its result and leaves the C error number in
// `error` (0 on success), so callers can trace the cause.

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

// Deletes a file (never a directory, nor a file with the read-only mark).
// True when no file is left at the path.
bool DeleteFileIfPresent(const std::string& path);

// The writers refuse a file with the read-only mark (no write permission bit),
// also where the process could override it, as the platform does elsewhere.

// Creates the file empty when absent, keeping an existing one (open-or-create).
bool CreateFileIfAbsent(const std::string& path, int& error);

// Creates the file or empties it, then writes all bytes. On a failed write the
// partial file is removed, so no half-written file is left behind. `opened`,
// when given, tells whether the file could be opened at all.
bool WriteWholeFile(const std::string& path, std::string_view bytes, int& error, bool* opened = nullptr);

// Appends the bytes in one piece to an existing file. A failed append (a full
// disk) cuts the file back to its old length, so earlier lines stay intact and
// no broken line is left at its end.
bool AppendToFile(const std::string& path, std::string_view bytes, int& error);

// Reads a whole regular file. Directories and unreadable files fail.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, int& error);

// Copies a file over another. A target with the read-only mark is not replaced.
bool CopyWholeFile(const std::string& source, const std::string& target, int& error);

}  // namespace tamsel
