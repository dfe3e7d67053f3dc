#include "files/production_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <span>

#include "files/file_access.h"
#include "files/history_log.h"
#include "files/result_files.h"
#include "image/version_text.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr const char* kSaveLogRoutine = "CTamselDlg::bSaveLog";

constexpr std::string_view kPass = "Pass";
constexpr std::string_view kFail = "Fail";
constexpr std::string_view kNone = "None";

struct StatusWord {
  uint32_t status;
  std::string_view word;
};

// Words of the outcome columns in an update run; any status not listed is a
// failure. A device the run did nothing to is neither passed nor failed.
constexpr StatusWord kUpdateWords[] = {
    {kStatusUpdatePassed, kPass}, {kStatusUntouched, kNone}, {kStatusNoDeviceToOperate, kNone}};
constexpr StatusWord kEraseWords[] = {{kStatusErasePassed, kPass},
                                      {kStatusUpdatePassed, kPass},
                                      {kStatusUntouched, kNone},
                                      {kStatusNoDeviceToOperate, kNone}};

std::string_view WordFor(std::span<const StatusWord> words, uint32_t status) {
  const auto match =
      std::find_if(words.begin(), words.end(), [status](const StatusWord& w) { return w.status == status; });
  return match == words.end() ? kFail : match->word;
}

std::string ResolveAgainst(const std::string& directory, const std::string& path) {
  return (!path.empty() && path.front() == '/') ? path : JoinPath(directory, path);
}

// The first four characters of the option ROM text; blanks stand in for
// missing ones so that no NUL reaches the file.
std::string OptionRomColumn(const SlotText& text) {
  std::string column(4, ' ');
  for (std::size_t i = 0; i < column.size() && text[i] != '\0'; ++i) {
    column[i] = text[i];
  }
  return column;
}

void TraceCheckFailure(const char* what, const std::string& path, int error) {
  TRACE_MSG("CTamselDlg::vCheckFilePathExists",
            "vCheckFilePathExists: %s , strFilePath : %s , err : %d , dwErrorCode %d", what, path.c_str(),
            error, error);
}

}  // namespace

LogOutcome LogOutcomeFor(const IniSettings& ini, uint32_t status) {
  if (ini.update_qor_584_spi_flash_rom != 1) {
    return {kNone, kNone};
  }
  const std::string_view update = WordFor(kUpdateWords, status);
  const std::string_view erase =
      ini.erase_all_content_of_spi_flash_rom_only == 1 ? WordFor(kEraseWords, status) : kNone;
  return {erase, update};
}

std::string DailyLogName(const LocalDateTime& when) {
  char name[64];
  std::snprintf(name, sizeof name, "%.4d%.2d%.2d.log", when.year, when.month, when.day);
  return name;
}

std::string FormatLogRecord(const LocalDateTime& when, std::size_t index, const DeviceSlot& slot,
                            std::string_view fileName, const LogOutcome& outcome) {
  char head[96];
  std::snprintf(head, sizeof head, "%.4d%.2d%.2d\t%.2d:%.2d:%.2d\t%d\t%s\t", when.year, when.month, when.day,
                when.hour, when.minute, when.second, static_cast<int>(index),
                FormatLogFwVersion(FwVersionBytes(slot.fwVersionRegs.data(), 6)).c_str());
  char location[64];
  std::snprintf(location, sizeof location, "%d\t%d\t%d\t%04x\t%04x\t", slot.bus, slot.device, slot.function,
                slot.controller.vendorId, slot.controller.deviceId);
  std::string line = head;
  line += location;
  line += fileName;
  for (std::string_view word : {outcome.eraseRom, outcome.fwUpdate, outcome.fwUpdate}) {
    line += '\t';
    line += word;
  }
  line += '\t';
  line += OptionRomColumn(slot.opromVersionText);
  line += "\r\n";
  return line;
}

bool vCheckFilePathExists(const std::string& path, uint8_t showMessage, OperatorNotifier* notifier) {
  const char* failure = nullptr;
  int error = 0;
  if (!PathExists(path)) {
    failure = "Not Exist";
    error = ENOENT;
  } else if (!IsReadWriteFile(path)) {
    failure = "Not Read/Write";
    error = EACCES;
  } else {
    return true;
  }
  TraceCheckFailure(failure, path, error);
  if (showMessage == 1 && notifier != nullptr) {
    notifier->ShowMessage(OperatorMessage{path + " File/Path is not exist"});
  }
  return false;
}

