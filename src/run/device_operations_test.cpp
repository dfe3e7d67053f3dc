#include "run/device_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "image/image_layout.h"
#include "imagegen/image_builder.h"
#include "run/recording_run_dialog.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

using sim::TestMachine;

// A scanned machine with one controller made from the given description.
struct OneDevice {
  explicit OneDevice(const ControllerJson& controller) : machine(MachineJson({controller})) {
    EXPECT_EQ(machine.error(), "");
    Scan584Dev(devices);
  }
  DeviceSlot& slot() { return devices.slots[0]; }
  std::vector<uint8_t> Flash() { return {machine.flash(0).begin(), machine.flash(0).end()}; }
  bool GrantRequested() {
    return (machine.machine().Window(0).Read(kSpiGrantRegister) & kSpiGrantRequest) != 0;
  }

  TestMachine machine;
  DeviceTable devices;
};

std::vector<uint8_t> ImageWithSeed(uint32_t seed) {
  ImageOptions options;
  options.fillSeed = seed;
  return BuildImage(options);
}

ControllerJson WithJedec(std::string jedec) {
  ControllerJson controller;
  controller.jedec = std::move(jedec);
  return controller;
}

ControllerJson WithFaults(std::string faults) {
  ControllerJson controller;
  controller.faults = std::move(faults);
  return controller;
}

IniSettings UpdateSettings(uint8_t keepFileCct, uint8_t keepFileFrt) {
  IniSettings ini;
  ini.update_qor_584_spi_flash_rom = 1;
  ini.dont_update_customer_configuration_table = keepFileCct;
  ini.dont_update_firmware_record_table = keepFileFrt;
  return ini;
}

std::vector<uint8_t> Range(const std::vector<uint8_t>& bytes, uint32_t offset, uint32_t size) {
  return {bytes.begin() + offset, bytes.begin() + offset + size};
}

TEST(DeviceOperations, UpdateKeepsTheChipsTablesByDefault) {
  OneDevice device({});
  ASSERT_EQ(device.devices.uc584Host, 1);
  const std::vector<uint8_t> before = device.Flash();
  std::vector<uint8_t> image = ImageWithSeed(7);
  const std::vector<uint8_t> file = image;

  EXPECT_EQ(iUpdate(image, device.slot(), UpdateSettings(0, 0), nullptr), op_status::kUpdatePass);

  const std::vector<uint8_t> after = device.Flash();
  EXPECT_EQ(Range(after, 0x300, 0x100), Range(before, 0x300, 0x100));
  EXPECT_EQ(Range(after, 0x1000, 0x1000), Range(before, 0x1000, 0x1000));
  EXPECT_EQ(Range(after, 0, 0x300), Range(file, 0, 0x300));
  EXPECT_EQ(Range(after, 0x2000, kDefaultImageSize - 0x2000),
            Range(file, 0x2000, kDefaultImageSize - 0x2000));
  EXPECT_EQ(device.machine.machine().OpenMappings(), 0u);
  EXPECT_FALSE(device.GrantRequested());
}

TEST(DeviceOperations, UpdateWithBothKeysWritesTheFileAsItIs) {
  OneDevice device({});
  std::vector<uint8_t> image = ImageWithSeed(7);
  const std::vector<uint8_t> file = image;
  EXPECT_EQ(iUpdate(image, device.slot(), UpdateSettings(1, 1), nullptr), op_status::kUpdatePass);
  EXPECT_EQ(Range(device.Flash(), 0, kDefaultImageSize), file);
  EXPECT_EQ(image, file);
}

TEST(DeviceOperations, EveryFailedStepEndsWithItsCodeAndGivesEverythingBack) {
  struct Case {
    const char* name;
    ControllerJson controller;
    OpStatus expected;
  };
  const Case cases[] = {
      {"grant never comes", WithFaults("\"grant\": \"never\""), op_status::kGrantFail},
      {"no chip answers", WithJedec("FF FF FF"), op_status::kDetectFlashFail},
      {"programming fails", WithFaults("\"program_fails\": true"), op_status::kUpdateFail},
      {"chip smaller than the image", WithJedec("EF 30 11"), op_status::kCapacityTooSmall},
  };
  for (const Case& c : cases) {
    OneDevice device(c.controller);
    std::vector<uint8_t> image = BuildImage();
    EXPECT_EQ(iUpdate(image, device.slot(), UpdateSettings(0, 0), nullptr), c.expected) << c.name;
    EXPECT_EQ(device.machine.machine().OpenMappings(), 0u) << c.name;
    EXPECT_FALSE(device.GrantRequested()) << c.name;
  }
}

