#pragma once
// The command-line text g_strInitCmd and the routines that find and take
// options out of it. Every option is found anywhere in the upper-cased text
// by a plain substring search.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

// The usage text shown for /?.
extern const char* const kUsageText;

// The arguments after the program name, joined by blanks, with every "_",
// tab and line feed removed and " /A " appended (not yet upper-cased).
std::string BuildInitCmd(const std::vector<std::string>& arguments);

// Upper-cases the text in place (ASCII letters only).
void ToUpperAscii(std::string& text);

// Removes leading and trailing white space.
std::string TrimmedText(std::string_view text);

// True when the option occurs anywhere in the text.
bool HasOption(const std::string& commandLine, std::string_view option);

// Removes every occurrence of the option; trims the rest when asked.
void RemoveOption(std::string& commandLine, std::string_view option, bool trim);

// Finds an option and its value (the text after it up to a blank or "/"),
// removes both from the text and returns true. An option that does not end
// with ":" must not be followed by a letter or digit (/DBG5 is not /DBG).
bool GetOptionValue(std::string& commandLine, std::string_view option, std::string& value);

// Reads a text as hexadecimal digits: 0-9 and A-F (either case) are their
// values, every other character counts as the digit 0 (G and up count on
// past 15, as the original reader did).
int32_t vCharToHex(std::string_view text);

}  // namespace tamsel
