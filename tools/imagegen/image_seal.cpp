#include "imagegen/image_seal.h"

#include "image/crc32.h"
#include "image/image_layout.h"

namespace tamsel {

namespace {

bool SealQorxHeader(std::span<uint8_t> image, uint32_t headerOffset) {
  const auto header = BoundedBytes(image, headerOffset, kQorxHeaderSize);
  if (!header) {
    return false;
  }
  (*header)[kQorxChecksumField] = ByteSum(header->first(kQorxChecksumField));
  return true;
}

// Writes the CRC of the area a present entry lists into the entry.
bool SealAreaCrc(std::span<uint8_t> image, uint32_t entryOffset) {
  const auto entry = ReadDirectoryEntry(image, entryOffset);
  if (!entry) {
    return false;
  }
  if (!entry->present()) {
    return true;
  }
  const auto area = BoundedBytes(std::span<const uint8_t>(image), entry->areaOffset, entry->areaLength);
  return area && WriteLe32(image, entryOffset + kEntryAreaCrcField, Crc32(*area));
}

bool EntryPresent(std::span<const uint8_t> image, uint32_t entryOffset) {
  const auto entry = ReadDirectoryEntry(image, entryOffset);
  return entry && entry->present();
}

}  // namespace

bool SealDirectoryChecksum(std::span<uint8_t> image) {
  const auto directory = BoundedBytes(image, kDirectoryOffset, kDirectorySize);
  if (!directory) {
    return false;
  }
  (*directory)[kDirectorySize - 1] = ByteSum(directory->first(kDirectorySize - 1));
  return true;
}

bool SealImage(std::span<uint8_t> image) {
  if (image.size() < kDirectoryEnd) {
    return false;
  }
  bool sealed = true;
  // The QORX headers lie inside the header area, so their checksums come before its CRC.
  if (EntryPresent(image, kHeaderAreaEntryOffset)) {
    sealed = SealQorxHeader(image, kQorxHeaderOffset) && sealed;
  }
  if (EntryPresent(image, kSecondFirmwareAreaEntryOffset)) {
    sealed = SealQorxHeader(image, kSecondQorxHeaderOffset) && sealed;
  }
  for (const uint32_t entryOffset : {kHeaderAreaEntryOffset, kFixedAreaEntryOffset, kFirmwareAreaEntryOffset,
                                     kSecondFirmwareAreaEntryOffset}) {
    sealed = SealAreaCrc(image, entryOffset) && sealed;
  }
  return SealDirectoryChecksum(image) && sealed;
}

}  // namespace tamsel
