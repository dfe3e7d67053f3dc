#pragma once
// Text forms of the firmware versions: the running firmware's six configuration
// bytes, the stored firmware's six bytes from the flash's firmware area, and
// the option ROM's code revision.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image/version_limit.h"

namespace tamsel {

using FwVersionBytes = std::span<const uint8_t, 6>;

// Shown for a version that cannot be read, and for an option ROM whose revision lies out of reach.
inline constexpr std::string_view kNoVersionText = "None";
inline constexpr std::string_view kInvalidVersionText = "Invalid";

// "250613-00BC-00": the list's "FW ver." column.
std::string FormatRunningFwVersion(FwVersionBytes bytes);
// "25061300BC00": the version report.
std::string FormatReportFwVersion(FwVersionBytes bytes);
// "25061300bc00": the production log.
std::string FormatLogFwVersion(FwVersionBytes bytes);
// "250613_00_BC_00": the stored firmware version kept per device.
std::string FormatStoredFwVersion(FwVersionBytes bytes);
// The text with every "_" removed ("250613_00_BC_00" -> "25061300BC00"; "None" stays).
std::string RemoveUnderscores(std::string_view text);
// "1.6a" for major 0x01, minor 0x6A.
std::string FormatOptionRomVersion(uint8_t major, uint8_t minor);

}  // namespace tamsel
