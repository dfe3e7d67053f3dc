#include "image/image_layout.h"

#include <numeric>

namespace tamsel {

namespace {

bool Fits(std::size_t imageSize, uint64_t offset, uint64_t count) {
  return offset <= imageSize && count <= imageSize - offset;
}

}  // namespace

std::optional<std::span<const uint8_t>> BoundedBytes(std::span<const uint8_t> image, uint64_t offset,
                                                     uint64_t count) {
  if (!Fits(image.size(), offset, count)) {
    return std::nullopt;
  }
  return image.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

std::optional<std::span<uint8_t>> BoundedBytes(std::span<uint8_t> image, uint64_t offset, uint64_t count) {
  if (!Fits(image.size(), offset, count)) {
    return std::nullopt;
  }
  return image.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

std::optional<uint8_t> ReadByte(std::span<const uint8_t> image, std::size_t offset) {
  if (offset >= image.size()) {
    return std::nullopt;
  }
  return image[offset];
}

std::optional<uint16_t> ReadLe16(std::span<const uint8_t> image, std::size_t offset) {
  const auto bytes = BoundedBytes(image, offset, 2);
  if (!bytes) {
    return std::nullopt;
  }
  return static_cast<uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
}

std::optional<uint32_t> ReadLe32(std::span<const uint8_t> image, std::size_t offset) {
  const auto bytes = BoundedBytes(image, offset, 4);
  if (!bytes) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (std::size_t index = 4; index-- > 0;) {
    value = (value << 8) | (*bytes)[index];
  }
  return value;
}

bool WriteLe16(std::span<uint8_t> image, std::size_t offset, uint16_t value) {
  const auto bytes = BoundedBytes(image, offset, 2);
  if (!bytes) {
    return false;
  }
  (*bytes)[0] = static_cast<uint8_t>(value);
  (*bytes)[1] = static_cast<uint8_t>(value >> 8);
  return true;
}

bool WriteLe32(std::span<uint8_t> image, std::size_t offset, uint32_t value) {
  const auto bytes = BoundedBytes(image, offset, 4);
  if (!bytes) {
    return false;
  }
  for (std::size_t index = 0; index < 4; ++index) {
    (*bytes)[index] = static_cast<uint8_t>(value >> (8 * index));
  }
  return true;
}

std::optional<DirectoryEntry> ReadDirectoryEntry(std::span<const uint8_t> image, std::size_t entryOffset) {
  const auto areaOffset = ReadLe32(image, entryOffset + kEntryAreaOffsetField);
  const auto areaLength = ReadLe32(image, entryOffset + kEntryAreaLengthField);
  const auto areaCrc = ReadLe32(image, entryOffset + kEntryAreaCrcField);
  if (!areaOffset || !areaLength || !areaCrc) {
    return std::nullopt;
  }
  return DirectoryEntry{*areaOffset, *areaLength, *areaCrc};
}

uint8_t ByteSum(std::span<const uint8_t> bytes) {
  return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

}  // namespace tamsel
