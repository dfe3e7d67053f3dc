// Throughput of CRC-32 and of the image validity test over the 256 KiB default image.

#include <benchmark/benchmark.h>

#include <vector>

#include "image/crc32.h"
#include "image/image_verify.h"
#include "imagegen/image_builder.h"

namespace {

void BM_Crc32DefaultImage(benchmark::State& state) {
  const std::vector<uint8_t> image = tamsel::BuildImage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(tamsel::Crc32(image.data(), image.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_Crc32DefaultImage);

// The trace level stays 0, so the measured time is the rules themselves.
void BM_VerifyDefaultImage(benchmark::State& state) {
  const std::vector<uint8_t> image = tamsel::BuildImage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tamsel::QOR7740VerifySpiRomFile(image.data(), static_cast<uint32_t>(image.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_VerifyDefaultImage);

void BM_BuildDefaultImage(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(tamsel::BuildImage());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * tamsel::kDefaultImageSize);
}
BENCHMARK(BM_BuildDefaultImage);

}  // namespace
