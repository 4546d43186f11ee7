#include "core/text_input.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace pektra {
namespace {

// Reads `text` as a free-field file into array[first..last] of an array of `capacity` places,
// all -1 before, and returns the whole array.
std::vector<double> ReadArray(const std::string& text, int first, int last, int capacity,
                              int& count) {
  std::istringstream in(text);
  OneBasedArray<double> array(capacity, -1.0);
  count = ReadNumbersFromFile(in, first, last, array);
  const auto values = array.range(1, capacity);
  return {values.begin(), values.end()};
}

// The numbers of a free-field file, read from index 1.
std::vector<double> ReadList(const std::string& text) {
  int count = 0;
  std::vector<double> values = ReadArray(text, 1, 100, 100, count);
  values.resize(static_cast<std::size_t>(count));
  return values;
}

TEST(FreeFieldFile, CommasSeparateNumbersAndSignAfterMantissaStartsExponent) {
  EXPECT_EQ(ReadList("1,5\t.5  2.5-3 1.0D2 -.5\n"),
            (std::vector<double>{1, 5, 0.5, 0.0025, 100, -0.5}));
}

TEST(FreeFieldFile, SkipsCommentsAndEndsAtSlashLineOnWindowsLineEnds) {
  EXPECT_EQ(ReadList("* header\r\n\r\n12 13 * comment 14\r\n-7\r\n/ 99\r\n8\r\n"),
            (std::vector<double>{12, 13, -7}));
}

TEST(FreeFieldFile, LineLongerThanLineBufferKeepsAllItsNumbers) {
  std::string line;
  for (int i = 1000; i < 1100; ++i) line += std::to_string(i) + " ";
  ASSERT_GT(line.size(), 255u);
  const std::vector<double> values = ReadList(line + "\n");
  ASSERT_EQ(values.size(), 100u);
  EXPECT_EQ(values.back(), 1099);
}

TEST(FreeFieldFile, StoresNothingOutsideFirstToLastAndArrayCapacity) {
  int count = 0;
  EXPECT_EQ(ReadArray("1 2 3\n4 5\n", 2, 4, 5, count), (std::vector<double>{-1, 1, 2, 3, -1}));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(ReadArray("1 2 3 4 5 6 7\n", 3, 50, 5, count), (std::vector<double>{-1, -1, 1, 2, 3}));
  EXPECT_EQ(count, 3);
  ReadArray("1 2\n", 0, 5, 5, count);
  EXPECT_EQ(count, 0);
  ReadArray("1 2\n", 6, 9, 5, count);
  EXPECT_EQ(count, 0);

  // The rest of the line of the last store is dropped; reading goes on with the next line.
  std::istringstream in("1 2 3\nnext\n");
  OneBasedArray<double> array(2, 0.0);
  EXPECT_EQ(ReadNumbersFromFile(in, 1, 2, array), 2);
  EXPECT_EQ(ReadDataLine(in), "next");
}

TEST(ReadDataLine, SkipsCommentLinesCutsAt255AndGivesBlankAtEnd) {
  std::istringstream in("* note\r\n" + std::string(300, 'a') + "\r\n\nlast");
  EXPECT_EQ(ReadDataLine(in), std::string(255, 'a'));
  EXPECT_EQ(ReadDataLine(in), "");
  EXPECT_EQ(ReadDataLine(in), "last");
  EXPECT_EQ(ReadDataLine(in), " ");
}

TEST(ParseNumbers, KeepsUnreadableTokensAsNumbersAndStopsAtBufferSize) {
  EXPECT_EQ(ParseNumbers("1,2\t3\r .5 * x"), (std::vector<double>{1, 2, 3, 0.5, 0, 0}));
  std::string many;
  for (int i = 0; i < 17000; ++i) many += "7 ";
  EXPECT_EQ(ParseNumbers(many).size(), 16512u);
}

TEST(StrToReal, ReadsTokensTheFreeFieldWay) {
  struct Case {
    const char* token;
    double value;
    bool ok;
  };
  // clang-format off
  const Case cases[] = {
      {"", 0, true},          {" ", 0, true},           {"   ", 0, true},
      {"*5", 0, false},       {"  -1.5E+2", -150, true}, {"1 2 3", 123, true},
      {"15-3", 0.015, true},  {"1,5", 1.5, true},        {"+.25", 0.25, true},
      {"2d-2", 0.02, true},   {"1.2.3", 1.23, false},    {"12a", 12, false},
      {"e5", 0, false},       {".", 0, false},           {"-", 0, false},
      {"--5", -5, false},     {"1e", 1, false},          {"1.5-", 1.5, false},
      {"1e--3", 0.001, false}, {"2e400", 1e300, false},  {"-5e300", -1e300, false},
      {"1e-400", 1e-300, true}, {"0.3", 0.3, true},      {"1.1e-5", 1.1e-5, true},
      {"123456789012345678901234567890", 123456789012345678901234567890.0, true},
      {"0.0000000000000000000000000000012345", 1.2345e-30, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    bool ok = !c.ok;
    EXPECT_EQ(StrToReal(c.token, ok), c.value) << '"' << c.token << '"';
    EXPECT_EQ(ok, c.ok) << '"' << c.token << '"';
  }
  bool ok = true;
  EXPECT_EQ(StrToReal("1" + std::string(1000, '0'), ok), 1e300);
  EXPECT_FALSE(ok);
}

TEST(EntryToReal, ReadsCommaAsDecimalPointAndFlagsUnreadableEntries) {
  int dialog_ok = 0;
  EXPECT_EQ(EntryToReal(" 1, 5 ", dialog_ok), 1.5);
  EXPECT_EQ(dialog_ok, 1);
  EXPECT_EQ(EntryToReal("abc", dialog_ok), 1.001);
  EXPECT_EQ(dialog_ok, 0);
  EXPECT_EQ(EntryToReal("", dialog_ok), 0.0);
  EXPECT_EQ(EntryToReal("   ", dialog_ok), 0.0);
  EXPECT_EQ(dialog_ok, 0);
  dialog_ok = 1;
  EXPECT_EQ(EntryToReal("", dialog_ok), 0.0);
  EXPECT_EQ(dialog_ok, 1);
}

}  // namespace
}  // namespace pektra
