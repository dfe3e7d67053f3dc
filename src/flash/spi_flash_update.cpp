#include "flash/spi_flash_update.h"

#include <algorithm>

#include "flash/spi_flash_commands.h"
#include "platform/trace.h"

namespace tamsel {
namespace {

// One engine call: what to write, where, and how the variant reports.
struct UpdateJob {
  const SpiFlash& flash;
  const uint8_t* data;
  uint32_t length;
  const char* routine;
  const FlashBufferAllocator& allocate;
  const ProgressReporter* progress;  // console variant only

  void Report(uint32_t percent) const {
    if (progress != nullptr) vReportProgress(*progress, percent);
  }
};

// The variant-specific program and verify steps.
struct UpdateVariant {
  bool (*program)(const UpdateJob& job);
  bool (*verify)(const UpdateJob& job, uint8_t* buffer);  // buffer may be null
};

bool UnlockStatusRegister(const SpiFlash& flash) {
  for (int attempt = 0; attempt < kStatusUnlockAttempts; ++attempt) {
    if (SpiFlashClearStatusRegister(flash)) return true;
  }
  return false;
}

bool Erase(const UpdateJob& job) {
  if (job.flash.supported != 0) {
    return SpiFlashChipErase(job.flash);
  }
  const uint32_t sectors = UnsupportedChipEraseSectors(job.length);
  bool status = true;
  for (uint32_t k = 0; k < sectors; ++k) {
    status = SpiFlashSectorErase(job.flash, k * kEraseSectorBytes) && status;
    job.Report((100 * k / sectors) / 3);
  }
  return status;
}

// Fills the buffer with the complement of the image, so a byte that a failed
// transfer never delivered can never pass as verified (also not with bytes
// left from an earlier attempt).
void PrimeAgainstImage(const UpdateJob& job, uint8_t* buffer) {
  std::transform(job.data, job.data + job.length, buffer,
                 [](uint8_t byte) { return static_cast<uint8_t>(~byte); });
}

uint8_t ReadOneByteForVerify(const UpdateJob& job, uint32_t address) {
  uint8_t value = static_cast<uint8_t>(~job.data[address]);
  SpiFlashRead(job.flash, &value, address, 1);
  return value;
}

bool SameAsImage(const UpdateJob& job, const uint8_t* buffer) {
  return std::equal(buffer, buffer + job.length, job.data);
}

bool VerifyMismatch(const char* routine) {
  TRACE_MSG(routine, "QOR7740UpdateSpiFlashRom: Verify Written data fail!!!");
  return false;
}

bool ProgramWhole(const UpdateJob& job) {
  return SpiFlashProgram(job.flash, job.data, 0, job.length);
}

bool VerifyWhole(const UpdateJob& job, uint8_t* buffer) {
  if (buffer != nullptr) {
    PrimeAgainstImage(job, buffer);
    SpiFlashRead(job.flash, buffer, 0, job.length);
    return SameAsImage(job, buffer) || VerifyMismatch(job.routine);
  }
  TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Verify data allocate memory fail!!!");
  for (uint32_t address = 0; address < job.length; ++address) {
    if (ReadOneByteForVerify(job, address) != job.data[address]) {
      TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Verify Written data fail at address 0x%08lX!!!",
                static_cast<unsigned long>(address));
      return false;
    }
  }
  return true;
}

bool ProgramInPieces(const UpdateJob& job) {
  for (uint32_t k = 0, offset = 0; offset < job.length; ++k, offset += kProgressPieceBytes) {
    const uint32_t piece = std::min(kProgressPieceBytes, job.length - offset);
    if (!SpiFlashProgram(job.flash, job.data + offset, offset, piece)) {
      return false;
    }
    job.Report(33 + (204800 * k) / job.length);
  }
  return true;
}

bool VerifyInPieces(const UpdateJob& job, uint8_t* buffer) {
  if (buffer != nullptr) {
    PrimeAgainstImage(job, buffer);
    for (uint32_t k = 0, offset = 0; offset < job.length; ++k, offset += kProgressPieceBytes) {
      SpiFlashRead(job.flash, buffer + offset, offset, std::min(kProgressPieceBytes, job.length - offset));
      job.Report(83 + (69632 * k) / job.length);
    }
    return SameAsImage(job, buffer) || VerifyMismatch(job.routine);
  }
  for (uint32_t address = 0; address < job.length; ++address) {
    if (ReadOneByteForVerify(job, address) != job.data[address]) {
      TRACE_MSG(job.routine, "Verify fail at addr 0x%08lX", static_cast<unsigned long>(address));
      return false;
    }
    if (address % kProgressPieceBytes == 0) {
      job.Report(83 + (17 * address) / job.length);
    }
  }
  return true;
}

constexpr UpdateVariant kDialogVariant{ProgramWhole, VerifyWhole};
constexpr UpdateVariant kConsoleVariant{ProgramInPieces, VerifyInPieces};

bool RunAttempt(const UpdateJob& job, const UpdateVariant& variant, uint8_t* verifyBuffer) {
  const bool eraseStatus = Erase(job);
  TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Chip Erase status = %d", eraseStatus ? 1 : 0);
  const bool blank = QOR7740BlankCheckSpiFlashRom(job.flash, job.length, job.allocate);
  TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Blank Check status = %d", blank ? 1 : 0);
  job.Report(33);
  if (!blank) {
    return false;
  }
  const bool programmed = variant.program(job);
  TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Write Data status = %d", programmed ? 1 : 0);
  return programmed && variant.verify(job, verifyBuffer);
}

bool RunUpdate(const UpdateJob& job, const UpdateVariant& variant) {
  if (job.flash.controller == nullptr || (job.data == nullptr && job.length != 0)) {
    return false;
  }
  if (!UnlockStatusRegister(job.flash)) {
    TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Write SPI flash ROM Status Register fail!!!");
    return false;
  }
  FlashBuffer verifyBuffer = AllocateWith(job.allocate, job.length);
  if (!verifyBuffer) {
    TRACE_MSG(job.routine, "QOR7740UpdateSpiFlashRom: Allocate memory for data verified fail!!!");
  }
  bool result = false;
  for (int attempt = 0; !result && attempt < kUpdateAttempts; ++attempt) {
    result = RunAttempt(job, variant, verifyBuffer.get());
  }
  return result;
}

}  // namespace

uint32_t UnsupportedChipEraseSectors(uint32_t length) {
  if (length == 256) {
    return 16;
  }
  return length / kEraseSectorBytes + (length % kEraseSectorBytes != 0 ? 1 : 0);
}

bool QOR7740UpdateSpiFlashRom(const SpiFlash& flash, const uint8_t* data, uint32_t length,
                              const FlashBufferAllocator& allocate) {
  return RunUpdate(UpdateJob{flash, data, length, "QOR7740UpdateSpiFlashRom", allocate, nullptr},
                   kDialogVariant);
}

bool QOR7740UpdateSpiFlashRom_CMD(const SpiFlash& flash, const uint8_t* data, uint32_t length,
                                  const ProgressReporter& progress, const FlashBufferAllocator& allocate) {
  return RunUpdate(UpdateJob{flash, data, length, "QOR7740UpdateSpiFlashRom_CMD", allocate, &progress},
                   kConsoleVariant);
}

}  // namespace tamsel
