#pragma once
// The SPI flash commands, each one transaction on the controller window:
// select, the opcode (and a 24-bit address), transfers of at most 4 bytes,
// release. Opcodes come from the chip's opcode set, limits from its row.
// Only the read reports a failed transfer; for the other commands callers read back.
//
// Polls and failed status reads: a status read whose transfer fails leaves
// the poll's value at "not ready" (WIP set, WEL clear), so a poll never
// proceeds on a status it did not see; it ends at its time limit.

#include <cstdint>
#include <span>

#include "hw/spi_controller.h"
#include "hw/spi_flash_record.h"

namespace tamsel {

inline constexpr uint8_t kSpiStatusWip = 0x01;
inline constexpr uint8_t kSpiStatusWel = 0x02;
inline constexpr uint8_t kSpiStatusNotReady = kSpiStatusWip;  // assumed when a status read fails
inline constexpr uint32_t kWriteEnableWaitMs = 1000;
inline constexpr uint32_t kStatusWriteWaitMs = 1000;

// Select, send the command (1 to 4 bytes), read reply.size() (1 to 4) bytes,
// release. The reply keeps its bytes when the read transfer fails.
void SpiFlashQuery(const SpiController& controller, std::span<const uint8_t> command,
                   std::span<uint8_t> reply);

bool SpiFlashWriteEnable(const SpiFlash& flash);
bool SpiFlashReadStatus(const SpiFlash& flash, uint8_t& status);  // status untouched on a failed read
bool SpiFlashEnableWriteStatus(const SpiFlash& flash);            // false (nothing sent) without EWSR
bool SpiFlashWriteStatus1(const SpiFlash& flash, uint8_t value);
bool SpiFlashWriteStatus2(const SpiFlash& flash, uint8_t first, uint8_t second);
void SpiFlashWaitWriteEnabled(const SpiFlash& flash);
void SpiFlashWaitIdle(const SpiFlash& flash, uint32_t limitMs);

// Removes the block protection so that erase and program work.
bool SpiFlashClearStatusRegister(const SpiFlash& flash);
// One READ command for the whole length, read in transfers of up to 4 bytes.
// False when a transfer failed: the read stops there, and the destination
// bytes from that transfer on are left as they were.
bool SpiFlashRead(const SpiFlash& flash, uint8_t* destination, uint32_t address, uint32_t length);
bool SpiFlashChipErase(const SpiFlash& flash);
bool SpiFlashSectorErase(const SpiFlash& flash, uint32_t address);
// One PAGE PROGRAM command per page (or part of one), split by pageSize.
bool SpiFlashProgram(const SpiFlash& flash, const uint8_t* source, uint32_t address, uint32_t length);

}  // namespace tamsel
