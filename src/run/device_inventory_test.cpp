#include "run/device_inventory.h"

#include <gtest/gtest.h>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "flash/spi_grant.h"
#include "hw/hardware_operations.h"
#include "hw/spi_controller.h"
#include "image/image_layout.h"
#include "imagegen/image_builder.h"
#include "run/recording_run_dialog.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

// Runs the inventory over one controller whose flash holds the given bytes.
class Inventory {
 public:
  Inventory(ControllerJson controller, std::vector<uint8_t> content)
      : machine_(Setup(std::move(controller), std::move(content))) {
    EXPECT_EQ(machine_.error(), "");
    History().SetDirectory(work_.dir());
    History().SetEcho(nullptr);
    InitDevProcess(devices);
  }
  ~Inventory() {
    History().SetEcho(stdout);
    History().SetDirectory("");
  }
  const DeviceSlot& slot() const { return devices.slots[0]; }
  bool WindowClosed() { return machine_.machine().OpenMappings() == 0; }
  std::string HistoryText() const { return work_.Read("history.log"); }

  DeviceTable devices;

 private:
  static sim::TestMachineSetup Setup(ControllerJson controller, std::vector<uint8_t> content) {
    sim::TestMachineSetup setup;
    setup.machineJson = MachineJson({std::move(controller)});
    setup.contentFiles.push_back({"dev0.bin", std::move(content)});
    return setup;
  }

  ScratchDirectory work_;
  sim::TestMachine machine_;
};

std::vector<uint8_t> ChipContent(const ImageOptions& options) {
  std::vector<uint8_t> content = BuildImage(options);
  content.resize(std::size_t{512} * 1024, 0xFF);
  return content;
}

TEST(DeviceInventory, DefaultImageOnAW25X40CL) {
  Inventory inventory({}, ChipContent({}));
  ASSERT_EQ(inventory.devices.uc584Host, 1);
  const DeviceSlot& slot = inventory.slot();
  EXPECT_STREQ(slot.chipNameText.data(), "W25X40CL");
  EXPECT_STREQ(slot.capacityText.data(), " 512 kb");
  EXPECT_STREQ(slot.opromVersionText.data(), "None");
  EXPECT_STREQ(slot.flashFwVersionText.data(), "250613_00_BC_00");
  EXPECT_TRUE(inventory.WindowClosed());
  EXPECT_NE(inventory.HistoryText().find("Scan584Dev()+ReadSPIROM: "), std::string::npos);
}

TEST(DeviceInventory, VersionTextsFollowTheImageDirectory) {
  struct Case {
    const char* name;
    ImageOptions options;
    const char* oprom;
    const char* firmware;
  };
  ImageOptions withRom;
  withRom.optionRom = OptionRomOptions{};
  ImageOptions unreachableRom;
  unreachableRom.optionRom = OptionRomOptions{};
  unreachableRom.optionRom->pciDataOffset = 0x2E;
  ImageOptions secondArea;
  secondArea.secondFirmware = FirmwareAreaOptions{0x28000, 0x8000, {0x26, 0x01, 0x02, 0x00, 0xBC, 0x01}};
  const Case cases[] = {
      {"option ROM 1.6a", withRom, "1.6a", "250613_00_BC_00"},
      {"PCI data pointer 0x2E", unreachableRom, "Invalid", "250613_00_BC_00"},
      {"second firmware area higher up", secondArea, "None", "260102_00_BC_01"},
  };
  for (const Case& c : cases) {
    Inventory inventory({}, ChipContent(c.options));
    EXPECT_STREQ(inventory.slot().opromVersionText.data(), c.oprom) << c.name;
    EXPECT_STREQ(inventory.slot().flashFwVersionText.data(), c.firmware) << c.name;
  }
}

TEST(DeviceInventory, ErasedChipHasNoVersions) {
  Inventory inventory({}, std::vector<uint8_t>(std::size_t{512} * 1024, 0xFF));
  EXPECT_STREQ(inventory.slot().opromVersionText.data(), "None");
  EXPECT_STREQ(inventory.slot().flashFwVersionText.data(), "None");
  EXPECT_STREQ(inventory.slot().chipNameText.data(), "W25X40CL");
}

