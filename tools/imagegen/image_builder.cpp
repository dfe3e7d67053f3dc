#include "imagegen/image_builder.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>

#include "image/image_layout.h"
#include "image/option_rom.h"
#include "imagegen/image_seal.h"

namespace tamsel {

namespace {

// Each area draws its bytes from its own stream, so equal offsets in different
// areas (and equal areas built with different seeds) hold different bytes.
enum class AreaTag : uint64_t {
  kPadding = 0,
  kRegisterTable,
  kHeaderArea,
  kCustomerConfigTable,
  kFirmwareRecordTable,
  kFixedArea,
  kFirmwareArea,
  kSecondFirmwareArea,
  kOptionRom,
};

// splitmix64: small, fast and the same on every platform.
class FillStream {
 public:
  FillStream(uint32_t seed, AreaTag tag) : state_((uint64_t{seed} << 32) ^ static_cast<uint64_t>(tag)) {}

  uint8_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t value = state_;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>(value ^ (value >> 31));
  }

 private:
  uint64_t state_;
};

struct Region {
  uint32_t offset;
  uint32_t length;
  const char* name;
};

std::span<uint8_t> RegionBytes(std::vector<uint8_t>& image, const Region& region) {
  return std::span<uint8_t>(image).subspan(region.offset, region.length);
}

void Fill(std::span<uint8_t> bytes, uint32_t seed, AreaTag tag) {
  FillStream stream(seed, tag);
  std::generate(bytes.begin(), bytes.end(), [&stream] { return stream.Next(); });
}

void RequireInside(const Region& region, uint32_t totalSize) {
  if (region.offset < kFixedAreaOffset || region.offset > totalSize ||
      region.length > totalSize - region.offset) {
    throw std::invalid_argument(std::string(region.name) + " does not fit between 0x2000 and the image end");
  }
}

void RequireApart(const Region& first, const Region& second) {
  const uint64_t firstEnd = uint64_t{first.offset} + first.length;
  const uint64_t secondEnd = uint64_t{second.offset} + second.length;
  if (first.offset < secondEnd && second.offset < firstEnd) {
    throw std::invalid_argument(std::string(first.name) + " overlaps " + second.name);
  }
}

std::vector<Region> PlacedAreas(const ImageOptions& options) {
  std::vector<Region> areas = {{kFixedAreaOffset, options.fixedAreaLength, "fixed area"},
                               {options.firmware.offset, options.firmware.length, "firmware area"}};
  if (options.secondFirmware) {
    areas.push_back({options.secondFirmware->offset, options.secondFirmware->length, "second firmware area"});
  }
  if (options.optionRom) {
    areas.push_back({options.optionRom->address, options.optionRom->size, "option ROM"});
  }
  return areas;
}

void CheckPlacement(const ImageOptions& options) {
  const std::vector<Region> areas = PlacedAreas(options);
  for (std::size_t index = 0; index < areas.size(); ++index) {
    RequireInside(areas[index], options.totalSize);
    for (std::size_t other = index + 1; other < areas.size(); ++other) {
      RequireApart(areas[index], areas[other]);
    }
  }
  if (options.firmware.length < kFirmwareVersionOffset + kFirmwareVersionSize ||
      (options.secondFirmware &&
       options.secondFirmware->length < kFirmwareVersionOffset + kFirmwareVersionSize)) {
    throw std::invalid_argument("a firmware area is too short for its version bytes");
  }
  if (options.optionRom &&
      options.optionRom->pciDataOffset + kPciDataStructureSize > options.optionRom->size) {
    throw std::invalid_argument("the PCI Data Structure does not fit the option ROM");
  }
}

void WriteQorxHeader(std::vector<uint8_t>& image, uint32_t headerOffset) {
  std::copy(kQorxMagic.begin(), kQorxMagic.end(), image.begin() + headerOffset + kQorxMagicField);
  std::copy(kImageSignature.begin(), kImageSignature.end(),
            image.begin() + headerOffset + kQorxSignatureField);
}

void WriteEntry(std::vector<uint8_t>& image, uint32_t entryOffset, uint32_t areaOffset, uint32_t areaLength) {
  WriteLe32(image, entryOffset + kEntryAreaOffsetField, areaOffset);
  WriteLe32(image, entryOffset + kEntryAreaLengthField, areaLength);
}

void WriteFirmwareArea(std::vector<uint8_t>& image, const FirmwareAreaOptions& firmware, uint32_t entryOffset,
                       AreaTag tag, uint32_t seed) {
  Fill(RegionBytes(image, {firmware.offset, firmware.length, ""}), seed, tag);
  std::copy(firmware.version.begin(), firmware.version.end(),
            image.begin() + firmware.offset + kFirmwareVersionOffset);
  WriteEntry(image, entryOffset, firmware.offset, firmware.length);
}

// A PCI expansion ROM: 55 AA, its size, the PCI Data Structure with the code
// revision, and a last byte that makes the ROM's bytes sum to 0.
void WriteOptionRom(std::vector<uint8_t>& image, const OptionRomOptions& rom, uint32_t seed) {
  const std::span<uint8_t> bytes = RegionBytes(image, {rom.address, rom.size, ""});
  Fill(bytes, seed, AreaTag::kOptionRom);
  constexpr uint32_t kRomBlock = 512;
  bytes[kOptionRomSignatureField] = 0x55;
  bytes[kOptionRomSignatureField + 1] = 0xAA;
  bytes[kOptionRomSizeField] = static_cast<uint8_t>(rom.size / kRomBlock);
  WriteLe16(bytes, kPciDataPointerField, rom.pciDataOffset);

  const std::span<uint8_t> pciData = bytes.subspan(rom.pciDataOffset, kPciDataStructureSize);
  std::fill(pciData.begin(), pciData.end(), uint8_t{0});
  const std::array<uint8_t, 4> pcir = {'P', 'C', 'I', 'R'};
  std::copy(pcir.begin(), pcir.end(), pciData.begin());
  WriteLe16(pciData, kPciDataVendorField, rom.vendorId);
  WriteLe16(pciData, kPciDataDeviceField, rom.deviceId);
  WriteLe16(pciData, kPciDataLengthField, static_cast<uint16_t>(kPciDataStructureSize));
  const std::array<uint8_t, 3> sataAhciClass = {0x01, 0x06, 0x01};  // prog-if, subclass, class
  std::copy(sataAhciClass.begin(), sataAhciClass.end(), pciData.begin() + kPciDataClassCodeField);
  WriteLe16(pciData, kPciDataImageLengthField, static_cast<uint16_t>(rom.size / kRomBlock));
  pciData[kPciDataRevisionMinorField] = rom.minor;
  pciData[kPciDataRevisionMajorField] = rom.major;
  pciData[kPciDataIndicatorField] = 0x80;  // last image

  bytes.back() = static_cast<uint8_t>(0x100 - ByteSum(bytes.first(bytes.size() - 1)));
}

void FillTables(std::vector<uint8_t>& image, uint32_t seed) {
  Fill(image, seed, AreaTag::kPadding);
  Fill(RegionBytes(image, {kRegisterTableOffset, kRegisterTableSize, ""}), seed, AreaTag::kRegisterTable);
  Fill(RegionBytes(image, {kHeaderAreaOffset, kHeaderAreaSize, ""}), seed, AreaTag::kHeaderArea);
  Fill(RegionBytes(image, {kCustomerConfigTableOffset, kCustomerConfigTableSize, ""}), seed,
       AreaTag::kCustomerConfigTable);
  Fill(RegionBytes(image, {kFirmwareRecordTableOffset, kFirmwareRecordTableSize, ""}), seed,
       AreaTag::kFirmwareRecordTable);
  const std::span<uint8_t> directory = RegionBytes(image, {kDirectoryOffset, kDirectorySize, ""});
  std::fill(directory.begin(), directory.end(), uint8_t{0});
}

}  // namespace

