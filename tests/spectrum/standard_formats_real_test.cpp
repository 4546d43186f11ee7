// The standard formats on real files of the shared test data: the same measurement in several
// formats gives the same counts channel for channel as its counts list, and the calibrations and
// live times the data's README gives.
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/spectrum_readers.h"
#include "spectrum/standard_formats.h"
#include "support/test_files.h"

namespace pektra {
namespace {

std::vector<double> CountsList(const std::string& file) {
  std::vector<double> counts;
  std::ifstream in(file);
  double value = 0;
  while (in >> value) counts.push_back(value);
  return counts;
}

struct Expected {
  const char* file;
  const char* counts;
  double live_time;
  StoredEnergyCalibration calibration;  // terms 0: none usable is stored
  const char* start_date;
};

// The calibrations as the README lists them (to its printed digits).
constexpr StoredEnergyCalibration kMix{2, 8.093975, 0.436772, 0.0};
constexpr StoredEnergyCalibration kPit{2, 10.087029, 0.634049, 0.0};
constexpr StoredEnergyCalibration kSmall{2, 7.856610, 0.435867, 0.0};
constexpr StoredEnergyCalibration kEu{3, 0.33973, 0.18297, 5.5683e-9};
constexpr StoredEnergyCalibration kCave{3, -0.035087, 0.1828039, -6.86613e-10};
constexpr StoredEnergyCalibration kNone{};

const Expected kFiles[] = {
    {"iaea2002/mix2neq6.spe", "iaea2002/mix2neq6.counts.txt", 353, kMix, "2002-11-07 18:30:00"},
    {"iaea2002/mix2neq6.Chn", "iaea2002/mix2neq6.counts.txt", 353, kNone, "2002-11-07 18:30:00"},
    {"iaea2002/MIX2NEQ6.CNF", "iaea2002/mix2neq6.counts.txt", 353, kNone, ""},
    {"iaea2002/maritsmall60.spe", "iaea2002/maritsmall60.counts.txt", 3468, kMix, ""},
    {"iaea2002/maritsmall60.Chn", "iaea2002/maritsmall60.counts.txt", 3468, kNone, ""},
    {"iaea2002/PITBIG60.spe", "iaea2002/PITBIG60.counts.txt", 3400, kPit, ""},
    {"iaea2002/PITBIG60.Chn", "iaea2002/PITBIG60.counts.txt", 3400, kNone, ""},
    {"iaea2002/Cs137SMALL.spe", "iaea2002/Cs137SMALL.counts.txt", 1171, kSmall, ""},
    {"iaea2002/Cs137SMALL.Chn", "iaea2002/Cs137SMALL.counts.txt", 1171, kNone, ""},
    {"iaea2002/Co57SMALL.spe", "iaea2002/Co57SMALL.counts.txt", 1182, kSmall, ""},
    {"iaea2002/Co57SMALL.Chn", "iaea2002/Co57SMALL.counts.txt", 1182, kNone, ""},
    {"eu152/eu_calib_7cm.Spe", "eu152/eu_calib_7cm.counts.txt", 2289, kEu, "2018-09-13 08:39:08"},
    {"eu152/eu_calib.Chn", "eu152/eu_calib_7cm.counts.txt", 2289, kEu, "2018-09-13 08:39:08"},
    {"eu152/eu152p1.mca", "eu152/eu152p1.counts.txt", 3600, kNone, ""},
    {"background/NAA_cave_background_May2017.spe",
     "background/NAA_cave_background_May2017.counts.txt", 437817, kCave, ""},
};

TEST(StandardFormatsOnRealFiles, EveryFormatGivesTheCountsTimesAndCalibrationOfItsMeasurement) {
  if (testing::SharedTestData("spectra").empty()) GTEST_SKIP() << "no shared test data";
  for (const Expected& e : kFiles) {
    SCOPED_TRACE(e.file);
    const std::vector<double> expected =
        CountsList(testing::SharedTestData(std::string("spectra/") + e.counts));
    ASSERT_FALSE(expected.empty());
    TSpectrum spectrum;
    spectrum.file_name = testing::SharedTestData(std::string("spectra/") + e.file);
    const Outcome outcome = ReadSpectrumFile(spectrum, kStandard, 1, ReadOptions{});
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.message, "");
    ASSERT_EQ(spectrum.a1, 1);
    ASSERT_EQ(spectrum.a2, static_cast<int>(expected.size()));
    int different = 0;
    for (int i = 1; i <= spectrum.a2; ++i) {
      if (spectrum.counts[i] != expected[static_cast<std::size_t>(i - 1)]) ++different;
    }
    EXPECT_EQ(different, 0);
    // The SPE files write whole seconds, the CHN files 20 ms ticks.
    EXPECT_NEAR(spectrum.facts.live_time, e.live_time, 1.0);
    EXPECT_GE(spectrum.facts.real_time, spectrum.facts.live_time);
    if (*e.start_date) {
      EXPECT_EQ(spectrum.facts.start_date, e.start_date);
    }

    const StoredEnergyCalibration& cal = spectrum.facts.calibration;
    EXPECT_EQ(cal.Usable(), e.calibration.terms != 0) << cal.c0 << " " << cal.c1;
    if (e.calibration.terms == 0) continue;
    EXPECT_EQ(cal.terms, e.calibration.terms);
    // Single-precision storage (CHN) and the README's digits: 1e-6 relative.
    EXPECT_NEAR(cal.c0, e.calibration.c0, 1e-6 * std::fabs(e.calibration.c0) + 1e-7);
    EXPECT_NEAR(cal.c1, e.calibration.c1, 1e-6 * e.calibration.c1);
    EXPECT_NEAR(cal.c2, e.calibration.c2, 1e-6 * std::fabs(e.calibration.c2));
  }
}

TEST(StandardFormatsOnRealFiles, CnfStoresTheIdentityCalibrationAndTheChnDateIsRead) {
  if (testing::SharedTestData("spectra").empty()) GTEST_SKIP() << "no shared test data";
  StandardSpectrum read;
  const std::string cnf =
      testing::ReadFile(testing::SharedTestData("spectra/iaea2002/MIX2NEQ6.CNF"));
  ASSERT_TRUE(ParseStandardSpectrum(cnf, "MIX2NEQ6.CNF", read).ok);
  EXPECT_EQ(read.facts.calibration.c0, 0.0);
  EXPECT_EQ(read.facts.calibration.c1, 1.0);
  EXPECT_FALSE(read.facts.calibration.Usable());
  EXPECT_NEAR(read.facts.real_time, 360.0, 1e-9);
  EXPECT_EQ(read.facts.start_date.substr(0, 10), "2002-11-07");
}

}  // namespace
}  // namespace pektra
