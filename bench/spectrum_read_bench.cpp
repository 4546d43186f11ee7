// Reading a full 16384-channel spectrum file of each type from disk.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "spectrum/spectrum_readers.h"

namespace {

constexpr int kChannels = 16384;

// Writes the files once, in a private temporary folder removed at exit.
class SpectrumFiles {
 public:
  SpectrumFiles() {
    std::mt19937 generator(1234);
    std::uniform_int_distribution<int> count(0, 65535);
    folder_ = std::filesystem::temp_directory_path() /
              ("pektra-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder_);

    std::string binary16, binary32, free_field, xy;
    for (int i = 1; i <= kChannels; ++i) {
      const auto value = static_cast<std::uint32_t>(count(generator));
      for (int b = 0; b < 2; ++b) binary16 += static_cast<char>((value >> (8 * b)) & 0xFF);
      for (int b = 0; b < 4; ++b) binary32 += static_cast<char>((value >> (8 * b)) & 0xFF);
      free_field += std::to_string(value) + (i % 8 == 0 ? "\n" : " ");
      xy += std::to_string(0.5 * i) + " " + std::to_string(value) + " " +
            std::to_string(value / 100.0) + "\n";
    }
    Write("type1.spe", binary16);
    Write("type2.spe", binary32);
    Write("type3.txt", "* counts\n" + free_field);
    Write("type4.txt", "* X Y E\n" + xy);

    // Type 5: the same counts as ORTEC CHN (header, counts, trailer) and as ASCII SPE.
    std::string chn(32, '\0'), spe = "$SPEC_ID:\nbench\n$MEAS_TIM:\n100 120\n$DATA:\n0 16383\n";
    chn[0] = chn[1] = '\xFF';
    chn[30] = static_cast<char>(kChannels & 0xFF);
    chn[31] = static_cast<char>(kChannels >> 8);
    chn.append(binary32);
    chn.append("\x9A\xFF", 2);
    chn.resize(chn.size() + 510, '\0');
    for (std::size_t k = 0; k < binary32.size(); k += 4) {
      const auto value = static_cast<unsigned char>(binary32[k]) |
                         (static_cast<unsigned char>(binary32[k + 1]) << 8);
      spe += std::to_string(value) + "\n";
    }
    Write("type5.Chn", chn);
    Write("type5.spe", spe + "$MCA_CAL:\n3\n0.5 0.2 1e-8 keV\n");
  }
  ~SpectrumFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Path(const char* name) const { return (folder_ / name).string(); }

 private:
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::filesystem::path folder_;
};

const SpectrumFiles& Files() {
  static const SpectrumFiles files;
  return files;
}

void ReadFile(benchmark::State& state, const char* name, int type) {
  pektra::TSpectrum spectrum(Files().Path(name));
  const pektra::ReadOptions options{.start_at_a1 = true};
  for (auto _ : state) {
    const pektra::Outcome outcome = pektra::ReadSpectrumFile(spectrum, type, 1, options);
    if (!outcome.ok || spectrum.a2 != kChannels) state.SkipWithError("reading failed");
    benchmark::DoNotOptimize(spectrum.counts[kChannels]);
  }
}

void BM_ReadType1Binary16(benchmark::State& state) { ReadFile(state, "type1.spe", 1); }
void BM_ReadType2Binary32(benchmark::State& state) { ReadFile(state, "type2.spe", 2); }
void BM_ReadType3FreeField(benchmark::State& state) { ReadFile(state, "type3.txt", 3); }
void BM_ReadType4XY(benchmark::State& state) { ReadFile(state, "type4.txt", 4); }
void BM_ReadType5Chn(benchmark::State& state) { ReadFile(state, "type5.Chn", 5); }
void BM_ReadType5Spe(benchmark::State& state) { ReadFile(state, "type5.spe", 5); }

BENCHMARK(BM_ReadType1Binary16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadType2Binary32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadType3FreeField)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadType4XY)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadType5Chn)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadType5Spe)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
