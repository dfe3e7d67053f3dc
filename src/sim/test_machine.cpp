#include "sim/test_machine.h"

#include <stdlib.h>

#include <fstream>

#include "hw/hardware_operations.h"
#include "sim/machine_loader.h"

namespace tamsel::sim {

namespace fs = std::filesystem;

namespace {

fs::path MakeTemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "tamsel-sim-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

void WriteFile(const fs::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
  WriteFile(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

TestMachine::TestMachine(TestMachineSetup setup) : directory_(MakeTemporaryDirectory()) {
  if (setup.machineJson) WriteText(directory_ / kMachineFileName, *setup.machineJson);
  for (const ContentFile& file : setup.contentFiles) WriteFile(directory_ / file.name, file.bytes);
  if (setup.driverFiles) {
    WriteText(directory_ / "QorIo64.sys", "simulated driver\n");
    WriteText(directory_ / "QorIo.sys", "simulated driver\n");
  }
  std::unique_ptr<Machine> machine = LoadMachine(directory_.string(), error_, setup.makeChip);
  platform_ = std::make_unique<SimulatedPlatform>(std::move(machine), error_, directory_.string());
  BindHardwarePlatform(platform_.get());
  SetQorIODriverDirectory(directory_.string());
  if (setup.loadDriver) loaded_ = LoadQorIODriver();
}

TestMachine::~TestMachine() {
  if (platform_->machine() != nullptr) platform_->machine()->SetRequestLog(nullptr);
  UnloadQorIODriver();
  BindHardwarePlatform(nullptr);
  SetQorIODriverDirectory({});
  platform_.reset();
  std::error_code ec;
  if (!directory_.empty()) fs::remove_all(directory_, ec);
}

void TestMachine::StartRecording() {
  recorded_.clear();
  machine().SetRequestLog(&recorded_);
}

std::vector<RecordedRequest> TestMachine::StopRecording() {
  machine().SetRequestLog(nullptr);
  return std::move(recorded_);
}

}  // namespace tamsel::sim
