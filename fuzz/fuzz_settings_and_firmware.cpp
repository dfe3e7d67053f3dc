// Feeds arbitrary bytes to the settings reader and to the firmware file check
// (which runs the image validity test), as files on disk like the real inputs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "files/firmware_check.h"
#include "files/ini_settings.h"
#include "image/image_verify.h"

namespace {

const std::filesystem::path& WorkDirectory() {
  static const std::filesystem::path directory = [] {
    // One fixed place, reused by every run, so nothing piles up in /tmp.
    std::filesystem::path path = std::filesystem::temp_directory_path() / "tamsel-fuzz-settings-and-firmware";
    std::filesystem::create_directories(path);
    return path;
  }();
  return directory;
}

std::string WriteInput(const char* name, const uint8_t* data, std::size_t size) {
  const std::string path = (WorkDirectory() / name).string();
  // A new file each time: rewriting one in place makes some file systems
  // flush it to disk on every close, which slows the fuzzer a hundredfold.
  std::remove(path.c_str());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file != nullptr) {
    if (size > 0) {
      std::fwrite(data, 1, size, file);
    }
    std::fclose(file);
  }
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  tamsel::IniSettings ini;
  tamsel::VersionRestriction restriction;
  tamsel::LoadINIFile(WriteInput("584upd.ini", data, size), ini, restriction);
  // The record a fuzzed file leaves must stay a set of terminated texts.
  if (tamsel::FixedTextView(ini.load_fw).size() > tamsel::kFixedTextMaxLength) {
    __builtin_trap();
  }

  static const uint8_t kNoBytes = 0;
  tamsel::QOR7740VerifySpiRomFile(size > 0 ? data : &kNoBytes, static_cast<uint32_t>(size));

  tamsel::IniSettings update;
  update.update_qor_584_spi_flash_rom = 1;
  tamsel::SetFixedText(update.load_fw, WriteInput("fw.rom", data, size));
  tamsel::FirmwareFile file;
  tamsel::CheckFWBIN(0, tamsel::FirmwareCheckSetting{update, false, WorkDirectory().string()}, file);
  if (file.holdsImage() && file.pSpiromBuffer->size() != size) {
    __builtin_trap();
  }
  return 0;
}
