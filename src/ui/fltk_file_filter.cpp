#include "ui/fltk_file_filter.h"

#include <vector>

namespace tamsel {

namespace {

std::vector<std::string> SplitAtBars(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

// FLTK matches "*.*" only against names with a dot; on the platform the
// filter comes from it means every file.
std::string FltkPattern(const std::string& pattern) {
  std::string result;
  std::size_t start = 0;
  while (start <= pattern.size()) {
    std::size_t end = pattern.find(';', start);
    if (end == std::string::npos) {
      end = pattern.size();
    }
    std::string one = pattern.substr(start, end - start);
    if (one == "*.*") {
      one = "*";
    }
    if (!one.empty()) {
      result += result.empty() ? one : "," + one;
    }
    start = end + 1;
  }
  return result.find(',') == std::string::npos ? result : "{" + result + "}";
}

// The label with its own bracketed pattern (if any) replaced by the FLTK one.
std::string Entry(const std::string& label, const std::string& pattern) {
  const std::size_t open = label.rfind('(');
  std::string stem = open == std::string::npos ? label : label.substr(0, open);
  while (!stem.empty() && stem.back() == ' ') {
    stem.pop_back();
  }
  const std::string bracketed = "(" + pattern + ")";
  return stem.empty() ? bracketed : stem + " " + bracketed;
}

}  // namespace

std::string ToFltkFileFilter(const std::string& filter) {
  const std::vector<std::string> parts = SplitAtBars(filter);
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) {
      break;  // the closing "||"
    }
    const std::string pattern = FltkPattern(parts[i + 1]);
    if (pattern.empty()) {
      continue;
    }
    if (!result.empty()) {
      result += '\t';
    }
    result += Entry(parts[i], pattern);
  }
  return result.empty() ? "(*)" : result;
}

}  // namespace tamsel
