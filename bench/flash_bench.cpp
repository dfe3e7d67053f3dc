// Whole-flash updates through the update engine on the simulated machine:
// real time, modeled hardware (virtual) time, driver requests and register
// accesses per update.

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

#include "flash/flash_test_machine.h"
#include "flash/spi_flash_detect.h"
#include "flash/spi_flash_update.h"

namespace tamsel {
namespace {

std::vector<uint8_t> RandomImage(std::size_t length) {
  std::mt19937 random(42);
  std::vector<uint8_t> image(length);
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(random());
  return image;
}

void RunUpdate(benchmark::State& state, const char* flashJson, std::size_t imageBytes) {
  FlashTestMachine machine(flashJson);
  if (!machine.granted() || !SpiFlashDetectSpiFlashRom(machine.flash)) {
    state.SkipWithError("simulated machine did not come up");
    return;
  }
  const std::vector<uint8_t> image = RandomImage(imageBytes);
  sim::Machine& simulated = machine.sim().machine();
  const uint64_t requestsBefore = simulated.RequestCount();
  const uint64_t virtualBefore = simulated.Clock().NowNs();
  const auto& counts = simulated.AccessCounts(0);
  const uint64_t accessesBefore = counts.reads + counts.writes;
  const auto realBefore = std::chrono::steady_clock::now();
  bool ok = true;
  for (auto _ : state) {
    ok = QOR7740UpdateSpiFlashRom(machine.flash, image.data(), static_cast<uint32_t>(image.size())) && ok;
  }
  const double realNs =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - realBefore).count();
  if (!ok) state.SkipWithError("update failed");
  const double requests = static_cast<double>(simulated.RequestCount() - requestsBefore);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["virtual_s"] =
      static_cast<double>(simulated.Clock().NowNs() - virtualBefore) / 1e9 / iterations;
  state.counters["driver_requests"] = requests / iterations;
  state.counters["register_accesses"] =
      static_cast<double>(counts.reads + counts.writes - accessesBefore) / iterations;
  state.counters["real_ns_per_request"] = requests > 0 ? realNs / requests : 0;
}

void BM_UpdateW25X40CL_256KiB(benchmark::State& state) {
  RunUpdate(state, R"("jedec": "EF 30 13", "protected": true)", std::size_t{256} * 1024);
}
BENCHMARK(BM_UpdateW25X40CL_256KiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Update25VF040B_512KiB_ByteProgram(benchmark::State& state) {
  RunUpdate(state, R"("jedec": "BF 25 8D", "protected": true)", std::size_t{512} * 1024);
}
BENCHMARK(BM_Update25VF040B_512KiB_ByteProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace tamsel
