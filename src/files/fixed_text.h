#pragma once
// Fixed 255-byte text fields of the settings and the firmware check: at most
// 254 characters and a NUL. Longer text is cut, never overflowing the field.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tamsel {

inline constexpr std::size_t kFixedTextSize = 255;
inline constexpr std::size_t kFixedTextMaxLength = kFixedTextSize - 1;

using FixedText = std::array<char, kFixedTextSize>;

// Replaces the content with the text cut to 254 characters (and at an inner NUL).
inline void SetFixedText(FixedText& field, std::string_view text) {
  field.fill('\0');
  std::size_t length = 0;
  while (length < text.size() && length < kFixedTextMaxLength && text[length] != '\0') {
    field[length] = text[length];
    ++length;
  }
}

// The text up to its NUL (the last byte always ends it).
inline std::string_view FixedTextView(const FixedText& field) {
  std::size_t length = 0;
  while (length < kFixedTextMaxLength && field[length] != '\0') {
    ++length;
  }
  return {field.data(), length};
}

inline std::string FixedTextString(const FixedText& field) {
  return std::string(FixedTextView(field));
}

}  // namespace tamsel
