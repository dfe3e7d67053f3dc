#include "sim/machine_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files/scratch_directory.h"
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
  std::ifstream in(machine.directory() / "machine.json", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), GetParam().json)
      << "the machine file is kept";
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
        BadMachine{"ContentInASubdirectory",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "nowhere/dev0.bin" } })"),
                   {},
                   "controllers[0].flash.content \"nowhere/dev0.bin\" is not a plain file name"},
        BadMachine{"ContentAbsolute",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "/etc/passwd" } })"),
                   {},
                   "\"/etc/passwd\" is not a plain file name in the machine directory"},
        BadMachine{"ContentOutside",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "../dev0.bin" } })"),
                   {},
                   "\"../dev0.bin\" is not a plain file name"},
        BadMachine{"ContentParent",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": ".." } })"),
                   {},
                   "\"..\" is not a plain file name"},
        BadMachine{"ContentBackslash",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "..\\dev0.bin" } })"),
                   {},
                   "is not a plain file name"},
        BadMachine{"ContentWithALineEnd",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "dev\n0.bin" } })"),
                   {},
                   "controllers[0].flash.content holds a control character"},
        BadMachine{"ContentIsTheMachineFile",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "machine.json" } })"),
                   {},
                   "controllers[0].flash.content must not name the machine file itself"},
        BadMachine{"ContentIsTheMachineFileInCapitals",
                   WithController(R"({ "location": "03:00.0", "flash": { "content": "MACHINE.JSON" } })"),
                   {},
                   "must not name the machine file itself"},
        BadMachine{"AllLatenciesZero",
                   R"({ "latency": { "port_ns": 0, "memory_read_ns": 0, "memory_write_ns": 0,
                                     "map_ns": 0, "spi_byte_ns": 0 } })",
                   {},
                   "latency.port_ns is 0, below 100: every wait polls registers"},
        BadMachine{"MemoryReadsTakeNoTime",
                   R"({ "latency": { "memory_read_ns": 0 } })",
                   {},
                   "latency.memory_read_ns is 0, below 100"},
        BadMachine{"PortAccessesAlmostNoTime",
                   R"({ "latency": { "port_ns": "0x1" } })",
                   {},
                   "latency.port_ns is 1, below 100"},
        BadMachine{"StallWithoutItsLength",
                   WithController(R"({ "location": "03:00.0", "faults": { "stall": { "after": 5 } } })"),
                   {},
                   "controllers[0].faults.stall needs both \"after\" and \"ms\""},
        BadMachine{
            "StallOfNoTime",
            WithController(R"({ "location": "03:00.0", "faults": { "stall": { "after": 5, "ms": 0 } } })"),
            {},
            "controllers[0].faults.stall.ms must not be 0"},
        BadMachine{"KeyWithALineEnd",
                   WithController(R"({ "location": "03:00.0", "a\nb": 1 })"),
                   {},
                   "controllers[0].a\\x0Ab is not a known key"},
        BadMachine{
            "ContentLargerThanItsChip",
            WithController(R"({ "location": "03:00.0", "flash": { "size_kib": 4, "content": "big.bin" } })"),
            {{"big.bin", std::vector<uint8_t>(4097, 0xFF)}},
            "more than its chip's 4096"}),
    [](const ::testing::TestParamInfo<BadMachine>& badMachine) { return badMachine.param.name; });

TEST(MachineLatency, WritesPostedAndFreeMapsAndAnInstantWireAreAllowed) {
  TestMachine machine(R"({ "controllers": [ { "location": "03:00.0" } ],
                           "latency": { "port_ns": 100, "memory_read_ns": 100, "memory_write_ns": 0,
                                        "map_ns": 0, "spi_byte_ns": 0 } })");
  EXPECT_TRUE(machine.loaded()) << machine.error();
}

// Content entries that are not regular files: the load fails with one line,
// at once, and whatever the name points at is left as it was.
class ContentFileKind : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(directory_.Path("machine"));
    std::ofstream(machine() / "machine.json")
        << R"({ "controllers": [ { "location": "03:00.0", "flash": { "size_kib": 4, "content": "dev0.bin" } } ] })";
    directory_.Write("target.txt", "not a flash chip\n");
  }

  std::string Load() {
    std::string error;
    EXPECT_EQ(LoadMachine(machine().string(), error), nullptr);
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_TRUE(error.starts_with((machine() / "machine.json").string() + ": controllers[0].flash.content: "))
        << error;
    return error;
  }
  fs::path machine() const { return directory_.Path("machine"); }
  fs::path content() const { return machine() / "dev0.bin"; }
  fs::path target() const { return directory_.Path("target.txt"); }

  ScratchDirectory directory_;
};

TEST_F(ContentFileKind, ASymbolicLinkIsRefusedAndItsTargetLeftAlone) {
  fs::create_symlink(target(), content());
  EXPECT_NE(Load().find("is a symbolic link"), std::string::npos);
  EXPECT_EQ(fs::file_size(target()), 17u) << "not extended to the chip's size";
}

TEST_F(ContentFileKind, ADanglingSymbolicLinkIsRefusedAndCreatesNothing) {
  fs::create_symlink(directory_.Path("elsewhere.bin"), content());
  EXPECT_NE(Load().find("is a symbolic link"), std::string::npos);
  EXPECT_FALSE(fs::exists(directory_.Path("elsewhere.bin")));
}

TEST_F(ContentFileKind, AFifoIsRefusedWithoutBlocking) {
  ASSERT_EQ(mkfifo(content().c_str(), 0600), 0);
  EXPECT_NE(Load().find("is not a regular file"), std::string::npos);
}

TEST_F(ContentFileKind, ADirectoryIsRefused) {
  fs::create_directory(content());
  EXPECT_NE(Load().find("cannot open"), std::string::npos);
}

TEST(DefaultMachine, KeepsAContentLinkItFindsAndRefusesToLoadIt) {
  ScratchDirectory directory;
  fs::create_directories(directory.Path("machine"));
  directory.Write("target.txt", "precious\n");
  fs::create_symlink(directory.Path("target.txt"), directory.Path("machine/dev0.bin"));
  std::string error;
  EXPECT_EQ(LoadMachine(directory.Path("machine"), error), nullptr);
  EXPECT_NE(error.find("is a symbolic link"), std::string::npos) << error;
  EXPECT_EQ(directory.Read("target.txt"), "precious\n");
}

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
