#pragma once
// The simulated machine as machine.json describes it: supported controllers
// (each with its flash chip and faults), other PCI functions, the latency
// model and the system width. Numbers may be decimal or "0x.." strings;
// unknown keys are refused so a misspelt fault does not pass unnoticed.
//
//   controllers[]: location "bb:dd.f", vendor_id, device_id, fw_version
//     ("8 hex bytes"), multifunction, bar0 (the BAR0 dword), power_management
//     (false: no power-management capability), power_state (0-3 at load),
//     flash { jedec, signature, size_kib, content, protected },
//     faults { grant ("never" or polls), program_fails, stuck [addresses],
//              busy, d3_after, vanish_after, stall { after, ms } }
//   devices[]: location, vendor_id, device_id, multifunction
//   latency { port_ns, memory_read_ns, memory_write_ns, map_ns, spi_byte_ns }
//   system_64bit (default true: 8-byte map replies, the 64-bit driver file)

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/flash_chip_description.h"

namespace tamsel::sim {

struct PciLocation {
  uint8_t bus = 0;
  uint8_t device = 0;
  uint8_t function = 0;

  uint16_t Key() const { return static_cast<uint16_t>(bus << 8 | device << 3 | function); }
  bool operator==(const PciLocation&) const = default;
};

// Virtual time each driver request costs, near real hardware.
struct LatencyModel {
  uint32_t portAccessNs = 1000;
  uint32_t memoryReadNs = 1000;
  uint32_t memoryWriteNs = 250;  // posted
  uint32_t mapNs = 5000;         // map, unmap and other driver requests
  uint32_t spiByteNs = 250;      // one byte on the SPI wire
};

struct ControllerDescription {
  PciLocation location;
  uint16_t vendorId = 0x1E9C;
  uint16_t deviceId = 0x5844;
  std::optional<std::array<uint8_t, 8>> fwVersion;  // configuration bytes 0xF0..0xF7
  FlashChipDescription flash;
  bool multifunction = false;
  std::optional<uint32_t> bar0;  // the BAR0 dword; default: a distinct 64 KiB range per controller
  bool powerManagement = true;   // a power-management capability in the list
  uint8_t powerState = 0;        // 0 (D0) to 3 (D3) when the machine is loaded
  // Faults of the controller window.
  bool grantNever = false;
  uint32_t grantPolls = 0;   // grant-register reads that still see no grant
  bool busy = false;         // the transfer busy bit never clears
  uint32_t d3After = 0;      // drops to D3 after this many register accesses (0: never)
  uint32_t vanishAfter = 0;  // stops answering after this many register accesses (0: never)
  uint32_t stallAfter = 0;   // after this many register accesses (0: never) ...
  uint32_t stallMs = 0;      // ... the transfer busy bit stays set for this long
};

struct DeviceDescription {
  PciLocation location;
  uint16_t vendorId = 0;
  uint16_t deviceId = 0;
  bool multifunction = false;
};

struct MachineDescription {
  std::vector<ControllerDescription> controllers;
  std::vector<DeviceDescription> devices;
  LatencyModel latency;
  bool system64Bit = true;
};

// Reads machine.json text. On failure returns false and `fault` says what is
// wrong and where (without the file name).
bool ParseMachineDescription(std::string_view text, MachineDescription& description, std::string& fault);

// The machine written when a directory holds no machine.json: two QOR584x
// controllers at 03:00.0 and 04:00.0 with W25X40CL chips (content files
// dev0.bin and dev1.bin), a host bridge at 00:00.0 and a multi-function
// device at 00:1f.
std::string DefaultMachineJson();

// "03:00.0"
std::string FormatLocation(const PciLocation& location);

}  // namespace tamsel::sim
