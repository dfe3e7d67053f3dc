#include "image/image_verify.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "image/crc32.h"
#include "image/image_layout.h"
#include "imagegen/image_builder.h"
#include "imagegen/image_seal.h"
#include "platform/trace_capture.h"

namespace tamsel {
namespace {

using Bytes = std::vector<uint8_t>;
using Edit = std::function<void(Bytes&)>;

bool Verify(const Bytes& image) {
  return QOR7740VerifySpiRomFile(image.data(), static_cast<uint32_t>(image.size()));
}

ImageOptions WithTotalSize(uint32_t totalSize) {
  ImageOptions options;
  options.totalSize = totalSize;
  return options;
}

ImageOptions WithSecondFirmware() {
  ImageOptions options;
  options.secondFirmware = FirmwareAreaOptions{0x28000, 0x8000, {0x26, 0x01, 0x01, 0x00, 0x00, 0x01}};
  return options;
}

void SetField(Bytes& image, uint32_t offset, uint32_t value) {
  ASSERT_TRUE(WriteLe32(image, offset, value));
}

// Edits made in the order given, then the image re-sealed so that only the intended rule breaks.
Edit Sealed(const std::function<void(Bytes&)>& edit) {
  return [edit](Bytes& image) {
    edit(image);
    SealImage(image);
  };
}

// Edits made after sealing, with only the directory checksum brought back in line.
Edit DirectoryFixed(const std::function<void(Bytes&)>& edit) {
  return [edit](Bytes& image) {
    edit(image);
    SealDirectoryChecksum(image);
  };
}

void RemoveEntry(Bytes& image, uint32_t entryOffset) {
  SetField(image, entryOffset + kEntryAreaOffsetField, 0);
}

struct RuleCase {
  std::string name;
  ImageOptions options;
  Edit edit;
  SpiRomRule rule;
};

class SpiRomRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(SpiRomRuleTest, BreaksExactlyTheExpectedRule) {
  const RuleCase& c = GetParam();
  Bytes image = BuildImage(c.options);
  c.edit(image);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), c.rule);
  EXPECT_EQ(Verify(image), c.rule == SpiRomRule::kValid);
}

