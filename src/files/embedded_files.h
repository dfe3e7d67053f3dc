#pragma once
// The files carried inside the program: the I/O driver pair, the default
// settings, the default firmware image and its name, and the device-console
// tool. vExtractResourceFiles writes them into the working directory at
// start-up and vRemoveExtractedFiles deletes them at exit. The table of
// blocks is a parameter, so tests can pass their own.

#include <cstdint>
#include <span>
#include <string>

namespace tamsel {

struct EmbeddedBlock {
  uint16_t id = 0;
  std::span<const uint8_t> bytes;
};

using EmbeddedTable = std::span<const EmbeddedBlock>;

// What the carried firmware image (block 136) is: firmware for the line's
// controllers, or the build's generated stand-in (a valid image, but firmware
// for no real controller, which must never reach real hardware).
enum class CarriedImageKind { kFirmware, kStandIn };

// Block numbers.
inline constexpr uint16_t kBlockDriver64 = 130;
inline constexpr uint16_t kBlockDriver32 = 131;
inline constexpr uint16_t kBlockSettings = 132;
inline constexpr uint16_t kBlockDeviceConsole = 135;
inline constexpr uint16_t kBlockFirmwareImage = 136;
inline constexpr uint16_t kBlockFirmwareName = 137;

// The names the blocks are written as (the image's comes from its name block).
inline constexpr const char* kDriver32FileName = "QorIo.sys";
inline constexpr const char* kDriver64FileName = "QorIo64.sys";
inline constexpr const char* kSettingsFileName = "584upd.ini";
inline constexpr const char* kDeviceConsoleFileName = "devconAMD64.exe";

// The block with the id, or null.
const EmbeddedBlock* FindEmbeddedBlock(EmbeddedTable table, uint16_t id);

// The image's file name from the name block: its text up to the first NUL,
// kept up to and including the first "ROM" ("1300BC00.ROM\r\n" gives
// "1300BC00.ROM"); a text without "ROM" is kept up to its line end.
std::string FirmwareNameFromBlock(std::span<const uint8_t> text);

// Writes block `id` as `name` in the directory, replacing a file of that
// name. 1 when written, 0 otherwise (traced).
int ExtractAndWriteResource(EmbeddedTable table, uint16_t id, const std::string& directory,
                            const std::string& name);

// Writes the six blocks in order and sets m_strFWBinFile to the image's name;
// stops at the first failure. True when all were written.
bool vExtractResourceFiles(EmbeddedTable table, const std::string& directory, std::string& m_strFWBinFile);

// Deletes the written files that are present. False only when the name block is missing.
bool vRemoveExtractedFiles(EmbeddedTable table, const std::string& directory);

// True when something of that name exists.
bool bFileExists(const std::string& path);

}  // namespace tamsel
