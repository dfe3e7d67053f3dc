#pragma once
// The production log: one tab-separated line per found device per run,
// appended to the day's file "YYYYMMDD.log" in the start-up directory, with a
// header line when the file is new, and an optional copy under savelog_path.

#include <cstdint>
#include <string>
#include <string_view>

#include "files/ini_settings.h"
#include "files/operator_notifier.h"
#include "hw/device_table.h"
#include "platform/local_clock.h"

namespace tamsel {

// The header line, 130 bytes.
inline constexpr std::string_view kProductionLogHeader =
    "Date\tTime\t#H\tCurrent_FirmwareVersion\tBus\tDevice\tFunction\tVID\tDID\tUpdateFirmwareBinFile\t"
    "EraseROM\tFwUpdate\tCompareROM\tOPROMversion\r\n";
static_assert(kProductionLogHeader.size() == 130);

// Status codes the outcome columns look at.
inline constexpr uint32_t kStatusUntouched = 0;
inline constexpr uint32_t kStatusErasePassed = 5;
inline constexpr uint32_t kStatusUpdatePassed = 10;
inline constexpr uint32_t kStatusNoDeviceToOperate = 17;  // refused by /L, or no device in the slot

// The three outcome columns of one device.
struct LogOutcome {
  std::string_view eraseRom;
  std::string_view fwUpdate;  // CompareROM always reads the same
};

// Outcome columns from the operation flags and the device's status. In an
// update run FwUpdate and CompareROM read "Pass" only for status 10, "None"
// for a device nothing was done to (0, and 17: refused by the version
// restriction or no device in the slot) and "Fail" otherwise; with the erase
// flag also on, EraseROM reads "Pass" for 5 and 10, "None" for 0 and 17 and
// "Fail" otherwise. Runs without the update flag read "None" in all three.
LogOutcome LogOutcomeFor(const IniSettings& ini, uint32_t status);

struct ProductionLogSetting {
  const std::string& m_szStartDir;
  const DeviceTable& devices;
  const IniSettings& ini;
  std::string_view pSpiromFileName;  // the file the last check tried ("" when none)
  LocalClock& clock;
};

// The day's file name "%.4d%.2d%.2d.log".
std::string DailyLogName(const LocalDateTime& when);

// One record line of slot `index`, stamped with `when`.
std::string FormatLogRecord(const LocalDateTime& when, std::size_t index, const DeviceSlot& slot,
                            std::string_view fileName, const LogOutcome& outcome);

// Appends the run's lines (creating the file with its header when it does
// not exist) and refreshes the copy. A day's file that exists but cannot be
// both read and written is left untouched, and a copy target that names the
// day's file, history.log or result.log is refused. True when the lines were
// appended and, when enabled, the copy was made.
bool bSaveLog(const ProductionLogSetting& setting);

// Creates the day's file with its header line. An existing file is never
// emptied: then nothing is written and the result is false.
bool bSaveLogCreateHead(const std::string& strLogFilePath);

// True when the path exists and may be both read and written. With
// showMessage 1 a failure is also shown through the notifier.
bool vCheckFilePathExists(const std::string& path, uint8_t showMessage, OperatorNotifier* notifier = nullptr);

}  // namespace tamsel
