#pragma once
// One simulated PCI function: its 256-byte configuration space with the
// bits software may write, the header type, BAR0, the command register and,
// for controllers, a capability list with power management. Leaving D3 for
// D0 resets the function (No_Soft_Reset is clear), which clears the command
// register, so memory decoding is off until software enables it again.
// A function that stopped answering (a board dropped off the bus) reads all
// ones, ignores writes and decodes no memory.

#include <array>
#include <cstdint>

namespace tamsel::sim {

inline constexpr uint32_t kBar0Size = 0x10000;  // 64 KiB memory BAR

struct PciFunctionSetup {
  uint16_t vendorId = 0;
  uint16_t deviceId = 0;
  bool multifunction = false;
  uint32_t classCode = 0;  // class, subclass, programming interface
  uint32_t bar0 = 0;       // the BAR0 dword (flag bits included); 0: no memory BAR
  bool capabilities = false;
  bool powerManagement = false;
  uint8_t powerState = 0;
  std::array<uint8_t, 8> versionRegisters{};  // 0xF0..0xF7
};

class PciFunction {
 public:
  explicit PciFunction(const PciFunctionSetup& setup);

  uint8_t ReadConfig(uint8_t offset) const { return answering_ ? config_[offset] : 0xFF; }
  void WriteConfig(uint8_t offset, uint8_t value);
  // Sets a byte as the hardware holds it, whatever software may write there
  // (tests build broken functions with it, such as a looping capability list).
  void StoreConfigByte(uint8_t offset, uint8_t value) { config_[offset] = value; }

  uint8_t PowerState() const;  // 0 (D0) .. 3 (D3hot)
  void DropToD3();
  void StopAnswering() { answering_ = false; }
  // True when the function answers memory requests: D0 and memory space on.
  bool DecodesMemory() const;
  // The memory range of BAR0 (only the low 32 bits count); size 0 when none.
  uint32_t Bar0Base() const;
  uint32_t Bar0Size() const { return Bar0Base() != 0 ? kBar0Size : 0; }

 private:
  void ResetAfterD3();

  std::array<uint8_t, 256> config_{};
  std::array<uint8_t, 256> writable_{};
  uint8_t pmOffset_ = 0;
  bool answering_ = true;
};

}  // namespace tamsel::sim
