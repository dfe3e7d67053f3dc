// Speed of the machine file reader: an object of many keys (duplicate keys
// are looked for on every key, which must stay linear) and the default
// machine description.

#include <benchmark/benchmark.h>

#include <string>

#include "sim/json_value.h"
#include "sim/machine_description.h"

namespace {

std::string ObjectOfKeys(int64_t count) {
  std::string text = "{";
  for (int64_t i = 0; i < count; ++i) {
    text += (i == 0 ? "\"key" : ", \"key") + std::to_string(i) + "\": " + std::to_string(i % 10);
  }
  return text + "}";
}

void BM_ReadObjectOfManyKeys(benchmark::State& state) {
  const std::string text = ObjectOfKeys(state.range(0));
  for (auto _ : state) {
    tamsel::sim::JsonValue value;
    std::string fault;
    benchmark::DoNotOptimize(tamsel::sim::ParseJson(text, value, fault));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadObjectOfManyKeys)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(15000)
    ->Arg(60000)
    ->Unit(benchmark::kMillisecond);

void BM_ReadDefaultMachine(benchmark::State& state) {
  const std::string text = tamsel::sim::DefaultMachineJson();
  for (auto _ : state) {
    tamsel::sim::MachineDescription description;
    std::string fault;
    benchmark::DoNotOptimize(tamsel::sim::ParseMachineDescription(text, description, fault));
  }
}
BENCHMARK(BM_ReadDefaultMachine)->Unit(benchmark::kMicrosecond);

}  // namespace