TEST(DeviceInventory, UnopenableOrUnknownChips) {
  struct Case {
    const char* name;
    std::string jedec;
    std::string faults;
    const char* chip;
    const char* capacity;
  };
  const Case cases[] = {
      {"grant never comes", "EF 30 13", "\"grant\": \"never\"", "None", "None"},
      {"no chip answers", "FF FF FF", "", "None", "None"},
      {"chip not in the table", "C2 99 99", "", "Unknown not supported", ""},
  };
  for (const Case& c : cases) {
    ControllerJson controller;
    controller.jedec = c.jedec;
    controller.faults = c.faults;
    Inventory inventory(controller, std::vector<uint8_t>(std::size_t{512} * 1024, 0xFF));
    EXPECT_STREQ(inventory.slot().chipNameText.data(), c.chip) << c.name;
    EXPECT_STREQ(inventory.slot().capacityText.data(), c.capacity) << c.name;
    EXPECT_TRUE(inventory.WindowClosed()) << c.name;
  }
}

// The grant is released before the window closes even when it never came.
// The controller window counts the register writes: opening the window
// writes its own, the grant routine three requests each withdrawn, and then
// the release follows.
TEST(DeviceInventory, AGrantThatNeverComesIsStillReleased) {
  ControllerJson controller;
  controller.faults = "\"grant\": \"never\"";
  sim::TestMachine machine(MachineJson({controller}));
  DeviceTable devices;
  Scan584Dev(devices);
  ASSERT_EQ(devices.uc584Host, 1);
  DeviceSlot& slot = devices.slots[0];
  const auto writes = [&machine] { return machine.machine().AccessCounts(0).writes; };

  const uint64_t beforeOpening = writes();
  SpiController probe;
  ASSERT_TRUE(SpiControllerInit(slot.bus, slot.device, slot.function, probe));
  UnmapMem(probe.window);
  const uint64_t openingWrites = writes() - beforeOpening;

  const uint64_t before = writes();
  ReadSPIROM(slot);
  EXPECT_EQ(writes() - before, openingWrites + uint64_t{2} * kGrantAttempts + 1);
  EXPECT_EQ(machine.machine().Window(0).Read(kSpiGrantRegister) & kSpiGrantRequest, 0);
  EXPECT_EQ(machine.machine().OpenMappings(), 0u);
  EXPECT_STREQ(slot.chipNameText.data(), "None");
}

TEST(DeviceInventory, RowsShowLocationRunningVersionChipAndCapacity) {
  DeviceTable devices;
  devices.uc584Host = 1;
  DeviceSlot& slot = devices.slots[0];
  slot.bus = 0x1A;
  slot.fwVersionRegs = {0x25, 0x06, 0x13, 0x00, 0xBC, 0x00, 0x00, 0x00};
  SetSlotText(slot.chipNameText, "W25X40CL");
  SetSlotText(slot.capacityText, " 512 kb");
  RecordingRunDialog dialog;
  vFillDeviceRows(devices, dialog);
  const std::vector<std::string> expected = {"26", "00", "00", "250613-00BC-00", "W25X40CL", " 512 kb"};
  for (int column = 1; column <= 6; ++column) {
    EXPECT_EQ(dialog.Cell(0, column),
              (RecordedCell{expected[static_cast<std::size_t>(column - 1)], CellKind::kWhite}));
  }
  EXPECT_EQ(dialog.cells.count({0, kStatusColumn}), 0u);
}

TEST(DeviceInventory, NoControllerGivesOnePlaceholderRow) {
  DeviceTable devices;
  RecordingRunDialog dialog;
  vFillDeviceRows(devices, dialog);
  EXPECT_EQ(dialog.rows, 1);
  for (int column = 1; column <= 7; ++column) {
    EXPECT_EQ(dialog.Cell(0, column).text, column <= 3 ? "na" : "None");
  }
}

}  // namespace
}  // namespace tamsel