const RuleCase kRuleCases[] = {
    // Valid images.
    {"DefaultImage", {}, [](Bytes&) {}, SpiRomRule::kValid},
    {"SecondFirmwareArea", WithSecondFirmware(), [](Bytes&) {}, SpiRomRule::kValid},
    {"HalfMegabyteImage", WithTotalSize(0x80000), [](Bytes&) {}, SpiRomRule::kValid},
    {"NoFixedAreaSkipsItsCrc",
     {},
     DirectoryFixed([](Bytes& i) {
       RemoveEntry(i, kFixedAreaEntryOffset);
       SetField(i, kFixedAreaEntryOffset + kEntryAreaCrcField, 0x12345678);
     }),
     SpiRomRule::kValid},
    {"NoHeaderAndNoFirmwareAreaNeedsNoFirmwareCrc",
     {},
     DirectoryFixed([](Bytes& i) {
       RemoveEntry(i, kHeaderAreaEntryOffset);
       RemoveEntry(i, kFirmwareAreaEntryOffset);
       i[0x1E000] ^= 0xFF;  // the firmware bytes no longer match their old CRC
     }),
     SpiRomRule::kValid},
    {"SecondAreaCrcNotComputedWithoutFirmwareArea", WithSecondFirmware(), DirectoryFixed([](Bytes& i) {
       RemoveEntry(i, kHeaderAreaEntryOffset);
       RemoveEntry(i, kFirmwareAreaEntryOffset);
       SetField(i, kSecondFirmwareAreaEntryOffset + kEntryAreaCrcField, 0);
     }),
     SpiRomRule::kValid},

    // Rule 1: image signature.
    {"SignatureByteChanged",
     {},
     Sealed([](Bytes& i) { i[kImageSignatureOffset + 15] ^= 0x01; }),
     SpiRomRule::kSignature},
    // Rule 2: directory checksum.
    {"DirectoryChecksumChanged",
     {},
     [](Bytes& i) { ++i[kDirectoryChecksumOffset]; },
     SpiRomRule::kDirectoryChecksum},
    {"DirectoryByteChanged", {}, [](Bytes& i) { ++i[0x260]; }, SpiRomRule::kDirectoryChecksum},
    // Rule 3: image length.
    {"OneByteAppended", {}, [](Bytes& i) { i.push_back(0xFF); }, SpiRomRule::kImageLength},
    {"LengthFieldOneShort",
     {},
     DirectoryFixed([](Bytes& i) { SetField(i, kImageLengthOffset, 0x3FFFF); }),
     SpiRomRule::kImageLength},
    // Rule 4: fixed area.
    {"FixedAreaByteChanged", {}, [](Bytes& i) { i[0x2000 + 0x1BFFF] ^= 0x80; }, SpiRomRule::kFixedArea},
    {"FixedAreaElsewhereEvenWithMatchingCrc",
     {},
     DirectoryFixed([](Bytes& i) {
       SetField(i, kFixedAreaEntryOffset, 0x3000);  // the CRC over 0x2000 still matches
     }),
     SpiRomRule::kFixedArea},
    {"FixedAreaReachesBeyondEnd",
     {},
     DirectoryFixed([](Bytes& i) { SetField(i, kFixedAreaEntryOffset + kEntryAreaLengthField, 0x3E001); }),
     SpiRomRule::kFixedArea},
    {"FixedAreaLengthHuge",
     {},
     DirectoryFixed([](Bytes& i) { SetField(i, kFixedAreaEntryOffset + kEntryAreaLengthField, 0xFFFFFFFF); }),
     SpiRomRule::kFixedArea},
    // Rule 5: header area.
    {"HeaderAbsentFirmwarePresent",
     {},
     DirectoryFixed([](Bytes& i) { RemoveEntry(i, kHeaderAreaEntryOffset); }),
     SpiRomRule::kHeaderArea},
    {"HeaderAreaElsewhere",
     {},
     Sealed([](Bytes& i) { SetField(i, kHeaderAreaEntryOffset, 0x180); }),
     SpiRomRule::kHeaderArea},
    {"HeaderAreaLength0x200WithMatchingCrc",
     {},
     Sealed([](Bytes& i) {
       SetField(i, kHeaderAreaEntryOffset + kEntryAreaLengthField, 0x200);  // sealed: CRC over 0x100..0x2FF
     }),
     SpiRomRule::kHeaderArea},
    {"HeaderAreaCrcWrong", {}, [](Bytes& i) { i[0x1F0] ^= 0x01; }, SpiRomRule::kHeaderArea},
    {"QorxInLowerCase", {}, Sealed([](Bytes& i) { i[kQorxHeaderOffset] = 'q'; }), SpiRomRule::kHeaderArea},
    {"HeaderSignatureWrong",
     {},
     Sealed([](Bytes& i) { i[kQorxHeaderOffset + kQorxSignatureField] ^= 0x10; }),
     SpiRomRule::kHeaderArea},
    // Rule 6: second QORX header.
    {"SecondAreaWithoutSecondHeader",
     {},
     Sealed([](Bytes& i) {
       SetField(i, kSecondFirmwareAreaEntryOffset, 0x28000);
       SetField(i, kSecondFirmwareAreaEntryOffset + kEntryAreaLengthField, 0x8000);
       // The second header's place holds other bytes; sealing fixes only its checksum.
     }),
     SpiRomRule::kSecondHeader},
    {"SecondHeaderSignatureWrong", WithSecondFirmware(),
     Sealed([](Bytes& i) { i[kSecondQorxHeaderOffset + kQorxSignatureField + 3] ^= 0x01; }),
     SpiRomRule::kSecondHeader},
    // Rule 7: firmware areas.
    {"HeaderPresentFirmwareAbsent",
     {},
     DirectoryFixed([](Bytes& i) { RemoveEntry(i, kFirmwareAreaEntryOffset); }),
     SpiRomRule::kFirmwareAreas},
    {"FirmwareVersionByteChanged", {}, [](Bytes& i) { i[0x1E010] = 0x24; }, SpiRomRule::kFirmwareAreas},
    {"SecondFirmwareByteChanged", WithSecondFirmware(), [](Bytes& i) { i[0x28000 + 0x7FFF] ^= 0x01; },
     SpiRomRule::kFirmwareAreas},
    {"FirmwareAreaReachesBeyondEnd",
     {},
     DirectoryFixed([](Bytes& i) {
       SetField(i, kFirmwareAreaEntryOffset + kEntryAreaLengthField, 0x40000 - 0x1E000 + 1);
     }),
     SpiRomRule::kFirmwareAreas},
    {"FirmwareAreaWrapsAround32Bits",
     {},
     DirectoryFixed([](Bytes& i) {
       SetField(i, kFirmwareAreaEntryOffset, 0xFFFFFF00);
       SetField(i, kFirmwareAreaEntryOffset + kEntryAreaLengthField,
                0x200);  // offset + length wraps to 0x100
     }),
     SpiRomRule::kFirmwareAreas},
    {"SecondFirmwareAreaWrapsAround32Bits", WithSecondFirmware(), DirectoryFixed([](Bytes& i) {
       SetField(i, kSecondFirmwareAreaEntryOffset, 0xFFFFFFF0);
       SetField(i, kSecondFirmwareAreaEntryOffset + kEntryAreaLengthField, 0x20);
     }),
     SpiRomRule::kFirmwareAreas},
};

