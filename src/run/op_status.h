#pragma once
// OpStatus: the outcome codes of the firmware file check and of the
// per-device operations, and the message shown for each in the list.

#include <cstdint>

namespace tamsel {

using OpStatus = uint32_t;

namespace op_status {
inline constexpr OpStatus kNoOperations = 0;
inline constexpr OpStatus kInitControllerFail = 1;
inline constexpr OpStatus kGrantFail = 2;
inline constexpr OpStatus kDetectFlashFail = 3;
inline constexpr OpStatus kEraseFail = 4;
inline constexpr OpStatus kErasePass = 5;
inline constexpr OpStatus kCapacityTooSmall = 6;
inline constexpr OpStatus kReadCustomerTableFail = 7;
inline constexpr OpStatus kReadRecordTableFail = 8;
inline constexpr OpStatus kUpdateFail = 9;
inline constexpr OpStatus kUpdatePass = 10;
inline constexpr OpStatus kCannotOpenFile = 11;
inline constexpr OpStatus kAllocateFail = 12;
inline constexpr OpStatus kInvalidRomFile = 13;
inline constexpr OpStatus kNoRomFileDesignated = 14;
inline constexpr OpStatus kFileCheckPassed = 15;
inline constexpr OpStatus kFileNotChecked = 16;
inline constexpr OpStatus kNoDeviceToOperate = 17;
}  // namespace op_status

// The message of a code; "None" for any code outside the table.
const char* OpStatusMessage(OpStatus code);

// Codes 5 (erase passed) and 10 (update passed).
bool IsPassStatus(OpStatus code);

}  // namespace tamsel
