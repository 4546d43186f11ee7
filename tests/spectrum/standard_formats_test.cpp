// The standard formats on made files: what each reader takes, and that a malformed file (cut
// short anywhere, with lying lengths, without a spectrum, with text in a count) is refused with a
// message naming the file and the problem while the spectrum in memory stays as it was.
#include "spectrum/standard_formats.h"

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "spectrum/spectrum_input.h"
#include "spectrum/spectrum_readers.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace pektra {
namespace {

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  if (bytes.size() < at + static_cast<std::size_t>(size)) bytes.resize(at + size, '\0');
  for (int k = 0; k < size; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

std::uint32_t FloatBits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// A CHN file of `n` channels (count k = 10 k + 1) with a quadratic calibration trailer.
std::string Chn(int n) {
  std::string b(32, '\0');
  Put(b, 0, 0xFFFF, 2);
  b.replace(6, 2, "05");
  Put(b, 8, 50 * 120, 4);   // real 120 s
  Put(b, 12, 50 * 100, 4);  // live 100 s
  b.resize(16);
  b += "24Dec990";
  b += "2359";
  Put(b, 28, 0, 2);
  Put(b, 30, static_cast<std::uint64_t>(n), 2);
  for (int k = 0; k < n; ++k) Put(b, 32 + 4 * k, 10 * k + 1, 4);
  const std::size_t t = b.size();
  Put(b, t, 0xFF9A, 2);
  Put(b, t + 2, 0, 2);
  Put(b, t + 4, FloatBits(1.5f), 4);
  Put(b, t + 8, FloatBits(0.5f), 4);
  Put(b, t + 12, FloatBits(0.25f), 4);
  b.resize(t + 512, '\0');
  return b;
}

// A PDP-11 float of a value exactly representable in both forms.
std::uint32_t Pdp(float value) {
  const std::uint32_t ieee = FloatBits(value * 4.0f);
  return (ieee >> 16) | (ieee << 16);  // high word first
}

// A CAM file: the block table, an acquisition block at 0x400 and a data block at 0xA00.
std::string Cnf(std::uint32_t channels, int stored) {
  std::string b(0xA00 + 0x200 + 4 * stored, '\0');
  Put(b, 0x70, 0x00012000, 4);
  Put(b, 0x70 + 10, 0x400, 4);
  Put(b, 0xA0, 0x00012005, 4);
  Put(b, 0xA0 + 10, 0xA00, 4);
  Put(b, 0x400 + 0x22, 0x100, 2);  // calibration section at 0x400 + 0x30 + 0x100 + 0x44
  Put(b, 0x400 + 0x24, 0x200, 2);  // times at 0x400 + 0x30 + 0x200
  const std::size_t times = 0x400 + 0x30 + 0x200;
  Put(b, times + 9, static_cast<std::uint64_t>(-1200000000LL), 8);   // real 120 s
  Put(b, times + 17, static_cast<std::uint64_t>(-1000000000LL), 8);  // live 100 s
  const std::size_t cal = 0x400 + 0x30 + 0x100 + 0x44;
  const std::uint32_t c[3] = {Pdp(2.0f), Pdp(0.5f), Pdp(0.0f)};
  for (int k = 0; k < 3; ++k) {
    Put(b, cal + 4 * k, c[k] & 0xFFFF, 2);
    Put(b, cal + 4 * k + 2, c[k] >> 16, 2);
  }
  Put(b, 0xA00 + 0x2A, channels, 4);
  for (int k = 0; k < stored; ++k) Put(b, 0xA00 + 0x200 + 4 * k, k + 7, 4);
  return b;
}

const char* const kSpe =
    "$SPEC_ID:\nmade\n$DATE_MEA:\n12/24/1999 23:59:05\n$MEAS_TIM:\n100 120\n$DATA:\n0 5\n"
    "1 2 3\n4 5 6\n$ENER_FIT:\n1 2\n$MCA_CAL:\n3\n1.5 0.5 0.25 keV\n";

// A spectrum of 40 channels of 9, with bounds, to be left alone by a failed read.
TSpectrum Earlier(const std::string& name) {
  TSpectrum sp;
  sp.file_name = name;
  sp.file_type = kStandard;
  sp.a2 = 40;
  for (int i = 1; i <= 40; ++i) sp.counts[i] = 9;
  sp.facts.live_time = 7;
  return sp;
}

// Reads `bytes` from a file named `name` into a copy of Earlier; the outcome and the spectrum.
struct Read {
  Outcome outcome;
  TSpectrum spectrum;
};
Read ReadBytes(const testing::TempDir& dir, const std::string& name, const std::string& bytes) {
  const std::string file = dir.File(name);
  testing::WriteFile(file, bytes);
  Read r{{}, Earlier(file)};
  r.outcome = ReadSpectrumFile(r.spectrum, kStandard, 1, ReadOptions{});
  return r;
}

// Every prefix of `bytes` shorter than `complete` is refused, names the file and leaves the
// spectrum as it was; `complete` bytes and more are read.
void ExpectCutsRefused(const testing::TempDir& dir, const std::string& name,
                       const std::string& bytes, std::size_t complete,
                       const std::vector<std::size_t>& cuts) {
  for (std::size_t cut : cuts) {
    SCOPED_TRACE(name + " cut at " + std::to_string(cut));
    const Read r = ReadBytes(dir, name, bytes.substr(0, cut));
    if (cut < complete) {
      EXPECT_FALSE(r.outcome.ok);
      EXPECT_EQ(r.outcome.message.rfind(dir.File(name) + ":", 0), 0u) << r.outcome.message;
      EXPECT_TRUE(r.spectrum == Earlier(dir.File(name)));
    } else {
      EXPECT_TRUE(r.outcome.ok) << r.outcome.message;
    }
  }
}

TEST(StandardFormats, EachFormatGivesCountsTimesDateAndCalibration) {
  testing::TempDir dir;
  Read r = ReadBytes(dir, "a.spe", kSpe);
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a1, 1);
  EXPECT_EQ(r.spectrum.a2, 6);
  EXPECT_EQ(r.spectrum.counts[6], 6);
  EXPECT_EQ(r.spectrum.counts[7], 9);  // beyond the file: as it was
  EXPECT_EQ(r.spectrum.facts.live_time, 100);
  EXPECT_EQ(r.spectrum.facts.real_time, 120);
  EXPECT_EQ(r.spectrum.facts.start_date, "1999-12-24 23:59:05");
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{3, 1.5, 0.5, 0.25}));
  EXPECT_EQ(r.spectrum.facts.calibration.EnergyAt(3), 1.5 + 1.0 + 1.0);

  r = ReadBytes(dir, "b.chn", Chn(300));
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a2, 300);
  EXPECT_EQ(r.spectrum.counts[300], 2991);
  EXPECT_EQ(r.spectrum.facts.live_time, 100);
  EXPECT_EQ(r.spectrum.facts.real_time, 120);
  EXPECT_EQ(r.spectrum.facts.start_date, "1999-12-24 23:59:05");
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{3, 1.5, 0.5, 0.25}));

  r = ReadBytes(dir, "c.cnf", Cnf(64, 64));
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a2, 64);
  EXPECT_EQ(r.spectrum.counts[1], 7);
  EXPECT_EQ(r.spectrum.counts[64], 70);
  EXPECT_EQ(r.spectrum.facts.live_time, 100);
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{2, 2.0, 0.5, 0.0}));

  // N42: the 2011 form, two spectra, counted zeros, a referenced calibration, ISO durations.
  r = ReadBytes(
      dir, "d.n42",
      "<?xml version=\"1.0\"?>\n<RadInstrumentData xmlns=\"http://physics.nist.gov/N42/2011/N42\">"
      "<EnergyCalibration id=\"other\"><CoefficientValues>9 9</CoefficientValues>"
      "</EnergyCalibration><EnergyCalibration id=\"ec\"><CoefficientValues>1 0.5 0"
      "</CoefficientValues></EnergyCalibration><RadMeasurement>"
      "<StartDateTime>2020-05-01T10:20:30.5Z</StartDateTime>"
      "<RealTimeDuration>PT2M</RealTimeDuration>"
      "<Spectrum energyCalibrationReference=\"ec\"><LiveTimeDuration>PT1M40.5S"
      "</LiveTimeDuration><ChannelData compressionCode=\"CountedZeroes\">5 0 3 8"
      "</ChannelData></Spectrum><Spectrum><ChannelData>1</ChannelData></Spectrum>"
      "</RadMeasurement></RadInstrumentData>");
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.outcome.message, "The file holds 2 spectra; the first is read");
  EXPECT_EQ(r.spectrum.a2, 5);
  EXPECT_EQ(r.spectrum.counts[1], 5);
  EXPECT_EQ(r.spectrum.counts[4], 0);
  EXPECT_EQ(r.spectrum.counts[5], 8);
  EXPECT_EQ(r.spectrum.facts.live_time, 100.5);
  EXPECT_EQ(r.spectrum.facts.real_time, 120);
  EXPECT_EQ(r.spectrum.facts.start_date, "2020-05-01 10:20:30");
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{2, 1, 0.5, 0}));

  // N42: the 2006 form, the calibration inside the spectrum, plain seconds in a duration.
  r = ReadBytes(dir, "d2.xml",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<N42InstrumentData><Measurement>"
                "<Spectrum><StartTime>2002-11-07T18:30:00</StartTime><RealTime>PT360S</RealTime>"
                "<LiveTime>PT353.5S</LiveTime><Calibration Type=\"Energy\"><Equation "
                "Model=\"Polynomial\"><Coefficients>8.5 0.25 1e-6</Coefficients></Equation>"
                "</Calibration><ChannelData>\n 1 2\n 3 </ChannelData></Spectrum></Measurement>"
                "</N42InstrumentData>");
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.outcome.message, "");
  EXPECT_EQ(r.spectrum.a2, 3);
  EXPECT_EQ(r.spectrum.counts[3], 3);
  EXPECT_EQ(r.spectrum.facts.live_time, 353.5);
  EXPECT_EQ(r.spectrum.facts.real_time, 360);
  EXPECT_EQ(r.spectrum.facts.start_date, "2002-11-07 18:30:00");
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{3, 8.5, 0.25, 1e-6}));

  // CSV: a header, quoted fields, errors kept; energies give the calibration.
  r = ReadBytes(dir, "e.csv", "channel,counts,error\n\"3\",10,2.5\n4,20,3\n5,30,4\n");
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a1, 4);
  EXPECT_EQ(r.spectrum.a2, 6);
  EXPECT_EQ(r.spectrum.counts[3], 0);
  EXPECT_EQ(r.spectrum.counts[5], 20);
  EXPECT_EQ(r.spectrum.errors[5], 3);
  EXPECT_TRUE(r.spectrum.facts.errors_from_file);
  r.spectrum.ApplyVarianceFormula(0.01);
  EXPECT_EQ(r.spectrum.errors[5], 3);
  r = ReadBytes(dir, "f.csv", "1.25,10\n1.75,20\n2.25,30\n2.75,40\n");
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a1, 1);
  EXPECT_EQ(r.spectrum.facts.calibration, (StoredEnergyCalibration{2, 1.25, 0.5, 0}));
  r = ReadBytes(dir, "g.csv", "1,10\n2.5,20\n2.75,30\n9,40\n");
  ASSERT_TRUE(r.outcome.ok);
  EXPECT_EQ(r.outcome.message,
            "The energies of the file follow no quadratic in the channel; they are not used");
  EXPECT_EQ(r.spectrum.facts.calibration.terms, 0);

  // The MCA binary: exactly 8192 counts after 128 bytes.
  std::string mca(128 + 4 * 8192, '\0');
  Put(mca, 48, 36000, 4);
  Put(mca, 52, 36500, 4);
  Put(mca, 128 + 4 * 8191, 77, 4);
  r = ReadBytes(dir, "h.mca", mca);
  ASSERT_TRUE(r.outcome.ok) << r.outcome.message;
  EXPECT_EQ(r.spectrum.a2, 8192);
  EXPECT_EQ(r.spectrum.counts[8192], 77);
  EXPECT_EQ(r.spectrum.facts.live_time, 360);

  // A file of another type read afterwards leaves no facts of the standard file behind.
  testing::WriteFile(dir.File("i.txt"), "1 2 3\n");
  r.spectrum.file_name = dir.File("i.txt");
  ASSERT_TRUE(ReadSpectrumFile(r.spectrum, kFreeField, 1, ReadOptions{}).ok);
  EXPECT_EQ(r.spectrum.facts, SpectrumFileFacts{});
}