INSTANTIATE_TEST_SUITE_P(Rules, SpiRomRuleTest, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase>& rule) { return rule.param.name; });

TEST(SpiRomHeaderChecksumTest, HeaderChecksumWrong) {
  Bytes image = BuildImage();
  ++image[kQorxHeaderOffset + kQorxChecksumField];
  SetField(image, kHeaderAreaEntryOffset + kEntryAreaCrcField,
           Crc32(&image[kHeaderAreaOffset], kHeaderAreaSize));
  SealDirectoryChecksum(image);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kHeaderArea);
}

TEST(SpiRomHeaderChecksumTest, SecondHeaderChecksumWrong) {
  Bytes image = BuildImage(WithSecondFirmware());
  ++image[kSecondQorxHeaderOffset + kQorxChecksumField];
  SetField(image, kHeaderAreaEntryOffset + kEntryAreaCrcField,
           Crc32(&image[kHeaderAreaOffset], kHeaderAreaSize));
  SealDirectoryChecksum(image);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kSecondHeader);
}

TEST(SpiRomHeaderChecksumTest, FirstHeaderDoesNotStandInForTheSecond) {
  // A second firmware area whose header is missing: copying the first header to 0x180 is what it takes.
  Bytes image = BuildImage();
  SetField(image, kSecondFirmwareAreaEntryOffset, 0x28000);
  SetField(image, kSecondFirmwareAreaEntryOffset + kEntryAreaLengthField, 0x100);
  SealImage(image);
  // Sealing wrote a checksum at 0x1AF, but 0x180 holds no "QORX".
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kSecondHeader);
  std::copy_n(image.begin() + kQorxHeaderOffset, kQorxHeaderSize, image.begin() + kSecondQorxHeaderOffset);
  SealImage(image);
  EXPECT_EQ(FirstBrokenSpiRomRule(image), SpiRomRule::kValid);
}

TEST(SpiRomVerifyTest, WritesTheVersionOffsetsFirst) {
  const Bytes image = BuildImage();
  TraceCapture trace(3);
  EXPECT_TRUE(Verify(image));
  ASSERT_EQ(trace.lines().size(), 1u);
  EXPECT_EQ(trace.lines()[0].rfind("MSG::QOR7740VerifySpiRomFile:", 0), 0u) << trace.lines()[0];
  EXPECT_TRUE(trace.Contains(":  122896 122897 122898 122899 122900 122901")) << trace.lines()[0];
}

TEST(SpiRomVerifyTest, ChangesNothing) {
  const Bytes image = BuildImage();
  Bytes copy = image;
  QOR7740VerifySpiRomFile(copy.data(), static_cast<uint32_t>(copy.size()));
  EXPECT_EQ(copy, image);
}

