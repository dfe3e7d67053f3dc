#pragma once
// The two operations on one found controller: erase the whole flash and prove
// it blank, or write a firmware image (or only its register table) keeping the
// chip's own configuration tables. Each returns the OpStatus of how far it got.

#include <cstdint>
#include <span>

#include "files/ini_settings.h"
#include "flash/progress_reporter.h"
#include "hw/device_table.h"
#include "run/op_status.h"
#include "run/run_dialog.h"

namespace tamsel {

inline constexpr int kEraseAttempts = 3;
inline constexpr int kClearStatusAttempts = 3;
inline constexpr uint32_t kSectorBytes = 4096;

// Erases the device's flash: 1, 2, 3, 4 or 5. Shows whether the chip is in the
// chip table in the device's "Status" cell (row = the device's index).
OpStatus iEraseFunc(DeviceSlot& slot, int row, RunDialog& dialog);

// Writes the image to the device's flash: 1, 2, 3, 6, 7, 8, 9 or 10. The
// chip's tables are copied into the image first (when their keys are 0), so
// the shared buffer is changed in place; only the parts of the tables that
// lie inside the image are copied, and a table that cannot be read ends the
// update with 7 or 8 before anything is erased. A register-table-only update changes only
// bytes 0x000-0x0FF: the chip's content is read first and written back
// around the image's register table (a failed read ends with 9 before
// anything is erased). consoleProgress chooses the console engine.
OpStatus iUpdate(std::span<uint8_t> image, DeviceSlot& slot, const IniSettings& ini,
                 const ProgressReporter* consoleProgress);

}  // namespace tamsel
