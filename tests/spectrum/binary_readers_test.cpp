// The two binary spectrum types: word decoding, the header, the 16384-word limit, file lengths.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/spectrum_readers.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// Little-endian bytes of 16-bit words; word k (0-based) holds k % 60000 + 1.
std::string Words16(int count) {
  std::string bytes;
  for (int k = 0; k < count; ++k) {
    const int value = k % 60000 + 1;
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>(value >> 8);
  }
  return bytes;
}

std::string Words32(const std::vector<std::uint32_t>& words) {
  std::string bytes;
  for (const std::uint32_t word : words) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((word >> shift) & 0xFF);
  }
  return bytes;
}

Outcome Read16(TSpectrum& spectrum, const std::string& bytes, bool skip_header = false) {
  std::istringstream in(bytes);
  return ReadBinary16(spectrum, in, ReadOptions{.skip_header = skip_header});
}

Outcome Read32(TSpectrum& spectrum, const std::string& bytes, bool skip_header, bool reverse) {
  std::istringstream in(bytes);
  return ReadBinary32(spectrum, in,
                      ReadOptions{.skip_header = skip_header, .reverse_bytes = reverse});
}

TEST(BinaryReadersTest, ReadBinary16_TakesWordKAsChannelKAndZeroesChannelOne) {
  TSpectrum spectrum;
  std::string bytes = Words16(4096);  // 8192 bytes
  bytes[0] = bytes[1] = static_cast<char>(0xFF);
  bytes[2] = static_cast<char>(0x34);  // word 2: 0xFF34, above the signed 16-bit range
  bytes[3] = static_cast<char>(0xFF);
  bytes[4] = bytes[5] = 0;  // word 3: 0
  const Outcome outcome = Read16(spectrum, bytes);
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(spectrum.a1, 1);
  EXPECT_EQ(spectrum.a2, 4096);
  EXPECT_EQ(spectrum.counts[1], 0.0);
  EXPECT_EQ(spectrum.errors[1], 1.0);
  EXPECT_EQ(spectrum.counts[2], 0xFF34);
  EXPECT_DOUBLE_EQ(spectrum.errors[2], std::sqrt(0xFF34));
  EXPECT_EQ(spectrum.counts[3], 0.0);
  EXPECT_EQ(spectrum.errors[3], 1.0);
  EXPECT_EQ(spectrum.counts[4096], 4096.0);
  EXPECT_EQ(spectrum.counts[4097], 0.0);

  TSpectrum reverse_ignored;  // the half swap belongs to 32-bit values only
  std::istringstream in(bytes);
  ASSERT_TRUE(ReadBinary16(reverse_ignored, in, ReadOptions{.reverse_bytes = true}).ok);
  EXPECT_EQ(reverse_ignored, spectrum);
}

TEST(BinaryReadersTest, ReadBinary16_SkipsHeaderAndStopsAt16384WordsHeaderIncluded) {
  TSpectrum spectrum;
  ASSERT_TRUE(Read16(spectrum, Words16(4096), /*skip_header=*/true).ok);
  EXPECT_EQ(spectrum.a2, 3584);
  EXPECT_EQ(spectrum.counts[2], 512 + 2);  // channel k holds word 512 + k
  EXPECT_EQ(spectrum.counts[3584], 4096);

  TSpectrum full;
  ASSERT_TRUE(Read16(full, Words16(20000)).ok);  // 40000 bytes
  EXPECT_EQ(full.a2, 16384);
  EXPECT_EQ(full.counts[16384], 16384);

  TSpectrum full_with_header;
  ASSERT_TRUE(Read16(full_with_header, Words16(20000), true).ok);
  EXPECT_EQ(full_with_header.a2, 16384 - 512);
  EXPECT_EQ(full_with_header.counts[16384 - 512], 16384);
}

TEST(BinaryReadersTest, ReadBinary16_IgnoresPartialWordAndAcceptsEmptyOrHeaderOnlyFile) {
  TSpectrum odd;
  ASSERT_TRUE(Read16(odd, Words16(3) + "\x07").ok);
  EXPECT_EQ(odd.a2, 3);
  EXPECT_EQ(odd.counts[4], 0.0);

  for (const std::string& bytes : {std::string(), Words16(100)}) {
    TSpectrum spectrum;
    spectrum.counts[1] = 9.0;
    spectrum.errors[1] = 9.0;
    const Outcome outcome = Read16(spectrum, bytes, /*skip_header=*/true);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(spectrum.a1, 1);
    EXPECT_EQ(spectrum.a2, 1);
    EXPECT_EQ(spectrum.counts[1], 0.0);
    EXPECT_EQ(spectrum.errors[1], 1.0);
  }
}

