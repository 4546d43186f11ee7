#include "spectrum/spectrum.h"

#include <cmath>

#include <gtest/gtest.h>

namespace pektra {
namespace {

TEST(SpectrumTest, Construction_HoldsEmptyChannelsWithUnitErrorsAndChannelAbscissae) {
  const TSpectrum spectrum("a.spe");
  EXPECT_EQ(spectrum.file_name, "a.spe");
  for (const int i : {1, 2, 8000, 16384}) {
    EXPECT_EQ(spectrum.counts[i], 0.0);
    EXPECT_EQ(spectrum.errors[i], 1.0);
    EXPECT_EQ(spectrum.abscissa[i], i);
  }
}

TEST(SpectrumTest, UpdateRange_LooksOnlyInsideSpectrumAndKeepsMinimumAtMostZero) {
  TSpectrum spectrum;
  spectrum.a1 = 3;
  spectrum.a2 = 5;
  spectrum.counts[2] = 1000.0;
  spectrum.counts[6] = -1000.0;
  spectrum.counts[3] = 4.0;
  spectrum.counts[4] = 7.0;
  spectrum.counts[5] = 2.0;
  spectrum.UpdateRange();
  EXPECT_EQ(spectrum.max_counts, 7.0);
  EXPECT_EQ(spectrum.min_counts, 0.0);

  spectrum.counts[4] = -3.0;
  spectrum.counts[3] = -2.0;
  spectrum.counts[5] = -8.0;
  spectrum.UpdateRange();
  EXPECT_EQ(spectrum.max_counts, -2.0);
  EXPECT_EQ(spectrum.min_counts, -8.0);
}

TEST(SpectrumTest, Weight_IsInverseSquaredErrorAndZeroForZeroErrorOrForeignChannel) {
  TSpectrum spectrum;
  spectrum.errors[10] = 2.0;
  spectrum.errors[11] = 0.0;
  EXPECT_EQ(spectrum.Weight(10), 0.25);
  EXPECT_EQ(spectrum.Weight(11), 0.0);
  EXPECT_EQ(spectrum.Weight(12), 1.0);
  EXPECT_EQ(spectrum.Weight(0), 0.0);
  EXPECT_EQ(spectrum.Weight(16385), 0.0);
}

TEST(SpectrumTest, ApplyVarianceFormula_SetsErrorsInsideSpectrumForTypesOtherThanFreeField) {
  for (const int type : {1, 2, 4}) {
    TSpectrum spectrum;
    spectrum.file_type = type;
    spectrum.a1 = 10;
    spectrum.a2 = 12;
    spectrum.counts[9] = 100.0;
    spectrum.counts[10] = 100.0;
    spectrum.counts[11] = 0.0;
    spectrum.counts[12] = -100.0;
    spectrum.ApplyVarianceFormula(0.01);
    EXPECT_DOUBLE_EQ(spectrum.errors[10], std::sqrt(90.0 + 0.1 * 1.0 + 0.1)) << type;
    EXPECT_DOUBLE_EQ(spectrum.errors[11], std::sqrt(0.1)) << type;
    // |0.9 * -100 + 0.1 * 1| = 89.9
    EXPECT_DOUBLE_EQ(spectrum.errors[12], std::sqrt(89.9 + 0.1)) << type;
    EXPECT_EQ(spectrum.errors[9], 1.0) << type;
  }
  TSpectrum free_field;
  free_field.file_type = 3;
  free_field.counts[5] = 100.0;
  free_field.ApplyVarianceFormula(0.01);
  EXPECT_EQ(free_field.errors[5], 1.0);
}

}  // namespace
}  // namespace pektra
