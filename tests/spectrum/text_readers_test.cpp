// The two text spectrum types: free-field counts (type 3) and X, Y, error lines (type 4).
#include <cmath>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "spectrum/spectrum_readers.h"
#include "support/test_files.h"

namespace pektra {
namespace {

namespace messages = reader_messages;

Outcome ReadText3(TSpectrum& spectrum, const std::string& text, int start) {
  std::istringstream in(text);
  return ReadFreeField(spectrum, in, start);
}

Outcome ReadText4(TSpectrum& spectrum, const std::string& text, int start, bool start_at_a1) {
  std::istringstream in(text);
  return ReadXY(spectrum, in, start, ReadOptions{.start_at_a1 = start_at_a1});
}

// n lines "X Y" with X running from first_x.
std::string XYLines(int first_x, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(first_x + i) + " 3\n";
  return text;
}

TEST(FreeFieldReaderTest, ReadFreeField_FillsChannelsFromStartInFileOrder) {
  TSpectrum spectrum;
  spectrum.counts[9] = 99.0;
  const Outcome outcome = ReadText3(spectrum, "10,20 30\n40", 5);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(spectrum.a1, 5);
  EXPECT_EQ(spectrum.a2, 8);
  EXPECT_EQ(spectrum.counts[5], 10.0);
  EXPECT_EQ(spectrum.counts[8], 40.0);
  EXPECT_DOUBLE_EQ(spectrum.errors[6], std::sqrt(20.0));
  EXPECT_EQ(spectrum.counts[4], 0.0);
  EXPECT_EQ(spectrum.counts[9], 99.0);
}

TEST(FreeFieldReaderTest, ReadFreeField_SkipsCommentsAndEmptyLinesAndToleratesWindowsText) {
  TSpectrum spectrum;
  const Outcome outcome =
      ReadText3(spectrum, "* counts of run 7\r\n\r\n1\t2,,3\r\n   \r\n.5 -4 2.5-1 * end\r\n", 1);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(spectrum.a2, 6);  // the trailing comment adds no counts
  EXPECT_EQ(spectrum.counts[3], 3.0);
  EXPECT_EQ(spectrum.counts[4], 0.5);
  EXPECT_EQ(spectrum.counts[5], -4.0);
  EXPECT_EQ(spectrum.errors[5], 0.0);  // sqrt(max(0, -4))
  EXPECT_DOUBLE_EQ(spectrum.counts[6], 0.25);
}

TEST(FreeFieldReaderTest, ReadFreeField_StopsAtLastChannelWithWarningOnlyWhenNumbersAreLeft) {
  TSpectrum exact;
  Outcome outcome = ReadText3(exact, "1 2\n* end\n\n", 16383);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(exact.a2, 16384);

  for (const std::string& text : {std::string("1 2 3"), std::string("1 2\n\n3\n")}) {
    TSpectrum spectrum;
    outcome = ReadText3(spectrum, text, 16383);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.message, messages::kCutAtLastChannel);
    EXPECT_EQ(spectrum.a2, 16384);
    EXPECT_EQ(spectrum.counts[16384], 2.0);
  }
}

TEST(FreeFieldReaderTest, ReadFreeField_FailsWithoutNumbersOrValidStartAndChangesNothing) {
  TSpectrum spectrum;
  spectrum.a1 = 20;
  spectrum.a2 = 300;
  const TSpectrum before = spectrum;
  for (const auto& [text, start] :
       {std::pair<std::string, int>{"* only\n\n  \n", 20}, {"", 20}, {"1 2", 0}, {"1 2", 16385}}) {
    const Outcome outcome = ReadText3(spectrum, text, start);
    EXPECT_FALSE(outcome.ok) << text;
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(spectrum, before) << text;
  }
}

TEST(XYReaderTest, ReadXY_StoresFromStartingChannelOrFromFirstX) {
  const std::string text = "100 5\n101,7\n";
  TSpectrum from_start;
  ASSERT_TRUE(ReadText4(from_start, text, 1, true).ok);
  EXPECT_EQ(from_start.a1, 1);
  EXPECT_EQ(from_start.a2, 2);
  EXPECT_EQ(from_start.abscissa[1], 100.0);
  EXPECT_EQ(from_start.counts[2], 7.0);
  EXPECT_DOUBLE_EQ(from_start.errors[1], std::sqrt(6.0));
  EXPECT_EQ(from_start.x_first, 100.0);
  EXPECT_EQ(from_start.x_last, 101.0);
  EXPECT_EQ(from_start.x_step, 1.0);
  EXPECT_EQ(from_start.x_scale, 1.0);
  EXPECT_EQ(from_start.x_offset, -99.0);  // channel 2 = 1 * 101 - 99

  TSpectrum from_x;
  ASSERT_TRUE(ReadText4(from_x, text, 1, false).ok);
  EXPECT_EQ(from_x.a1, 100);
  EXPECT_EQ(from_x.a2, 101);
  EXPECT_EQ(from_x.counts[100], 5.0);
  EXPECT_EQ(from_x.counts[101], 7.0);
  EXPECT_EQ(from_x.counts[1], 0.0);
  EXPECT_EQ(from_x.x_offset, 0.0);

  // A start above the first X does not make a short file fail.
  TSpectrum below_start;
  ASSERT_TRUE(ReadText4(below_start, text, 5000, false).ok);
  EXPECT_EQ(below_start.a1, 100);
}

TEST(XYReaderTest, ReadXY_ReadsErrorColumnCommentsAndSingleNumberLines) {
  TSpectrum spectrum;
  spectrum.abscissa[12] = 77.0;
  const Outcome outcome = ReadText4(spectrum,
                                    "* energy  counts  error\r\n"
                                    "0.5 -8 -2.5\r\n"
                                    "\r\n"
                                    "* gap\r\n"
                                    "1.0 9\r\n"
                                    "7\r\n"
                                    "2.0 4 1 99\r\n"
                                    "8\r\n",
                                    10, true);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(spectrum.a1, 10);
  EXPECT_EQ(spectrum.a2, 14);
  EXPECT_EQ(spectrum.errors[10], 2.5);
  EXPECT_EQ(spectrum.counts[10], -8.0);
  EXPECT_DOUBLE_EQ(spectrum.errors[11], std::sqrt(10.0));
  EXPECT_EQ(spectrum.counts[12], 0.0);  // the single-number line takes channel 12, storing nothing
  EXPECT_EQ(spectrum.abscissa[12], 77.0);
  EXPECT_EQ(spectrum.abscissa[13], 2.0);
  EXPECT_EQ(spectrum.errors[13], 1.0);
  EXPECT_EQ(spectrum.x_first, 0.5);
  EXPECT_EQ(spectrum.x_last, 14.0);  // channel 14 kept its own abscissa
  EXPECT_DOUBLE_EQ(spectrum.x_step, 13.5 / 4);
  EXPECT_DOUBLE_EQ(spectrum.x_scale, 4 / 13.5);
  EXPECT_DOUBLE_EQ(spectrum.x_offset, 14 - 14 * 4 / 13.5);
}

TEST(XYReaderTest, ReadXY_TrailingCommentIsNoErrorColumnAndLeadingBlankLinesAreSkipped) {
  TSpectrum spectrum;
  const Outcome outcome = ReadText4(spectrum, "\n  \n100 25 * peak top\n101 16*\n", 1, false);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(spectrum.a1, 100);
  EXPECT_EQ(spectrum.a2, 101);
  // Without the comment rule "*" would read as an error of 0 and the channel would weigh 0.
  EXPECT_DOUBLE_EQ(spectrum.errors[100], std::sqrt(26.0));
  EXPECT_DOUBLE_EQ(spectrum.errors[101], std::sqrt(17.0));
  EXPECT_GT(spectrum.Weight(100), 0.0);
}

TEST(XYReaderTest, ReadXY_RoundsFirstXHalfToEvenAndRefusesFirstXOutsideChannels) {
  TSpectrum spectrum;
  ASSERT_TRUE(ReadText4(spectrum, "2.5 1\n3.5 1\n", 1, false).ok);
  EXPECT_EQ(spectrum.a1, 2);

  spectrum.a1 = 40;
  spectrum.a2 = 50;
  const TSpectrum before = spectrum;
  for (const char* text : {"0 1\n1 1\n", "-5 1\n", "1e10 1\n", "0.4 2\n"}) {
    const Outcome outcome = ReadText4(spectrum, text, 1, false);
    EXPECT_FALSE(outcome.ok) << text;
    EXPECT_EQ(outcome.message, messages::kFirstXOutside);
    EXPECT_EQ(spectrum, before) << text;
  }
}

TEST(XYReaderTest, ReadXY_RefusesFirstDataLineWithoutTwoOrThreeNumbers) {
  TSpectrum spectrum;
  const TSpectrum before = spectrum;
  for (const char* text : {"100\n101 7\n", "* c\n1 2 3 4\n1 2\n", "", "* c\n"}) {
    const Outcome outcome = ReadText4(spectrum, text, 1, true);
    EXPECT_FALSE(outcome.ok) << text;
    EXPECT_EQ(outcome.message, "Warning, no channel-counts spectrum");
    EXPECT_EQ(spectrum, before) << text;
  }
}

TEST(XYReaderTest, ReadXY_StopsAtLastChannelWithWarning) {
  TSpectrum spectrum;
  Outcome outcome = ReadText4(spectrum, XYLines(16383, 3), 1, false);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, messages::kCutAtLastChannel);
  EXPECT_EQ(spectrum.a2, 16384);
  EXPECT_EQ(spectrum.abscissa[16384], 16384.0);

  TSpectrum exact;
  outcome = ReadText4(exact, XYLines(1, 16384) + "* end\n", 1, true);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(exact.a2, 16384);
}

TEST(XYReaderTest, ReadSpectrumFile_ReadsTextTypesFromDisk) {
  testing::TempDir dir;
  TSpectrum spectrum(dir.File("xy.txt"));
  testing::WriteFile(spectrum.file_name, "* X Y\r\n20 5\r\n21 6\r\n");
  ASSERT_TRUE(ReadSpectrumFile(spectrum, 4, 1, ReadOptions{.start_at_a1 = false}).ok);
  EXPECT_EQ(spectrum.a1, 20);
  EXPECT_EQ(spectrum.counts[21], 6.0);

  spectrum.file_name = dir.File("ff.txt");
  testing::WriteFile(spectrum.file_name, "4 5 6\n");
  ASSERT_TRUE(ReadSpectrumFile(spectrum, 3, 7, ReadOptions{}).ok);
  EXPECT_EQ(spectrum.a1, 7);
  EXPECT_EQ(spectrum.a2, 9);
  EXPECT_EQ(spectrum.counts[21], 6.0);  // the earlier spectrum's channels beyond stay
}

}  // namespace
}  // namespace pektra