TEST(BinaryReadersTest, ReadBinary32_ReadsSignedLittleEndianAndSwapsHalvesOnRequest) {
  const std::string bytes = Words32({7, 0x00010000u, 0xFFFFFFFBu, 0x80000000u, 0x01020304u});
  TSpectrum spectrum;
  ASSERT_TRUE(Read32(spectrum, bytes, false, false).ok);
  EXPECT_EQ(spectrum.a2, 5);
  EXPECT_EQ(spectrum.counts[1], 0.0);
  EXPECT_EQ(spectrum.counts[2], 65536.0);
  EXPECT_EQ(spectrum.errors[2], 256.0);
  EXPECT_EQ(spectrum.counts[3], -5.0);
  EXPECT_EQ(spectrum.errors[3], 1.0);
  EXPECT_EQ(spectrum.counts[4], -2147483648.0);
  EXPECT_EQ(spectrum.counts[5], 0x01020304);

  TSpectrum reversed;
  ASSERT_TRUE(Read32(reversed, bytes, false, true).ok);
  EXPECT_EQ(reversed.counts[2], 1.0);
  EXPECT_EQ(reversed.counts[3], static_cast<std::int32_t>(0xFFFBFFFFu));
  EXPECT_EQ(reversed.counts[4], 0x8000);
  EXPECT_EQ(reversed.counts[5], 0x03040102);
}

TEST(BinaryReadersTest, ReadBinary32_HeaderIs256ValuesAndLimitIs16384ValuesInAll) {
  std::vector<std::uint32_t> words(17000);
  for (std::size_t k = 0; k < words.size(); ++k) words[k] = static_cast<std::uint32_t>(k + 1);
  TSpectrum spectrum;
  ASSERT_TRUE(Read32(spectrum, Words32(words) + "\x01\x02\x03", true, false).ok);
  EXPECT_EQ(spectrum.a2, 16384 - 256);
  EXPECT_EQ(spectrum.counts[2], 256 + 2);
  EXPECT_EQ(spectrum.counts[16384 - 256], 16384);

  TSpectrum odd;
  ASSERT_TRUE(Read32(odd, Words32({5, 6}) + "\x01\x02\x03", false, false).ok);
  EXPECT_EQ(odd.a2, 2);
}

TEST(BinaryReadersTest, ReadBinary_ShorterSpectrumLeavesLaterChannelsAsTheyWere) {
  TSpectrum spectrum;
  spectrum.counts[5000] = 77.0;
  spectrum.errors[5000] = 3.0;
  spectrum.abscissa[5000] = 12.5;
  spectrum.abscissa[2] = 0.5;
  ASSERT_TRUE(Read16(spectrum, Words16(4096)).ok);
  EXPECT_EQ(spectrum.counts[5000], 77.0);
  EXPECT_EQ(spectrum.errors[5000], 3.0);
  EXPECT_EQ(spectrum.abscissa[5000], 12.5);
  EXPECT_EQ(spectrum.abscissa[2], 0.5);  // binary files carry no abscissa
}

TEST(BinaryReadersTest, ReadSpectrumFile_ReadsBinaryBytesUntranslated) {
  testing::TempDir dir;
  TSpectrum spectrum(dir.File("a.spe"));
  testing::WriteFile(spectrum.file_name, Words32({0, 0x0A0D0A0Du, 0x1A}));
  ASSERT_TRUE(ReadSpectrumFile(spectrum, 2, 1, ReadOptions{}).ok);
  EXPECT_EQ(spectrum.a2, 3);
  EXPECT_EQ(spectrum.counts[2], 0x0A0D0A0D);
  EXPECT_EQ(spectrum.counts[3], 0x1A);
}

// A real analyser spectrum: 128 bytes of the analyser's own header, then 8192 values of 32 bits.
// Its counts exported as text must read to the same spectrum.
TEST(BinaryReadersTest, RealSpectrum_BinaryAndTextFormsAgreeChannelForChannel) {
  const std::string binary_name = testing::SharedTestData("spectra/eu152/eu152p1.mca");
  const std::string text_name = testing::SharedTestData("spectra/eu152/eu152p1.counts.txt");
  if (binary_name.empty() || text_name.empty()) GTEST_SKIP() << "shared test spectra not present";

  TSpectrum binary;
  std::istringstream in(testing::ReadFile(binary_name).substr(128));
  ASSERT_TRUE(ReadBinary32(binary, in, ReadOptions{}).ok);
  TSpectrum text(text_name);
  ASSERT_TRUE(ReadSpectrumFile(text, 3, 1, ReadOptions{}).ok);

  EXPECT_EQ(binary.a2, 8192);
  EXPECT_EQ(text.a2, 8192);
  EXPECT_EQ(text.counts[1], 6.0);
  EXPECT_EQ(binary.counts[1], 0.0);
  int differing = 0;
  for (int i = 2; i <= 8192; ++i) differing += binary.counts[i] != text.counts[i];
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(binary.counts[2], 30.0);
  EXPECT_EQ(binary.counts[3], 614.0);
}

}  // namespace
}  // namespace pektra
