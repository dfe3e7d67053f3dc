#include "flash/spi_flash_commands.h"

#include <algorithm>
#include <array>

#include "flash/spi_opcode_sets.h"
#include "hw/hardware_operations.h"
#include "hw/spi_controller.h"

namespace tamsel {
namespace {

constexpr uint32_t kMaxTransfer = 4;

const SpiOpcodeSet& Ops(const SpiFlash& flash) {
  return SpiOpcodeSetOf(flash.desc.opcodeSet);
}

// Opcode and the address's low 24 bits, most significant first.
std::array<uint8_t, 4> AddressedCommand(uint8_t opcode, uint32_t address) {
  return {opcode, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
          static_cast<uint8_t>(address)};
}

// Select, one write transfer of 1 to 4 bytes, release.
void SendCommand(const SpiFlash& flash, const uint8_t* bytes, uint32_t length) {
  SpiControllerSelect(*flash.controller);
  SpiControllerWrite(*flash.controller, bytes, length);
  SpiControllerDeselect(*flash.controller);
}

void SendOpcode(const SpiFlash& flash, uint8_t opcode) {
  SendCommand(flash, &opcode, 1);
}

// Polls the status until done(status) or more than limitMs have passed.
template <typename Done>
void PollStatus(const SpiFlash& flash, uint32_t limitMs, Done done) {
  uint8_t status = kSpiStatusNotReady;
  SpiFlashReadStatus(flash, status);
  const uint32_t start = GetTickCountMs();
  while (!done(status)) {
    status = kSpiStatusNotReady;
    SpiFlashReadStatus(flash, status);
    if (GetTickCountMs() - start > limitMs) {
      return;
    }
  }
}

}  // namespace

void SpiFlashQuery(const SpiController& controller, std::span<const uint8_t> command,
                   std::span<uint8_t> reply) {
  SpiControllerSelect(controller);
  SpiControllerWrite(controller, command.data(), static_cast<uint32_t>(command.size()));
  std::array<uint8_t, kMaxTransfer> received{};
  const auto length = static_cast<uint32_t>(reply.size());
  if (SpiControllerRead(controller, received.data(), length)) {
    std::copy_n(received.begin(), std::min<std::size_t>(reply.size(), received.size()), reply.begin());
  }
  SpiControllerDeselect(controller);
}

bool SpiFlashWriteEnable(const SpiFlash& flash) {
  SendOpcode(flash, Ops(flash).wren);
  return true;
}

bool SpiFlashReadStatus(const SpiFlash& flash, uint8_t& status) {
  const uint8_t opcode = Ops(flash).rdsr;
  SpiFlashQuery(*flash.controller, {&opcode, 1}, {&status, 1});
  return true;
}

bool SpiFlashEnableWriteStatus(const SpiFlash& flash) {
  if (flash.desc.needsEwsr == 0) {
    return false;
  }
  SendOpcode(flash, Ops(flash).ewsr);
  return true;
}

bool SpiFlashWriteStatus1(const SpiFlash& flash, uint8_t value) {
  const uint8_t command[] = {Ops(flash).wrsr, value};
  SendCommand(flash, command, sizeof command);
  return true;
}

bool SpiFlashWriteStatus2(const SpiFlash& flash, uint8_t first, uint8_t second) {
  const uint8_t command[] = {Ops(flash).wrsr, first, second};
  SendCommand(flash, command, sizeof command);
  return true;
}

void SpiFlashWaitWriteEnabled(const SpiFlash& flash) {
  PollStatus(flash, kWriteEnableWaitMs, [](uint8_t status) { return (status & kSpiStatusWel) != 0; });
}

void SpiFlashWaitIdle(const SpiFlash& flash, uint32_t limitMs) {
  PollStatus(flash, limitMs, [](uint8_t status) { return (status & kSpiStatusWip) == 0; });
}

bool SpiFlashClearStatusRegister(const SpiFlash& flash) {
  if (flash.desc.needsEwsr == 0) {
    SpiFlashWriteEnable(flash);
    SpiFlashWaitWriteEnabled(flash);
  } else {
    SpiFlashEnableWriteStatus(flash);
  }
  if (flash.desc.statusBytes == 2) {
    SpiFlashWriteStatus2(flash, 0, 0);
  } else {
    SpiFlashWriteStatus1(flash, 0);
  }
  SpiFlashWaitIdle(flash, kStatusWriteWaitMs);
  return true;
}

bool SpiFlashRead(const SpiFlash& flash, uint8_t* destination, uint32_t address, uint32_t length) {
  if (length == 0) {
    return true;
  }
  const auto command = AddressedCommand(Ops(flash).read, address);
  SpiControllerSelect(*flash.controller);
  bool delivered = SpiControllerWrite(*flash.controller, command.data(), kMaxTransfer);
  // The first transfer that fails ends the read: the bytes after it would
  // come from nowhere, and each further transfer would wait out its time-out.
  while (delivered && length > 0) {
    const uint32_t piece = std::min(length, kMaxTransfer);
    delivered = SpiControllerRead(*flash.controller, destination, piece);
    destination += piece;
    length -= piece;
  }
  SpiControllerDeselect(*flash.controller);
  return delivered;
}

bool SpiFlashChipErase(const SpiFlash& flash) {
  SpiFlashWriteEnable(flash);
  SpiFlashWaitWriteEnabled(flash);
  SendOpcode(flash, Ops(flash).chipErase);
  SpiFlashWaitIdle(flash, flash.desc.chipEraseTimeoutMs);
  return true;
}

bool SpiFlashSectorErase(const SpiFlash& flash, uint32_t address) {
  SpiFlashWriteEnable(flash);
  SpiFlashWaitWriteEnabled(flash);
  const auto command = AddressedCommand(Ops(flash).sectorErase, address);
  SendCommand(flash, command.data(), kMaxTransfer);
  SpiFlashWaitIdle(flash, flash.desc.programTimeoutMs);
  return true;
}

bool SpiFlashProgram(const SpiFlash& flash, const uint8_t* source, uint32_t address, uint32_t length) {
  // A page size of 0 would never advance; such a row programs byte by byte.
  const uint32_t pageSize = std::max<uint32_t>(flash.desc.pageSize, 1);
  while (length > 0) {
    const uint32_t chunk = std::min(length, pageSize - address % pageSize);
    SpiFlashWriteEnable(flash);
    SpiFlashWaitWriteEnabled(flash);
    const auto command = AddressedCommand(Ops(flash).pageProgram, address);
    SpiControllerSelect(*flash.controller);
    SpiControllerWrite(*flash.controller, command.data(), kMaxTransfer);
    for (uint32_t sent = 0; sent < chunk;) {
      const uint32_t piece = std::min(chunk - sent, kMaxTransfer);
      SpiControllerWrite(*flash.controller, source + sent, piece);
      sent += piece;
    }
    SpiControllerDeselect(*flash.controller);
    SpiFlashWaitIdle(flash, flash.desc.programTimeoutMs);
    source += chunk;
    address += chunk;
    length -= chunk;
  }
  return true;
}

}  // namespace tamsel
