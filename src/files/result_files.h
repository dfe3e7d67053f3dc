#pragma once
// The one-word verdict "result.log" and the version report "QorxVersion.txt".

#include <string>

#include "hw/device_table.h"

namespace tamsel {

inline constexpr const char* kResultFileName = "result.log";
inline constexpr const char* kVersionReportFileName = "QorxVersion.txt";

// Writes "Pass" (pass flag 1) or "Fail", then CR LF, to result.log in the
// start-up directory, replacing it. False when the file cannot be written,
// with `error` telling why.
bool vWriteResultFile(const std::string& m_szStartDir, int passFlag, int& error);
bool vWriteResultFile(const std::string& m_szStartDir, int passFlag);

// Replaces QorxVersion.txt in the directory with one line per found device:
// its running firmware version as 12 upper-case hex digits and CR LF. Always 0.
int nOutputVerTextFile(const std::string& directory, const DeviceTable& devices);

}  // namespace tamsel
