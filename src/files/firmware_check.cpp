#include "files/firmware_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "files/file_access.h"
#include "image/image_verify.h"
#include "platform/ascii_text.h"
#include "platform/regular_file.h"
#include "platform/trace.h"

namespace tamsel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRoutine = "CTamselDlg::CheckFWBIN";
constexpr const char* kStandInReason = "built-in stand-in image, not firmware for a real controller";
constexpr const char* kStandInRemedy =
    "Build the program with TAMSEL_BLOB_DIR naming a directory that holds the real 1300BC00.ROM";

std::string CannotOpenMessage(const FirmwareFile& file) {
  return "Can't open file: " + FixedTextString(file.szSpiromFileName) + "!!!";
}

std::string NotValidMessage(const FirmwareFile& file) {
  return "[" + FixedTextString(file.szSpiromFileName) +
         "] is not a valid QOR584 SPI ROM file!!!\nPlease select another QOR584 ROM file";
}

bool EndsWithRomIgnoringCase(const std::string& name) {
  return EndsWithIgnoringCase(name, ".rom");
}

// A buffer of the size, or false when it cannot be had (or the size does not
// fit the image's 32-bit length).
bool AllocateImage(std::uintmax_t size, std::vector<uint8_t>& buffer) {
  if (size > std::numeric_limits<uint32_t>::max()) {
    return false;
  }
  try {
    buffer.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Refuses the carried stand-in on real hardware: it is a valid image, but
// firmware for no real controller, and would leave every board it is written
// to without working firmware.
uint32_t RefuseStandIn(const std::string& path, FirmwareFile& file) {
  TRACE_ERR(kRoutine, "%s is the %s. %s.", path.c_str(), kStandInReason, kStandInRemedy);
  file.message =
      NotValidMessage(file) + "\n" + path + " is the " + kStandInReason + ".\n" + kStandInRemedy + ".";
  file.standInRefused = true;
  return kCheckFwNotValid;
}

bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Loads the whole file into the state; returns the check's status.
uint32_t LoadImage(const std::string& path, const FirmwareCheckSetting& setting, FirmwareFile& file) {
  const IniSettings& ini = setting.ini;
  // The operator may name the image through a link; a FIFO or a device is
  // refused without waiting on it.
  int error = 0;
  RegularFile stream = RegularFile::Open(path, RegularFileMode::kReadFollowingLink, error);
  std::uint64_t size = 0;
  if (!stream.isOpen() || !stream.Size(size, error)) {
    file.message = CannotOpenMessage(file);
    return kCheckFwCannotOpen;
  }
  std::vector<uint8_t> buffer;
  if (!AllocateImage(size, buffer)) {
    file.message = "Allocate memory for SPI ROM file fail!!!";
    return kCheckFwNoMemory;
  }
  file.dwSpiromFileSize = static_cast<uint32_t>(size);
  std::size_t got = 0;
  if (!stream.Read(buffer.data(), buffer.size(), got, error) || got != buffer.size()) {
    // The file shrank or could not be read after it was opened.
    TRACE_MSG(kRoutine, "read %zu of %zu bytes of %s", got, buffer.size(), path.c_str());
    file.dwSpiromFileSize = 0;
    file.message = CannotOpenMessage(file);
    return kCheckFwCannotOpen;
  }
  if (!setting.refusedStandIn.empty() && SameBytes(buffer, setting.refusedStandIn)) {
    return RefuseStandIn(path, file);
  }
  static const uint8_t kNoBytes = 0;
  const uint8_t* image = buffer.empty() ? &kNoBytes : buffer.data();
  if (ini.update_qor_584_spi_flash_rom == 1 && !QOR7740VerifySpiRomFile(image, file.dwSpiromFileSize)) {
    file.message = NotValidMessage(file);
    return kCheckFwNotValid;
  }
  file.pSpiromBuffer = std::move(buffer);
  file.message = "Check the firmware file pass.";
  return kCheckFwPassed;
}

// Traces the message, shows it when asked, and returns the status.
uint32_t FinishCheck(uint8_t showResult, const FirmwareFile& file, OperatorNotifier* notifier) {
  TRACE_MSG(kRoutine, "%s", file.message.c_str());
  if (showResult == 1 && notifier != nullptr) {
    notifier->ShowMessage(OperatorMessage{file.message});
  }
  return file.iCheckFwStatus;
}

}  // namespace

const char* FirmwareFile::pSpiromFileName() const {
  if (!named) {
    return "";
  }
  return namesFoundRom ? szFoundRomPath.c_str() : szSpiromFileName.data();
}

void FirmwareFile::ReleaseImage() {
  pSpiromBuffer.reset();
  dwSpiromFileSize = 0;
}

std::optional<std::string> FindFirstRomFile(const std::string& directory) {
  std::error_code code;
  std::optional<std::string> first;
  for (fs::directory_iterator it(fs::path(directory.empty() ? "." : directory), code), end;
       !code && it != end; it.increment(code)) {
    const std::string name = it->path().filename().string();
    std::error_code typeCode;
    if (EndsWithRomIgnoringCase(name) && it->is_regular_file(typeCode) && (!first || name < *first)) {
      first = name;
    }
  }
  return first;
}

uint32_t CheckFWBIN(uint8_t showResult, const FirmwareCheckSetting& setting, FirmwareFile& file,
                    OperatorNotifier* notifier) {
  // Every check starts afresh: no image of an earlier check survives it.
  file.ReleaseImage();
  file.standInRefused = false;
  file.named = true;
  file.namesFoundRom = false;
  file.szSpiromFileName = setting.ini.load_fw;
  file.szSpiromFileName.back() = '\0';
  file.message = FixedTextString(file.szSpiromFileName);
  TRACE_MSG(kRoutine, "%s", file.message.c_str());

  if (setting.m_bAutoMode) {
    const std::optional<std::string> found = FindFirstRomFile(setting.workingDirectory);
    if (!found) {
      TRACE_MSG(kRoutine, "Cannot find any *.rom");
      // The first check after start-up keeps 16; a later one must not leave
      // the pass of an earlier check standing.
      if (file.iCheckFwStatus != kCheckFwNotChecked) {
        file.message = CannotOpenMessage(file);
        file.iCheckFwStatus = kCheckFwCannotOpen;
      }
      return FinishCheck(showResult, file, notifier);
    }
    file.szFoundRomPath = JoinPath(setting.workingDirectory, *found);
    file.namesFoundRom = true;
    TRACE_MSG(kRoutine, "Found *.rom: %s", file.szFoundRomPath.c_str());
  }
  TRACE_MSG(kRoutine, " KOBKOB pSpiromFileName [%s]!!!", file.pSpiromFileName());
  file.iCheckFwStatus = LoadImage(file.pSpiromFileName(), setting, file);
  if (file.iCheckFwStatus != kCheckFwPassed) {
    file.ReleaseImage();
  }
  return FinishCheck(showResult, file, notifier);
}

}  // namespace tamsel
