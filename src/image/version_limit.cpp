#include "image/version_limit.h"

#include <cerrno>
#include <cstddef>
#include <exception>
#include <optional>

#include "platform/ascii_text.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr const char* kRoutine = "CTamselDlg::iChangeVersionXtoValid";
// Both texts are handled in 16-character buffers, the last place kept for the end.
constexpr std::size_t kLongestVersionText = 15;
constexpr char kWildcard = 'X';

// The limit with each X replaced by the device's character at its place; an X
// at the device text's end cuts the limit there. Nothing when an X lies beyond
// that end before any cut.
std::optional<std::string> FillWildcards(const std::string& limit, const std::string& device) {
  std::string filled;
  for (std::size_t index = 0; index < limit.size(); ++index) {
    if (limit[index] != kWildcard) {
      filled.push_back(limit[index]);
    } else if (index < device.size()) {
      filled.push_back(device[index]);
    } else if (index == device.size()) {
      break;
    } else {
      return std::nullopt;
    }
  }
  return filled;
}

}  // namespace

int iChangeVersionXtoValid(const std::string& limit, const std::string& device) {
  try {
    if (limit.size() > kLongestVersionText) {
      TRACE_MSG(kRoutine, " CString Lenth[%d] >16", static_cast<int>(limit.size()));
      return kVersionRefused;
    }
    if (device.size() > kLongestVersionText) {
      TRACE_MSG(kRoutine, " CString Lenth[%d] >16", static_cast<int>(device.size()));
      return kVersionRefused;
    }
    const std::optional<std::string> filled = FillWildcards(limit, device);
    return filled && EqualIgnoringCase(*filled, device) ? kVersionMatch : kVersionDifferent;
  } catch (const std::exception&) {
    TRACE_MSG(kRoutine, " dwErrorCode %d", errno);
    return kVersionRefused;
  }
}

}  // namespace tamsel
