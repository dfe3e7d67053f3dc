#include "image/option_rom.h"

#include <algorithm>

#include "image/image_layout.h"
#include "image/version_text.h"

namespace tamsel {

bool HasOptionRom(uint32_t optionRomAddress) {
  return optionRomAddress != kNoOptionRom && optionRomAddress != kErasedOptionRom;
}

std::string OptionRomVersionText(std::span<const uint8_t> romStart) {
  const std::span<const uint8_t> window = romStart.first(std::min(romStart.size(), kOptionRomReadSize));
  const auto pointer = ReadLe16(window, kPciDataPointerField);
  if (!pointer) {
    return std::string(kInvalidVersionText);
  }
  // The two offsets are 16-bit values: a pointer near 0xFFFF wraps to the ROM's start.
  const auto minorAt = static_cast<uint16_t>(*pointer + kPciDataRevisionMinorField);
  const auto majorAt = static_cast<uint16_t>(*pointer + kPciDataRevisionMajorField);
  const auto minor = ReadByte(window, minorAt);
  const auto major = ReadByte(window, majorAt);
  if (!minor || !major) {
    return std::string(kInvalidVersionText);
  }
  return FormatOptionRomVersion(*major, *minor);
}

}  // namespace tamsel