TEST(StandardFormats, ContentDecidesBeforeTheExtension) {
  EXPECT_EQ(DetectStandardFormat(kSpe, "x.csv"), StandardFormat::kSpe);
  EXPECT_EQ(DetectStandardFormat(Chn(4), "x.spe"), StandardFormat::kChn);
  EXPECT_EQ(DetectStandardFormat(Cnf(4, 4), "x.chn"), StandardFormat::kCnf);
  EXPECT_EQ(DetectStandardFormat("\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", "x"),
            StandardFormat::kN42);
  EXPECT_EQ(DetectStandardFormat("1,2\n", "x.dat"), StandardFormat::kCsv);
  EXPECT_EQ(DetectStandardFormat("1 2\n", "x.CSV"), StandardFormat::kCsv);
  EXPECT_EQ(DetectStandardFormat("1 2\n", "x.txt"), StandardFormat::kNone);
  EXPECT_EQ(DetectStandardFormat(std::string(12, '\0'), "x.Chn"), StandardFormat::kChn);

  testing::TempDir dir;
  const Read r = ReadBytes(dir, "plain.txt", "1 2 3\n");
  EXPECT_FALSE(r.outcome.ok);
  EXPECT_EQ(r.outcome.message,
            dir.File("plain.txt") +
                ": not a spectrum file of a known format; type 5 reads IAEA / ORTEC ASCII SPE, "
                "ORTEC CHN, Canberra CAM / CNF, ANSI N42.42 XML, CSV (channel or energy, counts "
                "[, error]) and the MCA binary (128-byte header, 8192 32-bit counts)");
  EXPECT_TRUE(r.spectrum == Earlier(dir.File("plain.txt")));
}

