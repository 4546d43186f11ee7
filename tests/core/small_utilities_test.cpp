#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/file_names.h"
#include "core/one_based.h"
#include "core/option_list.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// Arrays of zeros come zeroed from the C library instead of being written; every other start
// value, and every element type with defaults of its own, is still written out.
TEST(OneBasedArray, StartsFromItsValueWhetherZeroedOrFilled) {
  OneBasedArray<double> zeros(20000, 0.0);
  OneBasedArray<double> negative_zeros(5, -0.0);
  OneBasedArray<int> sevens(3, 7);
  struct Record {
    int first = 4;
    double value = 2.5;
  };
  OneBasedArray<Record> records(3, Record{});
  for (int i = 1; i <= 20000; ++i) ASSERT_EQ(zeros[i], 0.0) << i;
  EXPECT_FALSE(std::signbit(zeros[20000]));
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(std::signbit(negative_zeros[i])) << i;  // kept whole
  EXPECT_EQ(sevens[3], 7);
  EXPECT_EQ(records[2].first, 4);
  EXPECT_EQ(records[3].value, 2.5);

  zeros[7] = 3.0;
  OneBasedArray<double> copy = zeros;  // copies are whole, not zeroed
  EXPECT_EQ(copy, zeros);
  EXPECT_EQ(copy[7], 3.0);
  copy.fill(0.0);
  EXPECT_EQ(copy[7], 0.0);
  EXPECT_NE(copy, zeros);
  OneBasedArray<double> none(0, 0.0);
  EXPECT_EQ(none.capacity(), 0);
}

TEST(Power10, IsExactForSmallPowersAndLimitedBeyond300) {
  EXPECT_EQ(Power10(0), 1.0);
  EXPECT_EQ(Power10(3), 1000.0);
  EXPECT_EQ(Power10(-3), 0.001);
  EXPECT_DOUBLE_EQ(Power10(300), 1e300);
  EXPECT_EQ(Power10(301), 1e300);
  EXPECT_EQ(Power10(-301), 1e-300);
  EXPECT_EQ(Power10(INT_MIN), 1e-300);
}

TEST(RoundToInt, RoundsHalvesToEvenAndClampsWildValues) {
  EXPECT_EQ(RoundToInt(2.5), 2);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(1e20), INT_MAX);
  EXPECT_EQ(RoundToInt(-1e20), INT_MIN);
  EXPECT_EQ(RoundToInt(std::nan("")), 0);
  EXPECT_EQ(TruncToInt(-2.7), -2);
  EXPECT_EQ(TruncToInt(std::numeric_limits<double>::infinity()), INT_MAX);
  // The quick path and the slow one give nearbyint's value everywhere: halves, the last double
  // below a half, both sides of the 2^30 border between the paths, the int limits.
  std::vector<double> values = {
      0.49999999999999994, -0.49999999999999994, 1073741823.5,  1073741824.5,
      -1073741824.5,       2147483646.5,         -2147483647.5, -0.0};
  for (int k = -2000; k <= 2000; ++k) {
    values.push_back(k * 0.25);
    values.push_back(std::nextafter(k * 0.5, 1e9));
    values.push_back(std::nextafter(k * 0.5, -1e9));
    values.push_back(k * 536870.9);
  }
  for (const double x : values) {
    EXPECT_EQ(RoundToInt(x), static_cast<int>(std::nearbyint(x))) << x;
  }
}

TEST(FileNames, AcceptBothFolderSeparators) {
  EXPECT_EQ(BaseFileName("C:\\data\\spec.dat"), "spec");
  EXPECT_EQ(BaseFileName("/data/run.1/spec.spe"), "spec");
  EXPECT_EQ(BaseFileName("mixed/dir\\spec"), "spec");
  // Extensions of other lengths, and dots in folder names, leave the name itself whole.
  EXPECT_EQ(BaseFileName("/data/spec.data"), "spec");
  EXPECT_EQ(BaseFileName("/data/a.b/spec"), "spec");
  EXPECT_EQ(BaseFileName("C:\\x.y\\s.c"), "s");
  EXPECT_EQ(BaseFileName("/data/.dat"), "");
  EXPECT_EQ(DirectoryPart("C:\\data/x.dat"), "C:\\data/");
  EXPECT_EQ(FileNamePart("C:\\data/x.dat"), "x.dat");
  EXPECT_EQ(DirectoryPart("x.dat"), "");
  EXPECT_EQ(FileNamePart("x.dat"), "x.dat");
}

TEST(FileNames, EraseIfTinyDeletesOnlyFilesShorterThanFourBytes) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("tiny"), "abc");
  testing::WriteFile(dir.File("kept"), "abcd");
  EXPECT_TRUE(EraseIfTiny(dir.File("tiny")));
  EXPECT_FALSE(EraseIfTiny(dir.File("kept")));
  EXPECT_FALSE(EraseIfTiny(dir.File("absent")));
  EXPECT_FALSE(FileExists(dir.File("tiny")));
  EXPECT_TRUE(FileExists(dir.File("kept")));
  EXPECT_FALSE(FileExists(dir.path().string()));
  EXPECT_FALSE(FileExists(""));
}

TEST(SetOptionList, KeepsHundredTextsInTheChosenLanguage) {
  std::vector<std::string> texts;
  for (int i = 0; i < 150; ++i) texts.push_back("Option " + std::to_string(i));
  for (int i = 0; i < 150; ++i) texts.push_back("Выбор " + std::to_string(i));

  const std::vector<std::string> russian = SetOptionList(150, texts, true);
  ASSERT_EQ(russian.size(), 100u);
  EXPECT_EQ(russian.front(), "Выбор 0");
  EXPECT_EQ(russian.back(), "Выбор 99");
  EXPECT_EQ(SetOptionList(150, texts, false).back(), "Option 99");
  EXPECT_EQ(SetOptionList(-2, texts, true), (std::vector<std::string>{"Option 0", "Option 1"}));
  EXPECT_EQ(SetOptionList(2, {"Yes", "No", "Да"}, true), (std::vector<std::string>{"Да", ""}));
}

}  // namespace
}  // namespace pektra
