#include "image/image_verify.h"

#include <algorithm>
#include <optional>

#include "image/crc32.h"
#include "image/image_layout.h"
#include "platform/trace.h"

namespace tamsel {

namespace {

using Image = std::span<const uint8_t>;

bool BytesEqual(Image image, uint32_t offset, std::span<const uint8_t> expected) {
  const auto bytes = BoundedBytes(image, offset, expected.size());
  return bytes && std::equal(bytes->begin(), bytes->end(), expected.begin());
}

// The 8-bit sum of the count bytes at offset equals the byte right after them.
bool ChecksumHolds(Image image, uint32_t offset, uint32_t count) {
  const auto bytes = BoundedBytes(image, offset, count);
  const auto checksum = ReadByte(image, static_cast<std::size_t>(offset) + count);
  return bytes && checksum && ByteSum(*bytes) == *checksum;
}

bool AreaCrcHolds(Image image, uint32_t offset, uint32_t length, uint32_t expectedCrc) {
  const auto area = BoundedBytes(image, offset, length);
  return area && Crc32(*area) == expectedCrc;
}

bool QorxHeaderHolds(Image image, uint32_t headerOffset) {
  return BytesEqual(image, headerOffset + kQorxMagicField, kQorxMagic) &&
         BytesEqual(image, headerOffset + kQorxSignatureField, kImageSignature) &&
         ChecksumHolds(image, headerOffset, kQorxChecksumField);
}

// The directory's four entries, read once the directory is known to be whole.
struct Directory {
  DirectoryEntry fixedArea;
  DirectoryEntry headerArea;
  DirectoryEntry firmwareArea;
  DirectoryEntry secondFirmwareArea;
};

Directory ReadDirectory(Image image) {
  return Directory{*ReadDirectoryEntry(image, kFixedAreaEntryOffset),
                   *ReadDirectoryEntry(image, kHeaderAreaEntryOffset),
                   *ReadDirectoryEntry(image, kFirmwareAreaEntryOffset),
                   *ReadDirectoryEntry(image, kSecondFirmwareAreaEntryOffset)};
}

bool FixedAreaHolds(Image image, const DirectoryEntry& fixedArea) {
  if (!fixedArea.present()) {
    return true;
  }
  return fixedArea.areaOffset == kFixedAreaOffset &&
         AreaCrcHolds(image, kFixedAreaOffset, fixedArea.areaLength, fixedArea.areaCrc);
}

bool HeaderAreaHolds(Image image, const Directory& directory) {
  const DirectoryEntry& headerArea = directory.headerArea;
  if (!headerArea.present()) {
    return !directory.firmwareArea.present();
  }
  return headerArea.areaOffset == kHeaderAreaOffset && headerArea.areaLength == kHeaderAreaSize &&
         AreaCrcHolds(image, kHeaderAreaOffset, kHeaderAreaSize, headerArea.areaCrc) &&
         QorxHeaderHolds(image, kQorxHeaderOffset);
}

bool SecondHeaderHolds(Image image, const Directory& directory) {
  return !directory.secondFirmwareArea.present() || QorxHeaderHolds(image, kSecondQorxHeaderOffset);
}

bool FirmwareAreasHold(Image image, const Directory& directory) {
  const DirectoryEntry& firmware = directory.firmwareArea;
  if (!firmware.present()) {
    return !directory.headerArea.present();
  }
  if (!AreaCrcHolds(image, firmware.areaOffset, firmware.areaLength, firmware.areaCrc)) {
    return false;
  }
  const DirectoryEntry& second = directory.secondFirmwareArea;
  return !second.present() || AreaCrcHolds(image, second.areaOffset, second.areaLength, second.areaCrc);
}

}  // namespace

SpiRomRule FirstBrokenSpiRomRule(std::span<const uint8_t> image) {
  if (!BytesEqual(image, kImageSignatureOffset, kImageSignature)) {
    return SpiRomRule::kSignature;
  }
  if (!ChecksumHolds(image, kDirectoryOffset, kDirectorySize - 1)) {
    return SpiRomRule::kDirectoryChecksum;
  }
  // From here on the whole directory lies inside the image.
  if (*ReadLe32(image, kImageLengthOffset) != image.size()) {
    return SpiRomRule::kImageLength;
  }
  const Directory directory = ReadDirectory(image);
  if (!FixedAreaHolds(image, directory.fixedArea)) {
    return SpiRomRule::kFixedArea;
  }
  if (!HeaderAreaHolds(image, directory)) {
    return SpiRomRule::kHeaderArea;
  }
  if (!SecondHeaderHolds(image, directory)) {
    return SpiRomRule::kSecondHeader;
  }
  if (!FirmwareAreasHold(image, directory)) {
    return SpiRomRule::kFirmwareAreas;
  }
  return SpiRomRule::kValid;
}

bool QOR7740VerifySpiRomFile(const uint8_t* image, uint32_t length) {
  const Image bytes = image != nullptr ? Image(image, length) : Image();
  // The image offsets of the six version bytes; an image too short for the
  // firmware-area field shows them as if the field were 0.
  const uint32_t versionAt = ReadLe32(bytes, kFirmwareAreaEntryOffset).value_or(0) + kFirmwareVersionOffset;
  TRACE_MSG("QOR7740VerifySpiRomFile", " %d %d %d %d %d %d", static_cast<int>(versionAt),
            static_cast<int>(versionAt + 1), static_cast<int>(versionAt + 2), static_cast<int>(versionAt + 3),
            static_cast<int>(versionAt + 4), static_cast<int>(versionAt + 5));
  return FirstBrokenSpiRomRule(bytes) == SpiRomRule::kValid;
}

}  // namespace tamsel