bool bSaveLogCreateHead(const std::string& strLogFilePath) {
  constexpr const char* kRoutine = "CTamselDlg::bSaveLogCreateHead";
  int error = 0;
  bool opened = false;
  if (WriteNewFile(strLogFilePath, kProductionLogHeader, error, &opened)) {
    return true;
  }
  if (opened) {
    TRACE_MSG(kRoutine, "Exception writing log header: %s", strLogFilePath.c_str());
  } else if (error != EEXIST) {
    // EEXIST: another instance made the day's file (with its header) first.
    TRACE_MSG(kRoutine, "Create log header failed: %s (err=%d)", strLogFilePath.c_str(), error);
  }
  return false;
}

namespace {

// The copy must never overwrite a record of the day: the daily log itself,
// history.log or result.log.
bool CopyTargetIsARecord(const ProductionLogSetting& setting, const std::string& strLogFilePath,
                         const std::string& strSaveLogPath) {
  const std::string records[] = {strLogFilePath, JoinPath(setting.m_szStartDir, kHistoryFileName),
                                 JoinPath(setting.m_szStartDir, kResultFileName)};
  for (const std::string& record : records) {
    if (NamesSameFile(strSaveLogPath, record)) {
      TRACE_MSG(kSaveLogRoutine, "savelog_path %s names the record %s; no copy is made",
                strSaveLogPath.c_str(), record.c_str());
      return true;
    }
  }
  return false;
}

// Appends the run's lines. A day's file that exists but cannot be both read
// and written is left exactly as it is: never emptied, never given a header.
bool AppendRecords(const std::string& strLogFilePath, const std::string& text) {
  const bool usable = vCheckFilePathExists(strLogFilePath, 0);
  const bool leftAlone = !usable && PathExists(strLogFilePath);
  if (!usable && !leftAlone) {
    bSaveLogCreateHead(strLogFilePath);
  }
  int error = EACCES;
  if (!leftAlone && AppendToFile(strLogFilePath, text, error)) {
    return true;
  }
  TRACE_MSG(kSaveLogRoutine, "strLogFilePath : %s , dwErrorCode %d", strLogFilePath.c_str(), error);
  return false;
}

// Replaces the copy with the whole day's file.
bool RefreshCopy(const std::string& strLogFilePath, const std::string& strSaveLogPath, int& error) {
  if (vCheckFilePathExists(strSaveLogPath, 0)) {
    DeleteFileIfPresent(strSaveLogPath);
  }
  return CopyWholeFile(strLogFilePath, strSaveLogPath, error);
}

}  // namespace

bool bSaveLog(const ProductionLogSetting& setting) {
  const LocalDateTime when = setting.clock.Now();
  const std::string strLogFilePath = JoinPath(setting.m_szStartDir, DailyLogName(when));
  std::string text;
  const std::size_t count = std::min<std::size_t>(setting.devices.uc584Host, kMaxDevices);
  for (std::size_t i = 0; i < count; ++i) {
    const DeviceSlot& slot = setting.devices.slots[i];
    text += FormatLogRecord(when, i, slot, setting.pSpiromFileName, LogOutcomeFor(setting.ini, slot.status));
  }
  if (!AppendRecords(strLogFilePath, text)) {
    return false;
  }
  const std::string savePath = FixedTextString(setting.ini.savelog_path);
  if (setting.ini.savelog_enable == 0 || savePath.empty()) {
    return true;
  }
  const std::string strSaveLogPath = ResolveAgainst(setting.m_szStartDir, savePath);
  int error = EINVAL;
  if (!CopyTargetIsARecord(setting, strLogFilePath, strSaveLogPath) &&
      RefreshCopy(strLogFilePath, strSaveLogPath, error)) {
    return true;
  }
  TRACE_MSG(kSaveLogRoutine, "CopyFile Fail! strSaveLogPath %s, dwErrorCode %d", strSaveLogPath.c_str(),
            error);
  return false;
}

}  // namespace tamsel
