#pragma once
// The flash part of one controller in machine.json, with its faults.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamsel::sim {

struct FlashChipDescription {
  std::array<uint8_t, 3> jedec{0xEF, 0x30, 0x13};   // answered to 0x9F; FF FF FF: no answer
  std::optional<std::array<uint8_t, 3>> signature;  // answered to 0xAB (after 3 dummy bytes)
  std::optional<uint32_t> sizeKiB;                  // default: the chip table's size, else 512
  std::string content;                              // content file name inside the machine directory
  bool protectedAtPowerOn = false;                  // block-protect bits set at power-on
  bool programFails = false;                        // programming changes nothing
  std::vector<uint32_t> stuckAddresses;             // never erase to 0xFF
};

}  // namespace tamsel::sim
