#pragma once
// CheckFWBIN: turns the designated firmware path (or, in automatic mode, the
// first "*.rom" file of the working directory) into the loaded image of a run.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/fixed_text.h"
#include "files/ini_settings.h"
#include "files/operator_notifier.h"

namespace tamsel {

// Outcome codes of a check (the run's OpStatus values).
inline constexpr uint32_t kCheckFwCannotOpen = 11;
inline constexpr uint32_t kCheckFwNoMemory = 12;
inline constexpr uint32_t kCheckFwNotValid = 13;
inline constexpr uint32_t kCheckFwPassed = 15;
inline constexpr uint32_t kCheckFwNotChecked = 16;  // from start-up until the first check

// The dialog's firmware file state.
struct FirmwareFile {
  FixedText szSpiromFileName{};  // copy of load_fw taken by each check
  std::string szFoundRomPath;    // the file automatic mode found
  bool namesFoundRom = false;    // pSpiromFileName is szFoundRomPath, else szSpiromFileName
  bool named = false;            // false until a check names a file
  std::optional<std::vector<uint8_t>> pSpiromBuffer;  // the loaded image, patched in place by the run
  uint32_t dwSpiromFileSize = 0;
  uint32_t iCheckFwStatus = kCheckFwNotChecked;
  std::string message;          // the last check's message
  bool standInRefused = false;  // the last check refused the carried stand-in image

  // The name the last check opened ("" before any check).
  const char* pSpiromFileName() const;
  bool holdsImage() const { return pSpiromBuffer.has_value(); }
  void ReleaseImage();
};

struct FirmwareCheckSetting {
  const IniSettings& ini;
  bool m_bAutoMode = false;
  std::string workingDirectory;  // searched for "*.rom" in automatic mode
  // The carried stand-in image when it must never reach the hardware (a
  // program carrying it, on the real bus); empty otherwise. A file
  // byte-identical to it fails the check as not valid (13).
  std::span<const uint8_t> refusedStandIn = {};
};

// Checks the firmware file, stores the outcome in file.iCheckFwStatus and
// returns it; on 15 the image is held in file.pSpiromBuffer. With showResult 1
// the message goes to the notifier (when one is given).
uint32_t CheckFWBIN(uint8_t showResult, const FirmwareCheckSetting& setting, FirmwareFile& file,
                    OperatorNotifier* notifier = nullptr);

// The first file, by name, whose name ends in ".rom" in any letter case; only
// files, never directories.
std::optional<std::string> FindFirstRomFile(const std::string& directory);

}  // namespace tamsel
