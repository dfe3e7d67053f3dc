#pragma once
// Letter case of single-byte ASCII text, the way the tool's names, keys and
// versions compare: only A-Z fold, every other byte stands as it is, and no
// locale takes part.

#include <algorithm>
#include <string_view>

namespace tamsel {

constexpr char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

constexpr bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace tamsel
