// Writes the example spectra of examples/ with their true peak lists, from the project's own
// seeded generator: example_spectra FOLDER. The same seeds give the same files everywhere.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "spectrum/synthetic_spectrum.h"

namespace {

using pektra::SyntheticPeak;
using pektra::SyntheticSpec;

// Peaks of a 152Eu-like source on a 0.5 keV per channel scale: energies (keV) and relative
// intensities; areas scale with `strength`, the width grows from 3 to 6 channels.
SyntheticSpec EuropiumLike(std::uint32_t seed, double strength) {
  const double lines[][2] = {{121.78, 28.5},  {244.70, 7.6},   {344.28, 26.6}, {411.12, 2.2},
                             {443.96, 3.1},   {778.90, 12.9},  {867.38, 4.2},  {964.08, 14.6},
                             {1085.84, 10.1}, {1112.08, 13.7}, {1408.01, 21.0}};
  SyntheticSpec spec;
  spec.channels = 4096;
  spec.seed = seed;
  spec.background = {1500.0, 700.0, 40.0, 150.0, 1200.0, 40.0};
  for (const auto& line : lines) {
    const double channel = line[0] / 0.5;
    const double efficiency = 1.0 / (1.0 + line[0] / 300.0);
    spec.peaks.push_back({channel, strength * line[1] * efficiency, 3.0 + 3.0 * channel / 4096});
  }
  return spec;
}

void WritePeaks(const std::string& file, const SyntheticSpec& spec) {
  std::ofstream out(file);
  out << "* true peaks: channel, area, FWHM (channels)\n";
  for (const SyntheticPeak& p : spec.peaks) {
    char line[96];
    std::snprintf(line, sizeof line, "%10.2f %12.1f %8.3f\n", p.channel, p.area, p.fwhm);
    out << line;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: example_spectra FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  // Type 3: counts in free field format, ten per line.
  const SyntheticSpec eu = EuropiumLike(152, 2000.0);
  const std::vector<double> counts = pektra::GenerateCounts(eu);
  {
    std::ofstream out(folder / "eu152like.txt");
    out << "* synthetic 152Eu-like spectrum, 4096 channels, 0.5 keV per channel\n";
    for (std::size_t i = 0; i < counts.size(); ++i) {
      out << static_cast<long long>(counts[i]) << (i % 10 == 9 ? '\n' : ' ');
    }
  }
  WritePeaks((folder / "eu152like.peaks").string(), eu);

  // Type 1: the same source measured ten times shorter, as 16-bit binary words.
  const SyntheticSpec weak = EuropiumLike(1520, 200.0);
  const std::vector<double> weak_counts = pektra::GenerateCounts(weak);
  {
    std::ofstream out(folder / "eu152short.spe", std::ios::binary);
    for (const double c : weak_counts) {
      const unsigned value = static_cast<unsigned>(c < 65535 ? c : 65535);
      out.put(static_cast<char>(value & 0xFF));
      out.put(static_cast<char>(value >> 8));
    }
  }
  WritePeaks((folder / "eu152short.peaks").string(), weak);

  // Type 4: a doublet-rich region as X, Y lines.
  SyntheticSpec doublets;
  doublets.channels = 2048;
  doublets.seed = 7;
  doublets.background = {400.0, 900.0, 60.0};
  for (int k = 0; k < 8; ++k) {
    const double c = 200.0 + 220.0 * k;
    doublets.peaks.push_back({c, 6000.0, 4.0});
    doublets.peaks.push_back({c + 1.5 * 4.0 + (k % 3), 3000.0 + 500.0 * k, 4.0});
  }
  const std::vector<double> doublet_counts = pektra::GenerateCounts(doublets);
  {
    std::ofstream out(folder / "doublets.xy");
    out << "* channel  counts\n";
    for (std::size_t i = 0; i < doublet_counts.size(); ++i) {
      out << (i + 1) << ' ' << static_cast<long long>(doublet_counts[i]) << '\n';
    }
  }
  WritePeaks((folder / "doublets.peaks").string(), doublets);
  return 0;
}