TEST(SpiRomVerifyTest, NoImageIsNotValid) {
  TraceCapture trace(3);
  EXPECT_FALSE(QOR7740VerifySpiRomFile(nullptr, 0));
  EXPECT_FALSE(QOR7740VerifySpiRomFile(nullptr, 0x40000));
  EXPECT_TRUE(trace.Contains(":  16 17 18 19 20 21"));
}

// Every prefix of a valid image, given as a buffer of exactly that size (so the
// sanitizer build catches any read past it), with its length field and
// directory re-sealed wherever the directory is whole.
TEST(SpiRomBoundsTest, TruncatedImagesAreNotValid) {
  const Bytes full = BuildImage(WithSecondFirmware());
  std::vector<std::size_t> lengths;
  for (std::size_t length = 0; length <= kDirectoryEnd + 8; ++length) {
    lengths.push_back(length);
  }
  for (const std::size_t length : {0x1000u, 0x2000u, 0x2001u, 0x1DFFFu, 0x1E015u, 0x25FFFu, 0x2FFFFu}) {
    lengths.push_back(length);
  }
  for (const std::size_t length : lengths) {
    Bytes image(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    if (WriteLe32(image, kImageLengthOffset, static_cast<uint32_t>(length))) {
      SealDirectoryChecksum(image);
    }
    EXPECT_FALSE(Verify(image)) << "length " << length;
  }
}

TEST(SpiRomBoundsTest, TruncatedImagesBreakTheRuleThatReadsTooFar) {
  const Bytes full = BuildImage(WithSecondFirmware());
  struct Case {
    std::size_t length;
    SpiRomRule rule;
  };
  const Case cases[] = {
      {0x20F, SpiRomRule::kSignature},       {0x2FF, SpiRomRule::kDirectoryChecksum},
      {0x1DFFF, SpiRomRule::kFixedArea},     {0x1E000, SpiRomRule::kFirmwareAreas},
      {0x2FFFF, SpiRomRule::kFirmwareAreas},
  };
  for (const Case& c : cases) {
    Bytes image(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.length));
    if (WriteLe32(image, kImageLengthOffset, static_cast<uint32_t>(c.length))) {
      SealDirectoryChecksum(image);
    }
    EXPECT_EQ(FirstBrokenSpiRomRule(image), c.rule) << "length " << c.length;
  }
}

// Directories full of hostile offsets and lengths, checksum made right so every
// rule gets to read them; the sanitizer build proves nothing is read out of bounds.
TEST(SpiRomBoundsTest, HostileDirectoriesNeverReadOutOfBounds) {
  const uint32_t hostileValues[] = {0,          1,          0x100,      0x180,   0x2000,     0x1E000,
                                    0x3FFF0,    0x3FFFF,    0x40000,    0x40001, 0x7FFFFFFF, 0x80000000,
                                    0xFFFFFF00, 0xFFFFFFF0, 0xFFFFFFFF, 0x1C000};
  const uint32_t entries[] = {kFixedAreaEntryOffset, kHeaderAreaEntryOffset, kFirmwareAreaEntryOffset,
                              kSecondFirmwareAreaEntryOffset};
  const Bytes base = BuildImage(WithSecondFirmware());
  uint32_t state = 12345;
  const auto nextValue = [&state, &hostileValues] {
    state = state * 1103515245u + 12345u;
    return hostileValues[(state >> 16) % std::size(hostileValues)];
  };
  for (int round = 0; round < 2000; ++round) {
    Bytes image = base;
    for (const uint32_t entry : entries) {
      SetField(image, entry + kEntryAreaOffsetField, nextValue());
      SetField(image, entry + kEntryAreaLengthField, nextValue());
    }
    SealDirectoryChecksum(image);
    // Only whole-image areas can be valid; the point is that judging never reads past the end.
    (void)FirstBrokenSpiRomRule(image);
  }
  SUCCEED();
}

}  // namespace
}  // namespace tamsel