std::vector<uint8_t> BuildImage(const ImageOptions& options) {
  CheckPlacement(options);
  std::vector<uint8_t> image(options.totalSize);
  FillTables(image, options.fillSeed);

  Fill(RegionBytes(image, {kFixedAreaOffset, options.fixedAreaLength, ""}), options.fillSeed,
       AreaTag::kFixedArea);
  WriteEntry(image, kFixedAreaEntryOffset, kFixedAreaOffset, options.fixedAreaLength);
  WriteQorxHeader(image, kQorxHeaderOffset);
  WriteEntry(image, kHeaderAreaEntryOffset, kHeaderAreaOffset, kHeaderAreaSize);
  WriteFirmwareArea(image, options.firmware, kFirmwareAreaEntryOffset, AreaTag::kFirmwareArea,
                    options.fillSeed);
  if (options.secondFirmware) {
    WriteQorxHeader(image, kSecondQorxHeaderOffset);
    WriteFirmwareArea(image, *options.secondFirmware, kSecondFirmwareAreaEntryOffset,
                      AreaTag::kSecondFirmwareArea, options.fillSeed);
  }
  if (options.optionRom) {
    WriteOptionRom(image, *options.optionRom, options.fillSeed);
    WriteLe32(image, kOptionRomAddressOffset, options.optionRom->address);
  }
  std::copy(kImageSignature.begin(), kImageSignature.end(), image.begin() + kImageSignatureOffset);
  WriteLe32(image, kImageLengthOffset, options.totalSize);
  SealImage(image);
  return image;
}

}  // namespace tamsel
