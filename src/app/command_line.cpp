#include "app/command_line.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace tamsel {

const char* const kUsageText =
    "Usage: QOR584x TamselWin.exe [/? | /O | /DBG] \r\n"
    "OPTIONS\r\n"
    " /O\tPrint out device info to log file\r\n"
    " /L [ Version ]\t\tRestrict FW Version to update\r\n"
    " /A\t\t\tAuto Mode\r\n"
    " /S\t\t\tSilent Install \r\n"
    " /DBG\tSet Debug Message Level (0-9)\r\n";

namespace {

bool IsSplitCharacter(char c) {
  return c == '_' || c == '\t' || c == '\n';
}

bool IsTrimmed(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The value of one character: its upper-case code written as two lower-case
// hex digits and read back as a decimal number n; below 41 the character's
// own decimal value (0 for a non-digit), else n - 31.
uint32_t HexDigitValue(char c) {
  const int upper = std::toupper(static_cast<unsigned char>(c));
  char code[3] = {};
  std::snprintf(code, sizeof code, "%02x", upper & 0xFF);
  const long n = std::strtol(code, nullptr, 10);
  if (n < 41) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0 ? static_cast<uint32_t>(c - '0') : 0u;
  }
  return static_cast<uint32_t>(n - 31);
}

}  // namespace

std::string BuildInitCmd(const std::vector<std::string>& arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) {
      text += ' ';
    }
    for (char c : arguments[i]) {
      if (!IsSplitCharacter(c)) {
        text += c;
      }
    }
  }
  text += " /A ";
  return text;
}

void ToUpperAscii(std::string& text) {
  for (char& c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
}

std::string TrimmedText(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsTrimmed(text[first])) {
    ++first;
  }
  while (last > first && IsTrimmed(text[last - 1])) {
    --last;
  }
  return std::string(text.substr(first, last - first));
}

bool HasOption(const std::string& commandLine, std::string_view option) {
  return commandLine.find(option) != std::string::npos;
}

void RemoveOption(std::string& commandLine, std::string_view option, bool trim) {
  if (option.empty()) {
    return;
  }
  for (std::size_t at = commandLine.find(option); at != std::string::npos;
       at = commandLine.find(option, at)) {
    commandLine.erase(at, option.size());
  }
  if (trim) {
    commandLine = TrimmedText(commandLine);
  }
}

bool GetOptionValue(std::string& commandLine, std::string_view option, std::string& value) {
  const std::size_t at = commandLine.find(option);
  if (option.empty() || at == std::string::npos) {
    return false;
  }
  const std::size_t after = at + option.size();
  if (option.back() != ':' && after < commandLine.size() &&
      std::isalnum(static_cast<unsigned char>(commandLine[after])) != 0) {
    return false;
  }
  std::size_t end = commandLine.find_first_of(" /", after);
  if (end == std::string::npos) {
    end = commandLine.size();
  }
  value = TrimmedText(std::string_view(commandLine).substr(after, end - after));
  commandLine.erase(at, option.size() + value.size());
  return true;
}

int32_t vCharToHex(std::string_view text) {
  uint32_t result = 0;  // unsigned: a long text wraps instead of overflowing
  for (char c : text) {
    result = result * 16u + HexDigitValue(c);
  }
  return static_cast<int32_t>(result);
}

}  // namespace tamsel
