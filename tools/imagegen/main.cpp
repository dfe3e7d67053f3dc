// tamsel_make_image: writes a firmware image built by BuildImage to a file.
// Without options it writes the carried default image.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "imagegen/image_builder.h"

namespace {

constexpr const char* kUsage =
    "usage: tamsel_make_image --out FILE [--size BYTES] [--version \"25 06 13 00 BC 00\"]\n"
    "                         [--second-firmware OFFSET:LENGTH[:VERSION]] [--option-rom "
    "ADDRESS:MAJOR.MINOR]\n"
    "                         [--seed N]\n"
    "Numbers may be decimal or 0x-prefixed hexadecimal; VERSION is six hexadecimal bytes.\n";

struct CommandLine {
  std::string outPath;
  tamsel::ImageOptions options;
};

uint32_t ParseNumber(const std::string& text) {
  std::size_t used = 0;
  const unsigned long long value = std::stoull(text, &used, 0);
  if (used != text.size() || value > 0xFFFFFFFFull) {
    throw std::invalid_argument("not a 32-bit number: " + text);
  }
  return static_cast<uint32_t>(value);
}

uint8_t ParseHexByte(const std::string& text) {
  std::size_t used = 0;
  const unsigned long value = std::stoul(text, &used, 16);
  if (used != text.size() || value > 0xFF) {
    throw std::invalid_argument("not a hexadecimal byte: " + text);
  }
  return static_cast<uint8_t>(value);
}

// Six bytes separated by spaces, or twelve hexadecimal digits.
tamsel::FwVersion ParseVersion(std::string text) {
  std::erase(text, ' ');
  if (text.size() != 12) {
    throw std::invalid_argument("a version is six hexadecimal bytes");
  }
  tamsel::FwVersion version{};
  for (std::size_t index = 0; index < version.size(); ++index) {
    version[index] = ParseHexByte(text.substr(2 * index, 2));
  }
  return version;
}

// OFFSET:LENGTH[:VERSION]
tamsel::FirmwareAreaOptions ParseSecondFirmware(const std::string& text) {
  const std::size_t first = text.find(':');
  const std::size_t second = text.find(':', first == std::string::npos ? first : first + 1);
  if (first == std::string::npos) {
    throw std::invalid_argument("--second-firmware wants OFFSET:LENGTH[:VERSION]");
  }
  tamsel::FirmwareAreaOptions area;
  area.offset = ParseNumber(text.substr(0, first));
  area.length =
      ParseNumber(text.substr(first + 1, second == std::string::npos ? second : second - first - 1));
  if (second != std::string::npos) {
    area.version = ParseVersion(text.substr(second + 1));
  }
  return area;
}

// ADDRESS:MAJOR.MINOR, MAJOR and MINOR in hexadecimal.
tamsel::OptionRomOptions ParseOptionRom(const std::string& text) {
  const std::size_t colon = text.find(':');
  const std::size_t point = text.find('.', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || point == std::string::npos) {
    throw std::invalid_argument("--option-rom wants ADDRESS:MAJOR.MINOR");
  }
  tamsel::OptionRomOptions rom;
  rom.address = ParseNumber(text.substr(0, colon));
  rom.major = ParseHexByte(text.substr(colon + 1, point - colon - 1));
  rom.minor = ParseHexByte(text.substr(point + 1));
  return rom;
}

using OptionSetter = void (*)(CommandLine& line, const std::string& value);

struct OptionRow {
  std::string_view name;
  OptionSetter set;
};

constexpr OptionRow kOptions[] = {
    {"--out", [](CommandLine& line, const std::string& value) { line.outPath = value; }},
    {"--size",
     [](CommandLine& line, const std::string& value) { line.options.totalSize = ParseNumber(value); }},
    {"--version", [](CommandLine& line,
                     const std::string& value) { line.options.firmware.version = ParseVersion(value); }},
    {"--second-firmware",
     [](CommandLine& line, const std::string& value) {
       line.options.secondFirmware = ParseSecondFirmware(value);
     }},
    {"--option-rom",
     [](CommandLine& line, const std::string& value) { line.options.optionRom = ParseOptionRom(value); }},
    {"--seed",
     [](CommandLine& line, const std::string& value) { line.options.fillSeed = ParseNumber(value); }},
};

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int index = 1; index < argc; ++index) {
    const std::string_view option = argv[index];
    const auto row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                  [option](const OptionRow& candidate) { return candidate.name == option; });
    if (row == std::end(kOptions)) {
      throw std::invalid_argument("unknown option " + std::string(option));
    }
    if (index + 1 >= argc) {
      throw std::invalid_argument("missing value after " + std::string(option));
    }
    row->set(line, argv[++index]);
  }
  if (line.outPath.empty()) {
    throw std::invalid_argument("--out FILE is required");
  }
  return line;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  try {
    line = ParseCommandLine(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "tamsel_make_image: " << error.what() << "\n" << kUsage;
    return 2;
  }
  std::vector<uint8_t> image;
  try {
    image = tamsel::BuildImage(line.options);
  } catch (const std::exception& error) {
    std::cerr << "tamsel_make_image: " << error.what() << "\n";
    return 1;
  }
  if (!WriteFile(line.outPath, image)) {
    std::cerr << "tamsel_make_image: cannot write " << line.outPath << "\n";
    return 1;
  }
  return 0;
}