TEST(StandardFormats, MalformedFilesAreRefusedNamingFileAndProblemWithTheSpectrumKept) {
  testing::TempDir dir;
  // Cut at every line of the SPE file: inside the data, or a section without its values.
  const std::string spe = kSpe;
  std::vector<std::size_t> cuts;
  for (std::size_t at = 0; at <= spe.size(); ++at) {
    if (at == spe.size() || spe[at] == '\n') cuts.push_back(at);
  }
  const std::size_t data_end = spe.find("$ENER_FIT") - 1;  // the line end after the data
  for (std::size_t cut : cuts) {
    SCOPED_TRACE(cut);
    const Read r = ReadBytes(dir, "cut.spe", spe.substr(0, cut));
    const bool inside_cal = cut > spe.find("$MCA_CAL") && cut < spe.size() - 1;
    EXPECT_EQ(r.outcome.ok, cut >= data_end && !inside_cal) << r.outcome.message;
    if (!r.outcome.ok) {
      EXPECT_TRUE(r.spectrum == Earlier(dir.File("cut.spe")));
    }
  }
  // CHN: inside the header, inside the counts, inside the trailer's calibration.
  const std::string chn = Chn(100);
  ExpectCutsRefused(dir, "cut.chn", chn, 32 + 400, {2, 16, 31, 32, 33, 36, 200, 431, 432});
  EXPECT_FALSE(ReadBytes(dir, "cut.chn", chn.substr(0, 432 + 6)).outcome.ok);
  // CNF: the table, the acquisition block, the data block, the counts.
  const std::string cnf = Cnf(64, 64);
  ExpectCutsRefused(
      dir, "cut.cnf", cnf, cnf.size(),
      {0x60, 0x100, 0x300, 0x400, 0x640, 0x9FF, 0xA00, 0xC00, 0xC00 + 255, cnf.size()});

  // Lying lengths: more channels than the file holds is refused, not allocated.
  std::string lying = Chn(10);
  Put(lying, 30, 65535, 2);
  Read r = ReadBytes(dir, "lying.chn", lying);
  EXPECT_EQ(r.outcome.message, dir.File("lying.chn") +
                                   ": ORTEC CHN file, the file ends inside the counts: 65535 "
                                   "channels announced, 138 present");
  r = ReadBytes(dir, "lying.cnf", Cnf(0x80000000u, 64));
  EXPECT_EQ(r.outcome.message, dir.File("lying.cnf") +
                                   ": Canberra CAM / CNF file, the data block announces "
                                   "2147483648 channels, more than the file holds");
  EXPECT_TRUE(r.spectrum == Earlier(dir.File("lying.cnf")));
  r = ReadBytes(dir, "lying.spe", "$SPEC_ID:\n\n$DATA:\n0 2000000000\n1 2 3\n");
  EXPECT_EQ(r.outcome.message, dir.File("lying.spe") +
                                   ": IAEA / ORTEC ASCII SPE file, $DATA: holds 3 of the "
                                   "2000000001 counts it announces");
  r = ReadBytes(dir, "long.spe", "$DATA:\n0 1\n1 2 3\n");
  EXPECT_EQ(r.outcome.message, dir.File("long.spe") +
                                   ": IAEA / ORTEC ASCII SPE file, $DATA: holds more than the 2 "
                                   "counts it announces (line 3)");
  r = ReadBytes(dir, "runs.n42",
                "<N42InstrumentData><Spectrum><ChannelData "
                "compressionCode=\"CountedZeroes\">0 9999999 0 9999999"
                "</ChannelData></Spectrum></N42InstrumentData>");
  EXPECT_EQ(r.outcome.message, dir.File("runs.n42") +
                                   ": N42.42 XML file, ChannelData's runs of zeros reach beyond "
                                   "channel 65536");
  r = ReadBytes(dir, "short.mca", std::string(1000, '\0') + "x");
  EXPECT_EQ(r.outcome.message, dir.File("short.mca") +
                                   ": MCA binary file, the file holds 1001 bytes, not the 128-byte "
                                   "header and 8192 counts (32896 bytes)");

  // An N42 file without a spectrum, and one that is no XML.
  r = ReadBytes(dir, "empty.n42",
                "<?xml version=\"1.0\"?><RadInstrumentData><RadMeasurement><Spectrum>"
                "<LiveTimeDuration>PT1S</LiveTimeDuration></Spectrum></RadMeasurement>"
                "</RadInstrumentData>");
  EXPECT_EQ(r.outcome.message, dir.File("empty.n42") +
                                   ": N42.42 XML file, no spectrum (Spectrum with ChannelData) "
                                   "in the file");
  EXPECT_TRUE(r.spectrum == Earlier(dir.File("empty.n42")));
  r = ReadBytes(dir, "broken.n42", "<?xml version=\"1.0\"?><RadInstrumentData><Spectrum>");
  EXPECT_EQ(
      r.outcome.message.rfind(dir.File("broken.n42") + ": N42.42 XML file, not well-formed XML", 0),
      0u)
      << r.outcome.message;
  r = ReadBytes(dir, "text.n42",
                "<N42InstrumentData><Spectrum><ChannelData>1 2 x3</ChannelData></Spectrum>"
                "</N42InstrumentData>");
  EXPECT_EQ(r.outcome.message,
            dir.File("text.n42") + ": N42.42 XML file, \"x3\" in ChannelData is not a count");

  // CSV: text in a count, a changing number of columns, channels out of step, a second header.
  r = ReadBytes(dir, "text.csv", "channel,counts\n0,5\n1,12a\n2,7\n");
  EXPECT_EQ(r.outcome.message,
            dir.File("text.csv") + ": CSV file, \"12a\" is not a count (line 3)");
  EXPECT_TRUE(r.spectrum == Earlier(dir.File("text.csv")));
  r = ReadBytes(dir, "cols.csv", "0,5\n1,6,2\n");
  EXPECT_EQ(r.outcome.message,
            dir.File("cols.csv") + ": CSV file, the line holds 3 fields, not 2 (line 2)");
  r = ReadBytes(dir, "gap.csv", "0,5\n1,6\n3,7\n");
  EXPECT_EQ(r.outcome.message, dir.File("gap.csv") + ": CSV file, channel 3 does not follow 1");
  r = ReadBytes(dir, "down.csv", "5,5\n4,6\n");
  EXPECT_EQ(r.outcome.message,
            dir.File("down.csv") + ": CSV file, the first column does not rise (line 2)");
  r = ReadBytes(dir, "head.csv", "a,b\n0,1\nc,d\n");
  EXPECT_EQ(r.outcome.message,
            dir.File("head.csv") + ": CSV file, \"c\" is not a channel or an energy (line 3)");
}

TEST(StandardFormats, TheInputDialogOffersTheStandardFormatAsFifthChoice) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("new.Chn"), Chn(200));
  AnalysisState state;
  state.input.spectrum_dir = dir.path().string() + "/";
  testing::ScriptedUi ui;
  ui.AnswerFile(dir.File("new.Chn")).AnswerDialog([](DialogContent& dialog) {
    ASSERT_EQ(dialog.choice_lists[0].items.size(), 5u);
    EXPECT_EQ(dialog.choice_lists[0].items[4], " Standard format (detected)");
    dialog.choice_lists[0].selected = 4;
  });
  InputTheSpectrum(SpectrumInputOf(state), ui);
  EXPECT_EQ(state.view.dialog_ok, 1);
  EXPECT_EQ(state.spectrum.file_type, kStandard);
  EXPECT_EQ(state.spectrum.a2, 200);
  EXPECT_EQ(state.spectrum.counts[200], 1991);
  EXPECT_EQ(state.spectrum.facts.live_time, 100);
}

}  // namespace
}  // namespace pektra
