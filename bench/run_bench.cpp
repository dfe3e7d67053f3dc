// The whole automatic production run (scan, identification, file check,
// update of every controller, records, verdict) over 16 simulated controllers
// with W25X40CL chips and the 256 KiB default image: real time and modeled
// hardware (virtual) time per run.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "files/history_log.h"
#include "files/scratch_directory.h"
#include "hw/hardware_operations.h"
#include "imagegen/image_builder.h"
#include "run/device_inventory.h"
#include "run/op_status.h"
#include "run/recording_run_dialog.h"
#include "run/run_controller.h"
#include "run/test_machine_json.h"
#include "sim/test_machine.h"

namespace tamsel {
namespace {

constexpr std::size_t kControllers = 16;

void WriteImage(const std::string& path) {
  const std::vector<uint8_t> image = BuildImage();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
}

ProductionState AutomaticRunState(const std::string& directory) {
  ProductionState state;
  state.m_szStartDir = directory;
  state.options.m_bAutoMode = true;
  state.m_pINI.update_qor_584_spi_flash_rom = 1;
  SetFixedText(state.m_pINI.load_fw, "*.ROM");
  SetFixedText(state.m_pINI.iniPath, directory + "/584upd.ini");
  state.m_pINI.DEV.fill(1);
  return state;
}

void BM_AutomaticRun16Controllers(benchmark::State& state) {
  sim::TestMachine machine(MachineJson(ControllersAtBuses(kControllers)));
  ScratchDirectory work;
  WriteImage(work.Path("1300BC00.ROM"));
  History().SetDirectory(work.dir());
  History().SetEcho(nullptr);
  uint64_t modeledNs = 0;
  double realSeconds = 0;
  unsigned passed = 0;
  for (auto _ : state) {
    if (!IsQorIODriverLoaded() && !LoadQorIODriver()) {
      state.SkipWithError("the simulated driver did not load");
      break;
    }
    const uint64_t virtualBefore = machine.clock().NowNs();
    const auto realBefore = std::chrono::steady_clock::now();
    ProductionState run = AutomaticRunState(work.dir());
    RecordingRunDialog dialog;
    InitDevProcess(run.devices);
    OnBnClickedButtonStart(run, dialog);
    realSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - realBefore).count();
    modeledNs += machine.clock().NowNs() - virtualBefore;
    for (std::size_t i = 0; i < kControllers; ++i) {
      passed += run.devices.slots[i].status == op_status::kUpdatePass ? 1u : 0u;
    }
  }
  History().SetEcho(stdout);
  History().SetDirectory("");
  const auto runs = static_cast<double>(state.iterations());
  state.counters["real_s_per_run"] = realSeconds / runs;
  state.counters["modeled_s_per_run"] = static_cast<double>(modeledNs) / 1e9 / runs;
  state.counters["passed_per_run"] = passed / runs;
}
BENCHMARK(BM_AutomaticRun16Controllers)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace tamsel
