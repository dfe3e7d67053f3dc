#include "imagegen/image_builder.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/crc32.h"
#include "image/image_layout.h"
#include "image/image_verify.h"
#include "image/option_rom.h"
#include "image/version_text.h"
#include "imagegen/image_seal.h"

namespace tamsel {
namespace {

using Bytes = std::vector<uint8_t>;

std::span<const uint8_t> Area(const Bytes& image, uint32_t offset, uint32_t length) {
  return std::span<const uint8_t>(image).subspan(offset, length);
}

DirectoryEntry Entry(const Bytes& image, uint32_t entryOffset) {
  return *ReadDirectoryEntry(image, entryOffset);
}

TEST(ImageBuilderTest, DefaultImageHasTheCarriedLayout) {
  const Bytes image = BuildImage();
  ASSERT_EQ(image.size(), 262144u);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);

  struct Expected {
    uint32_t entry;
    uint32_t offset;
    uint32_t length;
  };
  const Expected entries[] = {{kFixedAreaEntryOffset, 0x2000, 0x1C000},
                              {kHeaderAreaEntryOffset, 0x100, 0x100},
                              {kFirmwareAreaEntryOffset, 0x1E000, 0x8000},
                              {kSecondFirmwareAreaEntryOffset, 0, 0}};
  for (const Expected& e : entries) {
    const DirectoryEntry entry = Entry(image, e.entry);
    EXPECT_EQ(entry.areaOffset, e.offset) << std::hex << e.entry;
    EXPECT_EQ(entry.areaLength, e.length) << std::hex << e.entry;
  }
  EXPECT_EQ(ReadLe32(image, kOptionRomAddressOffset), 0u);
  EXPECT_EQ(ReadLe32(image, kImageLengthOffset), 0x40000u);
  EXPECT_EQ(FormatStoredFwVersion(std::span<const uint8_t, 6>(&image[0x1E010], 6)), "250613_00_BC_00");
  EXPECT_EQ(std::string(&image[0x100], &image[0x104]), "QORX");
}

TEST(ImageBuilderTest, IsDeterministicAndTheSeedChangesOnlyTheFill) {
  EXPECT_EQ(BuildImage(), BuildImage());
  ImageOptions other;
  other.fillSeed = 2;
  const Bytes first = BuildImage();
  const Bytes second = BuildImage(other);
  EXPECT_EQ(FirstBrokenSpiRomRule(second), SpiRomRule::kValid);
  EXPECT_NE(first, second);
  EXPECT_TRUE(std::equal(first.begin() + kImageSignatureOffset, first.begin() + kImageSignatureOffset + 16,
                         second.begin() + kImageSignatureOffset));
}

// The tables the update keeps and the areas it writes must be told apart by tests.
TEST(ImageBuilderTest, EveryAreaHasItsOwnNonTrivialContent) {
  const Bytes image = BuildImage();
  struct Region {
    const char* name;
    uint32_t offset;
    uint32_t length;
  };
  const Region regions[] = {
      {"register table", 0x000, 0x100}, {"header area rest", 0x130, 0x50}, {"CCT", 0x300, 0x100},
      {"FRT", 0x1000, 0x1000},          {"fixed area", 0x2000, 0x1C000},   {"firmware area", 0x1E020, 0x7FE0},
      {"tail", 0x26000, 0x1A000}};
  constexpr uint32_t kSample = 64;
  for (const Region& region : regions) {
    const auto bytes = Area(image, region.offset, region.length);
    const auto distinct = std::set<uint8_t>(bytes.begin(), bytes.end()).size();
    EXPECT_GT(distinct, 16u) << region.name;
    for (const Region& other : regions) {
      if (&other != &region) {
        EXPECT_FALSE(std::equal(bytes.begin(), bytes.begin() + kSample, image.begin() + other.offset))
            << region.name << " starts like " << other.name;
      }
    }
  }
}

TEST(ImageBuilderTest, OtherVersionAndSecondFirmwareArea) {
  ImageOptions options;
  options.firmware.version = {0x24, 0x12, 0x24, 0x00, 0x00, 0x02};
  options.secondFirmware = FirmwareAreaOptions{0x28000, 0x8000, {0x26, 0x01, 0x01, 0x00, 0x00, 0x01}};
  const Bytes image = BuildImage(options);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);
  EXPECT_EQ(FormatStoredFwVersion(std::span<const uint8_t, 6>(&image[0x1E010], 6)), "241224_00_00_02");
  EXPECT_EQ(FormatStoredFwVersion(std::span<const uint8_t, 6>(&image[0x28010], 6)), "260101_00_00_01");
  EXPECT_EQ(Entry(image, kSecondFirmwareAreaEntryOffset).areaOffset, 0x28000u);
  EXPECT_EQ(Entry(image, kSecondFirmwareAreaEntryOffset).areaCrc, Crc32(Area(image, 0x28000, 0x8000)));
  EXPECT_EQ(std::string(&image[0x180], &image[0x184]), "QORX");
}

TEST(ImageBuilderTest, OptionRomCarriesItsVersion) {
  ImageOptions options;
  options.optionRom = OptionRomOptions{};
  options.optionRom->major = 0x01;
  options.optionRom->minor = 0x6A;
  const Bytes image = BuildImage(options);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);
  const uint32_t address = *ReadLe32(image, kOptionRomAddressOffset);
  ASSERT_EQ(address, 0x30000u);
  const auto rom = Area(image, address, options.optionRom->size);
  EXPECT_EQ(rom[0], 0x55);
  EXPECT_EQ(rom[1], 0xAA);
  EXPECT_EQ(ByteSum(rom), 0);
  EXPECT_EQ(std::string(&rom[0x1C], &rom[0x20]), "PCIR");
  EXPECT_EQ(OptionRomVersionText(rom.first(kOptionRomReadSize)), "1.6a");
}

TEST(ImageBuilderTest, RefusesLayoutsThatDoNotFit) {
  const auto build = [](auto adjust) {
    ImageOptions options;
    adjust(options);
    return BuildImage(options);
  };
  EXPECT_THROW(build([](ImageOptions& o) { o.totalSize = 0x20000; }), std::invalid_argument);
  EXPECT_THROW(build([](ImageOptions& o) { o.firmware.offset = 0x1000; }), std::invalid_argument);
  EXPECT_THROW(build([](ImageOptions& o) {
                 o.secondFirmware = FirmwareAreaOptions{0x20000, 0x8000};
               }),
               std::invalid_argument);
  EXPECT_THROW(build([](ImageOptions& o) {
                 o.optionRom = OptionRomOptions{};
                 o.optionRom->address = 0x3FF00;
               }),
               std::invalid_argument);
  EXPECT_THROW(build([](ImageOptions& o) { o.firmware.length = 0x10; }), std::invalid_argument);
}

TEST(ImageSealTest, RestoresValidityAfterAnEdit) {
  Bytes image = BuildImage();
  image[0x1E010] = 0x24;
  image[0x2000] ^= 0xFF;
  image[0x150] ^= 0xFF;
  ASSERT_NE(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);
  EXPECT_TRUE(SealImage(image));
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);
}

TEST(ImageSealTest, ReportsAreasBeyondTheEnd) {
  Bytes image = BuildImage();
  ASSERT_TRUE(WriteLe32(image, kFirmwareAreaEntryOffset + kEntryAreaLengthField, 0x30000));
  EXPECT_FALSE(SealImage(image));
  Bytes tooShort(kDirectoryEnd - 1);
  EXPECT_FALSE(SealImage(tooShort));
  EXPECT_FALSE(SealDirectoryChecksum(tooShort));
}

}  // namespace
}  // namespace tamsel
