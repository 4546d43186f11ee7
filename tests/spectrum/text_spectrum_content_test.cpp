// What a text spectrum may hold: words, encodings, binary bytes and X columns that would put counts
// into the wrong channels.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/spectrum_readers.h"

namespace pektra {
namespace {

Outcome Read(int type, TSpectrum& spectrum, const std::string& bytes, bool start_at_a1 = true) {
  std::istringstream in(bytes);
  if (type == 3) return ReadFreeField(spectrum, in, 1);
  return ReadXY(spectrum, in, 1, ReadOptions{.start_at_a1 = start_at_a1});
}

// Reads `bytes` as both text types into a spectrum with counts of its own and expects the file
// refused with `message` and the spectrum unchanged.
void ExpectRefused(const std::string& bytes, const std::string& message) {
  for (const int type : {3, 4}) {
    TSpectrum spectrum;
    spectrum.counts[2] = 42.0;
    const TSpectrum before = spectrum;
    const Outcome outcome = Read(type, spectrum, bytes);
    EXPECT_FALSE(outcome.ok) << "type " << type << ": " << bytes;
    EXPECT_EQ(outcome.message, message) << "type " << type << ": " << bytes;
    EXPECT_EQ(spectrum, before) << "type " << type << ": " << bytes;
  }
}

std::string Utf16(const std::string& ascii, bool little_endian) {
  std::string wide;
  for (const char c : ascii) {
    wide += little_endian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return wide;
}

TEST(TextSpectrumContent, HeaderLinesAreSkippedAndWordsOrHugeNumbersInTheDataRefuseTheFile) {
  TSpectrum counts;
  Outcome outcome = Read(3, counts, "/data/run7.spe\nLive time: 100 s\n10\n20 30\n");
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "2 header lines skipped");
  EXPECT_EQ(counts.a2, 3);
  EXPECT_EQ(counts.counts[1], 10.0);

  TSpectrum xy;
  outcome = Read(4, xy, "Channel Counts\n5 50\n6 60\n", false);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(outcome.message, "1 header line skipped");
  EXPECT_EQ(xy.a1, 5);
  EXPECT_EQ(xy.counts[6], 60.0);

  // A "/" ends the data; text after the data is a trailer, skipped with a note.
  TSpectrum ended;
  outcome = Read(3, ended, "1 1\n2 2 / 3\n4 4\n");
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(ended.a2, 4);
  outcome = Read(3, ended, "1 1\n/\n4 4\n");
  EXPECT_EQ(ended.a2, 2);
  outcome = Read(4, ended, "1 5\n2 6\nEND of data\n");
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(ended.a2, 2);
  EXPECT_EQ(outcome.message, "1 text line after the data skipped");

  ExpectRefused("1 5\n2 1O5\n3 7\n", "Error in line 2: \"1O5\" is not a number");
  ExpectRefused("1 5\nnan 6\n3 7\n", "Error in line 2: \"nan\" is not a number");
  ExpectRefused("1 5\n2 inf\n", "Error in line 2: \"inf\" is not a number");
  ExpectRefused("* c\n1 5\n\nabc\n3 7\n", "Error in line 4: \"abc\" is not a number");
  ExpectRefused("1 5\n2 1e308\n", "Error in line 2: 1e308 is out of range (at most 1e15 in size)");
  ExpectRefused("1 5\n2 1e400\n", "Error in line 2: 1e400 is out of range (at most 1e15 in size)");
  ExpectRefused("1 -1e308\n", "Error in line 1: -1e308 is out of range (at most 1e15 in size)");
  ExpectRefused("1 5\n2 6\x1b[0m\n",
                "Error in line 2: \"6?[0m\" is not a number");  // shown without its control byte
}

TEST(TextSpectrumContent, Utf8MarkIsPassedOverAndUtf16Or32TextIsRefused) {
  for (const int type : {3, 4}) {
    TSpectrum spectrum;
    const Outcome outcome = Read(type, spectrum, "\xEF\xBB\xBF* counts\r\n1 50\r\n2 60\r\n");
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(spectrum.counts[1], type == 3 ? 1.0 : 50.0);  // no channel for the comment line
  }
  const std::string text = "* counts\r\n1 50\r\n2 60\r\n";
  const std::string utf16 =
      "Error, the file is UTF-16 text; save it as UTF-8 or ASCII text and read it again";
  ExpectRefused("\xFF\xFE" + Utf16(text, true), utf16);
  ExpectRefused("\xFE\xFF" + Utf16(text, false), utf16);
  ExpectRefused(Utf16(text, true), utf16);
  ExpectRefused(std::string("\xFF\xFE\0\0", 4) + "*\0\0\0",
                "Error, the file is UTF-32 text; save it as UTF-8 or ASCII text and read it again");
}

TEST(TextSpectrumContent, BinaryBytesAreRefusedAndEightBitCommentsAreNot) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  for (int i = 0; i < 3000; ++i) png.push_back(static_cast<char>((i * 7919 + 13) % 256));
  ExpectRefused(png, "not a text file; choose a binary type");
  // Bytes without a zero among them are still no text.
  std::string noise;
  for (int i = 0; i < 3000; ++i) noise.push_back(static_cast<char>(1 + (i * 7919) % 255));
  ExpectRefused(noise, "not a text file; choose a binary type");

