#pragma once
// A simulated machine for tests of every layer. It makes a fresh temporary
// directory, writes machine.json (or lets the default machine be written) and
// any content files, loads the machine, binds it as the process's hardware
// platform and loads the driver. On destruction it unloads the driver,
// unbinds the platform and removes the directory.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "sim/simulated_platform.h"
#include "sim/spi_nor_chip.h"

namespace tamsel::sim {

struct ContentFile {
  std::string name;  // relative to the machine directory
  std::vector<uint8_t> bytes;
};

struct TestMachineSetup {
  std::optional<std::string> machineJson;  // nullopt: the default machine is written
  std::vector<ContentFile> contentFiles;
  ChipFactory makeChip;     // empty: the SPI NOR model
  bool loadDriver = true;   // false: bound but not loaded
  bool driverFiles = true;  // false: no driver files, so the service cannot start
};

class TestMachine {
 public:
  explicit TestMachine(TestMachineSetup setup);
  explicit TestMachine(std::string machineJson) : TestMachine(SetupFor(std::move(machineJson))) {}
  // The default machine.
  TestMachine() : TestMachine(TestMachineSetup{}) {}
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  // True when the driver was loaded by the constructor.
  bool loaded() const { return loaded_; }
  // The machine's load error (one line naming the file), empty when it loaded.
  const std::string& error() const { return error_; }
  const std::filesystem::path& directory() const { return directory_; }

  // The loaded machine; only valid when error() is empty.
  Machine& machine() { return *platform_->machine(); }
  SimulatedPlatform& platform() { return *platform_; }
  VirtualClock& clock() { return machine().Clock(); }
  std::span<uint8_t> flash(std::size_t controller) { return machine().FlashBytes(controller); }
  // The controller's chip as the SPI NOR model (with its command log), or
  // nullptr when a stand-in sits on the bus.
  SpiNorChip* chip(std::size_t controller) {
    return dynamic_cast<SpiNorChip*>(&machine().FlashChip(controller));
  }
  uint64_t requestCount() { return machine().RequestCount(); }

  // Records every driver request from now on (codes, input records, output
  // sizes and replies); StopRecording returns them and stops.
  void StartRecording();
  std::vector<RecordedRequest> StopRecording();

 private:
  static TestMachineSetup SetupFor(std::string machineJson) {
    TestMachineSetup setup;
    setup.machineJson = std::move(machineJson);
    return setup;
  }

  std::filesystem::path directory_;
  std::unique_ptr<SimulatedPlatform> platform_;
  std::vector<RecordedRequest> recorded_;
  std::string error_;
  bool loaded_ = false;
};

}  // namespace tamsel::sim
