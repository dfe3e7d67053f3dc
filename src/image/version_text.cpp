#include "image/version_text.h"

#include <algorithm>
#include <cstdio>

namespace tamsel {

namespace {

// Longest form: twelve digits, three separators and the NUL.
constexpr std::size_t kVersionBufferSize = 32;

std::string FormatSixBytes(const char* format, FwVersionBytes bytes) {
  char text[kVersionBufferSize];
  std::snprintf(text, sizeof text, format, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
  return text;
}

}  // namespace

std::string FormatRunningFwVersion(FwVersionBytes bytes) {
  return FormatSixBytes("%02X%02X%02X-%02X%02X-%02X", bytes);
}

std::string FormatReportFwVersion(FwVersionBytes bytes) {
  return FormatSixBytes("%02X%02X%02X%02X%02X%02X", bytes);
}

std::string FormatLogFwVersion(FwVersionBytes bytes) {
  return FormatSixBytes("%02x%02x%02x%02x%02x%02x", bytes);
}

std::string FormatStoredFwVersion(FwVersionBytes bytes) {
  return FormatSixBytes("%02X%02X%02X_%02X_%02X_%02X", bytes);
}

std::string RemoveUnderscores(std::string_view text) {
  std::string result;
  std::copy_if(text.begin(), text.end(), std::back_inserter(result), [](char c) { return c != '_'; });
  return result;
}

std::string FormatOptionRomVersion(uint8_t major, uint8_t minor) {
  char text[kVersionBufferSize];
  std::snprintf(text, sizeof text, "%01x.%02x", major, minor);
  return text;
}

}  // namespace tamsel
