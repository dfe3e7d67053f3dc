#include "sim/machine_loader.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "imagegen/image_builder.h"
#include "sim/mapped_content_file.h"
#include "sim/regular_file.h"
#include "sim/spi_nor_chip.h"
#include "sim/stored_firmware_version.h"

namespace tamsel::sim {

namespace fs = std::filesystem;

namespace {

constexpr FwVersion kDefaultMachineFwVersion = {0x24, 0x12, 0x24, 0x00, 0x00, 0x02};
constexpr uint64_t kMaxMachineFileSize = 1 << 20;

bool ReadText(const fs::path& path, std::string& text, std::string& error) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) {
    error = path.string() + ": cannot read: " + ec.message();
    return false;
  }
  if (size > kMaxMachineFileSize) {
    error = path.string() + ": too large for a machine description (" + std::to_string(size) + " bytes)";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (!in) {
    error = path.string() + ": cannot read";
    return false;
  }
  text = buffer.str();
  return true;
}

// The default machine's flash: an older valid image followed by erased bytes.
bool WriteDefaultContent(const fs::path& path, std::size_t chipSize, std::string& error) {
  std::vector<uint8_t> content(chipSize, 0xFF);
  try {
    ImageOptions options;
    options.firmware.version = kDefaultMachineFwVersion;
    const std::vector<uint8_t> image = BuildImage(options);
    std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), chipSize)),
              content.begin());
  } catch (const std::exception& e) {
    error = path.string() + ": cannot build the default image: " + e.what();
    return false;
  }
  return WriteNewRegularFile(path.string(), content, error);
}

// Content names are plain file names (the description refuses anything else).
fs::path ContentPath(const fs::path& directory, const std::string& content) {
  return directory / content;
}

}  // namespace

bool WriteDefaultMachine(const std::string& directory, std::string& error) {
  const fs::path dir(directory);
  const std::string json = DefaultMachineJson();
  MachineDescription description;
  std::string fault;
  if (!ParseMachineDescription(json, description, fault)) {
    error = (dir / kMachineFileName).string() + ": default machine: " + fault;
    return false;
  }
  for (const ControllerDescription& controller : description.controllers) {
    const fs::path content = ContentPath(dir, controller.flash.content);
    // Whatever stands there already (a link too, which loading then refuses) is kept.
    std::error_code ec;
    if (fs::symlink_status(content, ec).type() != fs::file_type::not_found) continue;
    if (!WriteDefaultContent(content, FlashChipSizeBytes(controller.flash), error)) return false;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(json.data());
  return ReplaceRegularFile((dir / kMachineFileName).string(), std::span(bytes, json.size()), error);
}

std::unique_ptr<Machine> LoadMachine(const std::string& directory, std::string& error,
                                     const ChipFactory& makeChip) {
  const fs::path dir(directory);
  const fs::path machineFile = dir / kMachineFileName;
  std::error_code ec;
  if (!fs::is_directory(dir, ec) && !fs::create_directories(dir, ec)) {
    error = machineFile.string() + ": cannot create the machine directory " + dir.string() +
            (ec ? ": " + ec.message() : "");
    return nullptr;
  }
  if (!fs::exists(machineFile, ec) && !WriteDefaultMachine(directory, error)) return nullptr;

  std::string text;
  if (!ReadText(machineFile, text, error)) return nullptr;
  MachineDescription description;
  std::string fault;
  if (!ParseMachineDescription(text, description, fault)) {
    error = machineFile.string() + ": " + fault;
    return nullptr;
  }

  std::vector<std::unique_ptr<FlashStorage>> storages;
  for (std::size_t i = 0; i < description.controllers.size(); ++i) {
    ControllerDescription& controller = description.controllers[i];
    const fs::path content = ContentPath(dir, controller.flash.content);
    const std::string where =
        machineFile.string() + ": controllers[" + std::to_string(i) + "].flash.content: ";
    std::string storageError;
    std::unique_ptr<FlashStorage> storage =
        MapContentFile(content.string(), FlashChipSizeBytes(controller.flash), storageError);
    if (!storage) {
      error = where + storageError;
      return nullptr;
    }
    if (!controller.fwVersion) controller.fwVersion = StoredFirmwareVersionRegisters(storage->Bytes());
    storages.push_back(std::move(storage));
  }
  const ChipFactory chips = makeChip ? makeChip : ChipFactory(MakeSpiNorChip);
  return std::make_unique<Machine>(std::move(description), std::move(storages), chips);
}

}  // namespace tamsel::sim
