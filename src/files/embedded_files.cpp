#include "files/embedded_files.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "files/file_access.h"
#include "platform/failure_report.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

constexpr std::size_t kMaxReasonLength = 511;

// Files written in this order before the image; the device-console tool comes last.
constexpr struct {
  uint16_t id;
  const char* name;
} kFilesBeforeImage[] = {
    {kBlockDriver32, kDriver32FileName},
    {kBlockDriver64, kDriver64FileName},
    {kBlockSettings, kSettingsFileName},
};

// Deleted at exit before the name block is looked up.
constexpr const char* kFilesRemovedFirst[] = {kSettingsFileName, kDriver32FileName, kDriver64FileName};

std::string_view BlockText(std::span<const uint8_t> bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
  return {reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(end - bytes.begin())};
}

std::string ErrorReason(int error) {
  return SystemErrorText(error).substr(0, kMaxReasonLength);
}

// The hidden mark does not exist on this platform; the file only has to be
// there for its attributes to be read.
bool MarkHidden(const std::string& path) {
  return PathExists(path);
}

// Writes the bytes as the file; a failure is traced under the routine's name.
bool WriteBlockFile(const char* routine, std::span<const uint8_t> bytes, const std::string& path) {
  int error = 0;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!WriteWholeFile(path, text, error)) {
    TRACE_ERR(routine, "Failed to write file: %s. Reason: %s", path.c_str(), ErrorReason(error).c_str());
    return false;
  }
  return true;
}

}  // namespace

const EmbeddedBlock* FindEmbeddedBlock(EmbeddedTable table, uint16_t id) {
  const auto match =
      std::find_if(table.begin(), table.end(), [id](const EmbeddedBlock& b) { return b.id == id; });
  return match == table.end() ? nullptr : &*match;
}

std::string FirmwareNameFromBlock(std::span<const uint8_t> text) {
  const std::string_view whole = BlockText(text);
  const std::size_t rom = whole.find("ROM");
  if (rom != std::string_view::npos) {
    return std::string(whole.substr(0, rom + 3));
  }
  return std::string(whole.substr(0, whole.find_first_of("\r\n")));
}

bool bFileExists(const std::string& path) {
  return PathExists(path);
}

int ExtractAndWriteResource(EmbeddedTable table, uint16_t id, const std::string& directory,
                            const std::string& name) {
  constexpr const char* kRoutine = "ExtractAndWriteResource";
  const EmbeddedBlock* block = FindEmbeddedBlock(table, id);
  if (block == nullptr) {
    TRACE_ERR(kRoutine, "FindResource(%u) failed. Error: %lu", static_cast<unsigned>(id),
              static_cast<unsigned long>(ENOENT));
    return 0;
  }
  if (block->bytes.data() == nullptr || block->bytes.empty()) {
    TRACE_ERR(kRoutine, "Invalid resource data or size. ID: %u", static_cast<unsigned>(id));
    return 0;
  }
  const std::string path = JoinPath(directory, name);
  if (!WriteBlockFile(kRoutine, block->bytes, path)) {
    return 0;
  }
  MarkHidden(path);
  return 1;
}

bool vExtractResourceFiles(EmbeddedTable table, const std::string& directory, std::string& m_strFWBinFile) {
  constexpr const char* kRoutine = "CTamselDlg::vExtractResourceFiles";
  for (const auto& file : kFilesBeforeImage) {
    if (ExtractAndWriteResource(table, file.id, directory, file.name) == 0) {
      return false;
    }
  }
  const EmbeddedBlock* nameBlock = FindEmbeddedBlock(table, kBlockFirmwareName);
  if (nameBlock == nullptr) {
    TRACE_ERR(kRoutine, "FindResource fail: %d", ENOENT);
    return false;
  }
  m_strFWBinFile = FirmwareNameFromBlock(nameBlock->bytes);
  TRACE_MSG(kRoutine, "m_strFWBinFile: %s, lpFwName: %s, dwLen: %d", m_strFWBinFile.c_str(),
            std::string(BlockText(nameBlock->bytes)).c_str(), static_cast<int>(nameBlock->bytes.size()));
  const EmbeddedBlock* image = FindEmbeddedBlock(table, kBlockFirmwareImage);
  if (image == nullptr) {
    TRACE_ERR(kRoutine, "FindResource fail: %d", ENOENT);
    return false;
  }
  const std::string imagePath = JoinPath(directory, m_strFWBinFile);
  if (m_strFWBinFile.empty() || !WriteBlockFile(kRoutine, image->bytes, imagePath)) {
    return false;
  }
  TRACE_MSG(kRoutine, "restore FW.rom to %s", m_strFWBinFile.c_str());
  if (!MarkHidden(imagePath)) {
    TRACE_MSG(kRoutine, "GetFileAttributes fail.");
  }
  return ExtractAndWriteResource(table, kBlockDeviceConsole, directory, kDeviceConsoleFileName) == 1;
}

bool vRemoveExtractedFiles(EmbeddedTable table, const std::string& directory) {
  constexpr const char* kRoutine = "CTamselDlg::vRemoveExtractedFiles";
  for (const char* name : kFilesRemovedFirst) {
    const std::string path = JoinPath(directory, name);
    if (bFileExists(path)) {
      DeleteFileIfPresent(path);
    }
  }
  const EmbeddedBlock* nameBlock = FindEmbeddedBlock(table, kBlockFirmwareName);
  if (nameBlock == nullptr) {
    TRACE_ERR(kRoutine, "FindResource fail: %d", ENOENT);
    return false;
  }
  const std::string strLine = FirmwareNameFromBlock(nameBlock->bytes);
  TRACE_MSG(kRoutine, " !!! strLine: %s, lpFwName: %s, dwLen: %d", strLine.c_str(),
            std::string(BlockText(nameBlock->bytes)).c_str(), static_cast<int>(nameBlock->bytes.size()));
  for (const std::string& name : {strLine, std::string(kDeviceConsoleFileName)}) {
    const std::string path = JoinPath(directory, name);
    if (!name.empty() && bFileExists(path)) {
      DeleteFileIfPresent(path);
    }
  }
  return true;
}

}  // namespace tamsel
