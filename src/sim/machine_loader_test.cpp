#include "sim/machine_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "hw/device_table.h"
#include "hw/hardware_operations.h"
#include "imagegen/image_builder.h"
#include "sim/test_machine.h"

namespace tamsel::sim {
namespace {

namespace fs = std::filesystem;

struct BadMachine {
  const char* name;
  std::string json;
  std::vector<ContentFile> files;
  std::string fault;  // expected part of the error line
};

class BadMachineJson : public ::testing::TestWithParam<BadMachine> {};

TEST_P(BadMachineJson, GivesOneLineNamingTheFileAndTheFaultAndTheLoadFails) {
  TestMachineSetup setup;
  setup.machineJson = GetParam().json;
  setup.contentFiles = GetParam().files;
  TestMachine machine(setup);
  EXPECT_FALSE(machine.loaded());
  EXPECT_FALSE(IsQorIODriverLoaded());
  const std::string& error = machine.error();
  EXPECT_TRUE(error.starts_with((machine.directory() / "machine.json").string() + ": ")) << error;
  EXPECT_NE(error.find(GetParam().fault), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

std::string WithController(const std::string& controller) {
  return R"({ "controllers": [ )" + controller + " ] }";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadMachineJson,
    ::testing::Values(
        BadMachine{"NotJson", "controllers: []", {}, "not valid JSON: line 1"},
        BadMachine{"Truncated", "{ \"controllers\": [\n", {}, "not valid JSON: line 2"},
        BadMachine{"MalformedLocation",
                   WithController(R"({ "location": "3-00.0" })"),
                   {},
                   "controllers[0].location \"3-00.0\" is not bus:device.function"},
        BadMachine{"DeviceOutOfRange", WithController(R"({ "location": "03:20.0" })"), {}, "out of range"},
        BadMachine{"FunctionOutOfRange", WithController(R"({ "location": "03:00.8" })"), {}, "out of range"},
        BadMachine{"BusOutOfRange", WithController(R"({ "location": "100:00.0" })"), {}, "is not bus:device"},
        BadMachine{"MalformedBytes",
                   WithController(R"({ "location": "03:00.0", "flash": { "jedec": "EF 3" } })"),
                   {},
                   "controllers[0].flash.jedec \"EF 3\" is not 3 hex bytes"},
        BadMachine{"MalformedVersion",
                   WithController(R"({ "location": "03:00.0", "fw_version": "25 06 13" })"),
                   {},
                   "controllers[0].fw_version"},
        BadMachine{"MalformedNumber",
                   WithController(R"({ "location": "03:00.0", "device_id": "5844h" })"),
                   {},
                   "controllers[0].device_id \"5844h\" is not a number"},
        BadMachine{"NumberTooLarge",
                   WithController(R"({ "location": "03:00.0", "device_id": "0x15844" })"),
                   {},
                   "out of range"},
        BadMachine{"UnknownKey",
                   WithController(R"({ "location": "03:00.0", "fault": {} })"),
                   {},
                   "controllers[0].fault is not a known key"},
        BadMachine{"TwoFunctionsAtOneLocation",
                   R"({ "controllers": [ { "location": "03:00.0" } ],
                        "devices": [ { "location": "03:00.0", "vendor_id": "0x8086" } ] })",
                   {},
                   "03:00.0 is given to two functions"},
        BadMachine{"ContentInAMissingDirectory",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "nowhere/dev0.bin" } })"),
                   {},
                   "controllers[0].flash.content: the directory"},
        BadMachine{
            "ContentLargerThanItsChip",
            WithController(R"({ "location": "03:00.0", "flash": { "size_kib": 4, "content": "big.bin" } })"),
            {{"big.bin", std::vector<uint8_t>(4097, 0xFF)}},
            "more than its chip's 4096"}),
    [](const ::testing::TestParamInfo<BadMachine>& badMachine) { return badMachine.param.name; });

TEST(DefaultMachine, IsWrittenWhenMachineJsonIsMissingAndReportsTheOlderImage) {
  TestMachine machine;
  ASSERT_TRUE(machine.loaded()) << machine.error();
  EXPECT_TRUE(fs::exists(machine.directory() / "machine.json"));
  ASSERT_EQ(machine.machine().ControllerCount(), 2u);
  for (std::size_t c = 0; c < 2; ++c) {
    EXPECT_EQ(machine.flash(c).size(), 512u * 1024u);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(machine.machine().ControllerFunction(c).ReadConfig(static_cast<uint8_t>(0xF0 + i)),
                (std::array<uint8_t, 6>{0x24, 0x12, 0x24, 0x00, 0x00, 0x02}[i]));
    }
    ASSERT_NE(machine.chip(c), nullptr);
  }
  EXPECT_NE(machine.machine().FunctionAt({0, 0x1F, 0}), nullptr);
  EXPECT_NE(machine.machine().FunctionAt({0, 0, 0}), nullptr);
  DeviceTable table;
  Scan584Dev(table);
  EXPECT_EQ(table.uc584Host, 2);
}

