// Speed of the hardware side: a full bus scan on the simulated and on the real
// machine, and the real time one driver request costs on the simulator.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "hw/device_table.h"
#include "hw/hardware_operations.h"
#include "platform/linux_pci_driver.h"
#include "platform/qorio_requests.h"
#include "sim/test_machine.h"

namespace {

using namespace tamsel;

void BM_ScanSimulatedMachine(benchmark::State& state) {
  sim::TestMachine machine;
  if (!machine.loaded()) state.SkipWithError(machine.error().c_str());
  DeviceTable table;
  for (auto _ : state) {
    Scan584Dev(table);
    benchmark::DoNotOptimize(table.uc584Host);
  }
  state.counters["devices"] = table.uc584Host;
}
BENCHMARK(BM_ScanSimulatedMachine)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();

void BM_ScanRealBus(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path directory = fs::temp_directory_path() / ("tamsel-bench-" + std::to_string(::getpid()));
  fs::create_directories(directory);
  std::ofstream(directory / "QorIo64.sys") << "driver";
  std::ofstream(directory / "QorIo.sys") << "driver";
  const auto platform = MakeLinuxHardwarePlatform();
  BindHardwarePlatform(platform.get());
  SetQorIODriverDirectory(directory.string());
  if (!LoadQorIODriver()) {
    state.SkipWithError(("the driver did not load: " + platform->Services().LastError()).c_str());
  } else {
    DeviceTable table;
    for (auto _ : state) {
      Scan584Dev(table);
      benchmark::DoNotOptimize(table.uc584Host);
    }
  }
  UnloadQorIODriver();
  BindHardwarePlatform(nullptr);
  SetQorIODriverDirectory({});
  fs::remove_all(directory);
}
BENCHMARK(BM_ScanRealBus)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();

// One configuration-data read answered by the simulated machine's device end.
void BM_SimulatedRequest(benchmark::State& state) {
  sim::TestMachine machine;
  if (!machine.loaded()) state.SkipWithError(machine.error().c_str());
  const auto address = qorio::Encode(qorio::PortRecord{0xCF8, 4, qorio::ConfigAddress(3, 0, 0, 0)});
  std::array<uint8_t, 4> output{};
  machine.machine().DeviceIoControl(qorio::kIoctlSetPort, address, {});
  const auto input = qorio::Encode(qorio::PortRecord{0xCFE, 1, 0});
  for (auto _ : state) {
    benchmark::DoNotOptimize(machine.machine().DeviceIoControl(qorio::kIoctlGetPort, input, output));
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SimulatedRequest)->Repetitions(5)->DisplayAggregatesOnly();

// The client's configuration read: two requests through the bound driver.
void BM_SimulatedConfigRead(benchmark::State& state) {
  sim::TestMachine machine;
  if (!machine.loaded()) state.SkipWithError(machine.error().c_str());
  uint8_t offset = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PciReadConfigByte(3, 0, 0, offset++));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2);  // requests
}
BENCHMARK(BM_SimulatedConfigRead)->Repetitions(5)->DisplayAggregatesOnly();

}  // namespace
