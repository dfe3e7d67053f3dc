#include "app/command_line.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

std::string NormalisedCommandLine(const std::vector<std::string>& arguments) {
  std::string text = BuildInitCmd(arguments);
  ToUpperAscii(text);
  return text;
}

TEST(CommandLine, BuildsUpperCasedTextWithAutoModeAppended) {
  struct Case {
    std::vector<std::string> arguments;
    const char* expected;
  };
  const Case cases[] = {
      {{}, " /A "},
      {{"/s", "/dbg:3"}, "/S /DBG:3 /A "},
      {{"my_ver"}, "MYVER /A "},
      {{"/L", "1.2b\t", "x\ny"}, "/L 1.2B XY /A "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalisedCommandLine(c.arguments), c.expected);
  }
}

TEST(CommandLine, GetOptionValueTakesOptionAndValueOut) {
  struct Case {
    const char* commandLine;
    const char* option;
    bool found;
    const char* value;
    const char* rest;
  };
  const Case cases[] = {
      {"/DBG:5 /A ", "/DBG", true, ":5", " /A "},
      {"/DBG 5 /A ", "/DBG", true, "", " 5 /A "},
      {"/DBG5 /A ", "/DBG", false, "", "/DBG5 /A "},
      {"/L 1.0 /C:1234 /A ", "/C:", true, "1234", "/L 1.0  /A "},
      {"/C:241224000002", "/C:", true, "241224000002", ""},
      {"/DBG:3/S", "/DBG", true, ":3", "/S"},
      {" /A ", "/DBG", false, "", " /A "},
  };
  for (const Case& c : cases) {
    std::string text = c.commandLine;
    std::string value;
    EXPECT_EQ(GetOptionValue(text, c.option, value), c.found) << c.commandLine;
    EXPECT_EQ(value, c.value) << c.commandLine;
    EXPECT_EQ(text, c.rest) << c.commandLine;
  }
}

TEST(CommandLine, CharToHexReadsDigitsAndCountsSeparatorsAsZero) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {":5", 5}, {":10", 16}, {":A", 10}, {":a", 10}, {":FF", 255}, {"=3", 3}, {"-", 0}, {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vCharToHex(c.text), c.expected) << c.text;
  }
}

TEST(CommandLine, CharToHexWrapsOnLongTextInsteadOfOverflowing) {
  EXPECT_EQ(vCharToHex("FFFFFFFFFF") & 0xFF, 0xFF);
}

TEST(CommandLine, RemoveOptionTakesEveryOccurrence) {
  std::string text = "/S /SX /L 1.0 /A ";
  RemoveOption(text, "/S", true);
  EXPECT_EQ(text, "X /L 1.0 /A");
  std::string autoMode = " /L 1.2B  /A ";
  RemoveOption(autoMode, "/A", false);
  EXPECT_EQ(autoMode, " /L 1.2B   ");
}

TEST(CommandLine, UsageTextIsTheSevenLines) {
  EXPECT_EQ(
      std::string(kUsageText),
      "Usage: QOR584x TamselWin.exe [/? | /O | /DBG] \r\nOPTIONS\r\n /O\tPrint out device info to log "
      "file\r\n /L [ Version ]\t\tRestrict FW Version to update\r\n /A\t\t\tAuto Mode\r\n /S\t\t\tSilent "
      "Install \r\n /DBG\tSet Debug Message Level (0-9)\r\n");
}

}  // namespace
}  // namespace tamsel
