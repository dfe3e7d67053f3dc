#include "files/result_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "files/file_access.h"
#include "image/version_text.h"
#include "platform/trace.h"

namespace tamsel {

bool vWriteResultFile(const std::string& m_szStartDir, int passFlag, int& error) {
  return WriteWholeFile(JoinPath(m_szStartDir, kResultFileName), passFlag == 1 ? "Pass\r\n" : "Fail\r\n",
                        error);
}

bool vWriteResultFile(const std::string& m_szStartDir, int passFlag) {
  int error = 0;
  return vWriteResultFile(m_szStartDir, passFlag, error);
}

int nOutputVerTextFile(const std::string& directory, const DeviceTable& devices) {
  constexpr const char* kRoutine = "CTamselDlg::nOutputVerTextFile";
  const std::string path = JoinPath(directory, kVersionReportFileName);
  DeleteFileIfPresent(path);
  int error = 0;
  if (!WriteWholeFile(path, "", error)) {
    TRACE_MSG(kRoutine, "  CreateFile Failed,OUTPUT_VERSION_FILE_NAME=%s,Error=%d", kVersionReportFileName,
              error);
    return 0;
  }
  std::string text;
  const std::size_t count = std::min<std::size_t>(devices.uc584Host, kMaxDevices);
  for (std::size_t i = 0; i < count; ++i) {
    const DeviceSlot& slot = devices.slots[i];
    const std::string version = FormatReportFwVersion(FwVersionBytes(slot.fwVersionRegs.data(), 6));
    // The version text always has 12 characters, so the field width pads nothing.
    TRACE_MSG(kRoutine, "%d:%12s[%02x:%02x.%02x]", static_cast<int>(i), version.c_str(), slot.bus,
              slot.device, slot.function);
    char line[32];
    std::snprintf(line, sizeof line, "%12s\r\n", version.c_str());
    text += line;
  }
  if (!WriteWholeFile(path, text, error)) {
    TRACE_MSG(kRoutine, "writing %s failed, Error=%d", kVersionReportFileName, error);
  }
  return 0;
}

}  // namespace tamsel