TEST(DefaultMachine, KeepsExistingContentFiles) {
  std::vector<uint8_t> blank(std::size_t{512} * 1024, 0xFF);
  TestMachineSetup setup;
  setup.contentFiles = {{"dev0.bin", blank}};
  TestMachine machine(setup);
  ASSERT_TRUE(machine.loaded()) << machine.error();
  EXPECT_EQ(machine.flash(0)[0x200], 0xFF);
  EXPECT_EQ(machine.machine().ControllerFunction(0).ReadConfig(0xF0), 0x00) << "no valid image, zeros";
  EXPECT_EQ(machine.machine().ControllerFunction(1).ReadConfig(0xF0), 0x24);
}

TEST(ContentFiles, AreCreatedErasedExtendedAndKeepEveryChange) {
  const std::string json = R"({ "controllers": [
      { "location": "03:00.0", "flash": { "size_kib": 8, "content": "a.bin" } },
      { "location": "04:00.0", "flash": { "size_kib": 8, "content": "b.bin" } } ] })";
  TestMachineSetup setup;
  setup.machineJson = json;
  setup.contentFiles = {{"b.bin", {0x12, 0x34}}};
  TestMachine machine(setup);
  ASSERT_TRUE(machine.loaded()) << machine.error();
  EXPECT_EQ(fs::file_size(machine.directory() / "a.bin"), 8192u);
  EXPECT_EQ(fs::file_size(machine.directory() / "b.bin"), 8192u);
  EXPECT_EQ(machine.flash(0)[0], 0xFF);
  EXPECT_EQ(machine.flash(1)[0], 0x12);
  EXPECT_EQ(machine.flash(1)[2], 0xFF);
  machine.flash(0)[100] = 0x5A;  // what a program would do through the chip
  std::ifstream in(machine.directory() / "a.bin", std::ios::binary);
  in.seekg(100);
  EXPECT_EQ(in.get(), 0x5A) << "changes reach the file without an unload";
}

TEST(FirmwareVersion, GivenInMachineJsonWinsOverTheFlash) {
  TestMachine machine(R"({ "controllers": [ { "location": "03:00.0", "fw_version": "25 06 13 00 BC 00 01 02",
                                              "flash": { "content": "x.bin" } } ] })");
  ASSERT_TRUE(machine.loaded()) << machine.error();
  EXPECT_EQ(PciReadConfigByte(3, 0, 0, 0xF4), 0xBC);
  EXPECT_EQ(PciReadConfigByte(3, 0, 0, 0xF7), 0x02);
}

TEST(FirmwareVersion, AbsentItIsReadFromTheFlashImage) {
  ImageOptions options;
  options.firmware.version = {0x25, 0x01, 0x02, 0x03, 0x04, 0x05};
  std::vector<uint8_t> content = BuildImage(options);
  content.resize(std::size_t{512} * 1024, 0xFF);
  TestMachineSetup setup;
  setup.machineJson = R"({ "controllers": [ { "location": "03:00.0", "flash": { "content": "x.bin" } } ] })";
  setup.contentFiles = {{"x.bin", content}};
  TestMachine machine(setup);
  ASSERT_TRUE(machine.loaded()) << machine.error();
  for (uint8_t i = 0; i < 8; ++i) {
    EXPECT_EQ(PciReadConfigByte(3, 0, 0, static_cast<uint8_t>(0xF0 + i)),
              (std::array<uint8_t, 8>{0x25, 0x01, 0x02, 0x03, 0x04, 0x05, 0, 0}[i]));
  }
}

TEST(MachineDirectory, IsCreatedWhenMissing) {
  const fs::path directory = fs::temp_directory_path() / ("tamsel-new-machine-" + std::to_string(::getpid()));
  fs::remove_all(directory);
  std::string error;
  const auto machine = LoadMachine((directory / "inner").string(), error);
  ASSERT_NE(machine, nullptr) << error;
  EXPECT_TRUE(fs::exists(directory / "inner" / "machine.json"));
  fs::remove_all(directory);
}

}  // namespace
}  // namespace tamsel::sim