  // A comment in an 8-bit Cyrillic code page is text.
  TSpectrum spectrum;
  const Outcome outcome =
      Read(3, spectrum, "* \xD1\xEF\xE5\xEA\xF2\xF0 \xEE\xE1\xF0\xE0\xE7\xF6\xE0\n5 6\n");
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(spectrum.a2, 2);
  // A DOS end-of-file mark ends the text.
  const Outcome dos = Read(3, spectrum, "5 6\r\n7\r\n\x1a");
  ASSERT_TRUE(dos.ok) << dos.message;
  EXPECT_EQ(spectrum.a2, 3);
}

// Lines "X Y" for line numbers 1..n with X = f(i), written with `decimals` decimals.
template <typename F>
std::string XYLines(int n, F x, int decimals, int skip_from = 0, int skipped = 0) {
  std::string text;
  char line[64];
  for (int i = 0; i < n; ++i) {
    if (skip_from > 0 && i >= skip_from && i < skip_from + skipped) continue;
    std::snprintf(line, sizeof line, "%.*f %d\n", decimals, x(i), 100 + i);
    text += line;
  }
  return text;
}

TEST(TextSpectrumContent, XMustStepThroughTheChannelsOneLineEach) {
  const auto channels = [](int i) { return 1.0 + i; };
  const auto energies = [](int i) { return 0.33973 + 0.18297 * i + 5.5683e-9 * i * i; };
  for (const bool start_at_a1 : {true, false}) {
    TSpectrum spectrum;
    ASSERT_TRUE(Read(4, spectrum, XYLines(200, channels, 0), start_at_a1).ok);
    EXPECT_EQ(spectrum.a2, 200);
    // Ten lines missing after line 20 would shift every later peak by ten channels.
    TSpectrum gap;
    const Outcome outcome = Read(4, gap, XYLines(200, channels, 0, 20, 10), start_at_a1);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message,
              "Error in line 21: X goes from 20 to 31; X must grow by one step (1) per line");
    EXPECT_EQ(gap, TSpectrum());
  }
  // Energies of a quadratic calibration, also rounded to two decimals, step steadily.
  TSpectrum spectrum;
  ASSERT_TRUE(Read(4, spectrum, XYLines(16384, energies, 6)).ok);
  EXPECT_EQ(spectrum.a2, 16384);
  ASSERT_TRUE(Read(4, spectrum, XYLines(3000, energies, 2)).ok);
  Outcome outcome = Read(4, spectrum, XYLines(3000, energies, 2, 1500, 1));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.substr(0, 48), "Error in line 1501: X goes from 274.62 to 274.99");

  outcome = Read(4, spectrum, "1 5\n2 6\n2 6\n3 7\n");
  EXPECT_EQ(outcome.message,
            "Error in line 3: X goes from 2 to 2; X must grow by one step (1) per line");
  outcome = Read(4, spectrum, "10 5\n9 6\n");
  EXPECT_EQ(outcome.message,
            "Error in line 2: X goes from 10 to 9; X must grow by one step per line");
}

}  // namespace
}  // namespace pektra
