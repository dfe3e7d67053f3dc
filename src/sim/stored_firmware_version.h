#pragma once
// What a controller reports in configuration bytes 0xF0..0xF7 when machine.json
// gives no fw_version: the six version bytes of the firmware area its flash
// holds when the machine powers up, then 00 00; all zeros without a valid image.

#include <array>
#include <cstdint>
#include <span>

namespace tamsel::sim {

std::array<uint8_t, 8> StoredFirmwareVersionRegisters(std::span<const uint8_t> flash);

}  // namespace tamsel::sim
