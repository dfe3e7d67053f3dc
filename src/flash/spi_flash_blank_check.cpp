#include "flash/spi_flash_blank_check.h"

#include "flash/spi_flash_commands.h"
#include "platform/trace.h"

namespace tamsel {
namespace {

constexpr const char* kBlankCheckRoutine = "QOR7740BlankCheckSpiFlashRom";

bool BlankCheckFailsAt(uint32_t address) {
  TRACE_MSG(kBlankCheckRoutine, "QOR7730BlankCheckSpiFlashRom: Blank check fail at address 0x%08lX!!!",
            static_cast<unsigned long>(address));
  return false;
}

}  // namespace

bool QOR7740BlankCheckSpiFlashRom(const SpiFlash& flash, uint32_t length,
                                  const FlashBufferAllocator& allocate) {
  if (FlashBuffer buffer = AllocateWith(allocate, length)) {
    SpiFlashRead(flash, buffer.get(), 0, length);
    for (uint32_t address = 0; address < length; ++address) {
      if (buffer[address] != 0xFF) {
        return BlankCheckFailsAt(address);
      }
    }
  } else {
    TRACE_MSG(kBlankCheckRoutine, "QOR7740BlankCheckSpiFlashRom: Allocate memory for blank check fail!!!");
    for (uint32_t address = 0; address < length; ++address) {
      uint8_t value = 0;
      SpiFlashRead(flash, &value, address, 1);
      if (value != 0xFF) {
        return BlankCheckFailsAt(address);
      }
    }
  }
  TRACE_MSG(kBlankCheckRoutine, "QOR7730BlankCheckSpiFlashRom: Blank check completed");
  return true;
}

}  // namespace tamsel