TEST(DeviceOperations, ControllerThatCannotBeOpenedTouchesNothing) {
  OneDevice device({});
  DeviceSlot nowhere;
  nowhere.bus = 0x20;
  std::vector<uint8_t> image = BuildImage();
  RecordingRunDialog dialog;
  EXPECT_EQ(iUpdate(image, nowhere, UpdateSettings(0, 0), nullptr), op_status::kInitControllerFail);
  EXPECT_EQ(iEraseFunc(nowhere, 0, dialog), op_status::kInitControllerFail);
  EXPECT_FALSE(device.GrantRequested());
  EXPECT_TRUE(dialog.cells.empty());
}

TEST(DeviceOperations, SmallChipRefusesTheImageAlsoForTheRegisterTable) {
  OneDevice device(WithJedec("EF 30 11"));
  const std::vector<uint8_t> before = device.Flash();
  std::vector<uint8_t> image = BuildImage();
  IniSettings ini;
  ini.update_qor_584_spi_flash_rom_register_table_only = 1;
  EXPECT_EQ(iUpdate(image, device.slot(), ini, nullptr), op_status::kCapacityTooSmall);
  EXPECT_EQ(device.Flash(), before);
}

// A chip holding an older image, and beyond it bytes no erase would leave.
std::vector<uint8_t> OldChipContent() {
  ImageOptions options;
  options.firmware.version = {0x24, 0x12, 0x24, 0x00, 0x00, 0x02};
  options.fillSeed = 3;
  std::vector<uint8_t> content = BuildImage(options);
  content.resize(std::size_t{512} * 1024);
  for (std::size_t i = kDefaultImageSize; i < content.size(); ++i) {
    content[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  return content;
}

ControllerJson HoldingOldContent(std::string jedec) {
  ControllerJson controller = WithJedec(std::move(jedec));
  controller.content = "old.bin";
  return controller;
}

struct OldChip {
  explicit OldChip(const ControllerJson& controller)
      : machine([&] {
          sim::TestMachineSetup setup;
          setup.machineJson = MachineJson({controller});
          setup.contentFiles = {{"old.bin", OldChipContent()}};
          return setup;
        }()) {
    EXPECT_EQ(machine.error(), "");
    Scan584Dev(devices);
  }
  std::vector<uint8_t> Flash() { return {machine.flash(0).begin(), machine.flash(0).end()}; }

  TestMachine machine;
  DeviceTable devices;
};

IniSettings RegisterTableOnly() {
  IniSettings ini;
  ini.update_qor_584_spi_flash_rom_register_table_only = 1;
  return ini;
}

TEST(DeviceOperations, RegisterTableOnlyKeepsEveryOtherByteOfTheChip) {
  const struct {
    const char* name;
    const char* jedec;
    bool console;
  } cases[] = {
      {"chip from the table", "EF 30 13", false},
      {"chip from the table, console engine", "EF 30 13", true},
      {"chip outside the table", "C2 99 99", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OldChip chip(HoldingOldContent(c.jedec));
    const std::vector<uint8_t> before = chip.Flash();
    std::vector<uint8_t> image = ImageWithSeed(9);
    std::ostringstream progressText;
    const ProgressReporter progress(progressText);
    EXPECT_EQ(iUpdate(image, chip.devices.slots[0], RegisterTableOnly(), c.console ? &progress : nullptr),
              op_status::kUpdatePass);
    std::vector<uint8_t> expected = before;
    std::copy_n(image.begin(), 0x100, expected.begin());
    EXPECT_TRUE(chip.Flash() == expected) << "the old image with the new first 256 bytes";
    EXPECT_EQ(chip.machine.machine().OpenMappings(), 0u);
  }
}

// The controller holds its SPI bus busy for 1.5 s once it has served N register
// accesses (its own firmware using the flash), so the read under way when that
// happens fails, and the bus works again afterwards. A read of what must be
// kept fails the device before anything is erased: the chip keeps every byte.
TEST(DeviceOperations, AReadOfWhatMustBeKeptThatFailsErasesNothing) {
  const struct {
    const char* name;
    const char* stallAfter;  // register accesses: detection takes about 50, the
                             // customer table about 300, the record table 4500
    IniSettings ini;
    OpStatus expected;
  } cases[] = {
      {"customer configuration table", "150", UpdateSettings(0, 0), op_status::kReadCustomerTableFail},
      {"firmware record table", "2000", UpdateSettings(0, 0), op_status::kReadRecordTableFail},
      {"chip content around the register table", "20000", RegisterTableOnly(), op_status::kUpdateFail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ControllerJson controller = HoldingOldContent("EF 30 13");
    controller.faults = std::string("\"stall\": { \"after\": ") + c.stallAfter + ", \"ms\": 1500 }";
    OldChip chip(controller);
    const std::vector<uint8_t> before = chip.Flash();
    std::vector<uint8_t> image = ImageWithSeed(9);
    EXPECT_EQ(iUpdate(image, chip.devices.slots[0], c.ini, nullptr), c.expected);
    EXPECT_TRUE(chip.Flash() == before);
    ASSERT_NE(chip.machine.chip(0), nullptr);
    for (const int opcode : {0x06, 0xC7, 0x60, 0x20, 0x02}) {
      EXPECT_EQ(chip.machine.chip(0)->CommandCount(static_cast<uint8_t>(opcode)), 0u) << opcode;
    }
    EXPECT_EQ(chip.machine.machine().OpenMappings(), 0u);
  }
}

TEST(DeviceOperations, ShortImagesAreNeverReadOrWrittenBeyondTheirEnd) {
  for (const std::size_t length :
       {std::size_t{0}, std::size_t{0x80}, std::size_t{0x380}, std::size_t{0x1800}}) {
    OneDevice device({});
    const std::vector<uint8_t> before = device.Flash();
    std::vector<uint8_t> image(length, 0x5A);
    IniSettings ini;
    ini.update_qor_584_spi_flash_rom_register_table_only = 1;
    EXPECT_EQ(iUpdate(image, device.slot(), ini, nullptr), op_status::kUpdatePass) << length;
    const std::size_t written = std::min<std::size_t>(length, 0x100);
    const std::vector<uint8_t> after = device.Flash();
    EXPECT_TRUE(std::all_of(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(written),
                            [](uint8_t b) { return b == 0x5A; }))
        << length;
    EXPECT_TRUE(std::equal(after.begin() + static_cast<std::ptrdiff_t>(written), after.end(),
                           before.begin() + static_cast<std::ptrdiff_t>(written)))
        << length;
    if (length > 0x300) {
      const std::size_t copied = std::min<std::size_t>(length - 0x300, 0x100);
      EXPECT_TRUE(std::equal(image.begin() + 0x300,
                             image.begin() + 0x300 + static_cast<std::ptrdiff_t>(copied),
                             before.begin() + 0x300))
          << length;
    }
  }
}

TEST(DeviceOperations, EraseLeavesTheChipBlank) {
  OneDevice device({});
  RecordingRunDialog dialog;
  EXPECT_EQ(iEraseFunc(device.slot(), 0, dialog), op_status::kErasePass);
  const std::vector<uint8_t> after = device.Flash();
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(dialog.Cell(0, kStatusColumn), (RecordedCell{"Find a SPI ROM", CellKind::kWhite}));
  EXPECT_EQ(device.machine.machine().OpenMappings(), 0u);
}

TEST(DeviceOperations, EraseThatLeavesAStuckByteFailsAfterThreeAttempts) {
  OneDevice device(WithFaults("\"stuck\": [\"0x100\"]"));
  RecordingRunDialog dialog;
  EXPECT_EQ(iEraseFunc(device.slot(), 0, dialog), op_status::kEraseFail);
  ASSERT_NE(device.machine.chip(0), nullptr);
  EXPECT_EQ(device.machine.chip(0)->CommandCount(0xC7) + device.machine.chip(0)->CommandCount(0x60), 3u);
  EXPECT_FALSE(device.GrantRequested());
}

TEST(DeviceOperations, UnknownChipIsErasedSectorBySector) {
  OneDevice device(WithJedec("C2 99 99"));
  RecordingRunDialog dialog;
  EXPECT_EQ(iEraseFunc(device.slot(), 2, dialog), op_status::kErasePass);
  EXPECT_EQ(dialog.Cell(2, kStatusColumn).text, "Find a SPI rom not in supported list.");
  ASSERT_NE(device.machine.chip(0), nullptr);
  EXPECT_EQ(device.machine.chip(0)->CommandCount(0x20), 128u);
}

}  // namespace
}  // namespace tamsel
