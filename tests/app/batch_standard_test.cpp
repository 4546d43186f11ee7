// pektra-batch with a standard spectrum file: the type taken from the content, the file's energy
// calibration, the live time and date in the summary table, and the CSV and JSON results read
// back with the numbers of the summary table.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/batch.h"
#include "spectrum/synthetic_spectrum.h"
#include "support/batch_run.h"
#include "support/test_files.h"

namespace pektra {
namespace {

std::string Spe() {
  SyntheticSpec recipe;
  recipe.channels = 2048;
  recipe.seed = 5;
  recipe.background = {300, 800, 30};
  for (const double c : {300.0, 700.0, 1100.0, 1500.0}) recipe.peaks.push_back({c, 20000, 4});
  const std::vector<double> counts = GenerateCounts(recipe);
  std::string text =
      "$SPEC_ID:\nsynthetic\n$DATE_MEA:\n03/04/2021 05:06:07\n$MEAS_TIM:\n1000 1010\n$DATA:\n0 " +
      std::to_string(counts.size() - 1) + "\n";
  for (const double c : counts) text += std::to_string(static_cast<long>(c)) + "\n";
  return text + "$MCA_CAL:\n2\n1.5 0.5 keV\n";
}

const char* const kInit =
    ".......Set the Analysis Bounds\n       2    2047\n"
    ".......Enter the Width Information\n    4.000   4.0000    1.000\n"
    ".......Mark the Spectrum\n    0    1.00   -1.00    0\n"
    ".......STOP\n";

using testing::Batch;
using testing::BatchRun;

// The peaks of a summary table as printed: the two lines of numbers of each.
struct PrintedPeak {
  std::vector<double> first, second;
};
std::vector<PrintedPeak> PrintedPeaks(const std::string& summary) {
  std::vector<PrintedPeak> peaks;
  std::istringstream in(summary.substr(summary.find("   Channel  Energy")));
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  while (std::getline(in, line)) {
    PrintedPeak p;
    std::istringstream first(line);
    for (double v = 0; first >> v;) p.first.push_back(v);
    if (!std::getline(in, line)) break;
    std::istringstream second(line);
    for (double v = 0; second >> v;) p.second.push_back(v);
    std::getline(in, line);  // the empty line
    peaks.push_back(p);
  }
  return peaks;
}

// A CSV line split at commas (the numbers need no quoting).
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ',')
      fields.emplace_back();
    else if (c != '\r')
      fields.back() += c;
  }
  return fields;
}

// A locale that writes decimal commas: the result files must not follow it.
struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(BatchStandardFormat, ResultsForOtherProgramsGiveTheSummaryTablesNumbers) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  testing::WriteFile(dir.File("s.spe"), Spe());
  const std::locale before =
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  const BatchRun run =
      Batch({"--init", dir.File("pektra.ini"), "--csv", "--json", dir.File("s.spe")});
  std::locale::global(before);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("s.spe: type 5 (IAEA / ORTEC ASCII SPE) taken from the content"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("s.spe: Energy calibration of the file in force: E = 1.5 + 0.5 i "
                         "(i = channel - 1)"),
            std::string::npos)
      << run.err;

  const std::string summary = testing::ReadFile(dir.File("sspe.res"));
  EXPECT_NE(summary.find("File             = " + dir.File("s.spe") +
                         "\n                    Live time        = 1000 s\n"
                         "                    Start date       = 2021-03-04 05:06:07\n"),
            std::string::npos)
      << summary;
  const std::vector<PrintedPeak> printed = PrintedPeaks(summary);
  ASSERT_EQ(printed.size(), 4u) << summary;

  // CSV: a header row, then one row per peak; dot decimals.
  std::istringstream csv(testing::ReadFile(dir.File("sspe.csv")));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line,
            "channel,dchannel,energy,denergy,area,darea,intensity,dintensity,width,dwidth,crit,"
            "flags\r");
  std::vector<std::vector<double>> rows;
  while (std::getline(csv, line)) {
    const std::vector<std::string> fields = CsvFields(line);
    ASSERT_EQ(fields.size(), 12u) << line;
    std::vector<double> row;
    for (std::size_t k = 0; k < 11; ++k) {
      std::size_t used = 0;
      row.push_back(std::stod(fields[k], &used));
      EXPECT_EQ(used, fields[k].size()) << fields[k];
    }
    rows.push_back(row);
  }
  const nlohmann::json json = nlohmann::json::parse(testing::ReadFile(dir.File("sspe.json")));
  ASSERT_EQ(rows.size(), printed.size());
  ASSERT_EQ(json["peaks"].size(), printed.size());
  EXPECT_EQ(json["program"], "pektra");
  EXPECT_FALSE(json["version"].get<std::string>().empty());
  EXPECT_EQ(json["spectrum"]["live_time"], 1000);
  EXPECT_EQ(json["spectrum"]["type"], 5);
  EXPECT_EQ(json["calibration"]["energy"]["mode"], "linear");

  // The summary prints channel, energy, area, intensity, width (2, 2, 0, 0, 2 decimals) and the
  // criterion (2), their errors below them.
  const char* const names[] = {"channel",   "dchannel",   "energy", "denergy", "area", "darea",
                               "intensity", "dintensity", "width",  "dwidth",  "crit"};
  for (std::size_t k = 0; k < printed.size(); ++k) {
    SCOPED_TRACE(k);
    const PrintedPeak& p = printed[k];
    const double shown[] = {p.first[0], p.second[0], p.first[1], p.second[1],
                            p.first[2], p.second[2], p.first[3], p.second[3],
                            p.first[4], p.second[4], p.first[6]};
    const double half_unit[] = {0.005, 0.005, 0.005, 0.005, 0.5,  0.5,
                                0.5,   0.5,   0.005, 0.005, 0.005};
    for (std::size_t c = 0; c < 11; ++c) {
      EXPECT_NEAR(rows[k][c], shown[c], half_unit[c] * 1.0001) << names[c];
      EXPECT_EQ(json["peaks"][k][names[c]].get<double>(), rows[k][c]) << names[c];
    }
    EXPECT_NEAR(rows[k][2], 1.5 + 0.5 * (rows[k][0] - 1), 1e-9);  // the file's calibration
  }
}

TEST(BatchStandardFormat, ACalibrationInForceWinsAndTheFilesIsNamedAsIgnored) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  testing::WriteFile(dir.File("s.spe"), Spe());
  testing::WriteFile(dir.File("energy.cal"), "300 100 0.1\n1500 700 0.1\n");
  const BatchRun run = Batch(
      {"--init", dir.File("pektra.ini"), "--energy", dir.File("energy.cal"), dir.File("s.spe")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("s.spe: The energy calibration of the file was ignored, the init file's "
                         "is in force: E = 1.5 + 0.5 i (i = channel - 1)"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("sspe.csv")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("sspe.json")));
}

TEST(BatchStandardFormat, StandardFilesAreType5ByDefaultAndTheOtherTypesStayAsTheyWere) {
  testing::TempDir dir;
  // The init file names type 3; a standard file with a known extension is still read as such.
  testing::WriteFile(dir.File("type3.ini"), std::string(".......Input the Spectrum\n 1 2048 3 0 0\n"
                                                        "x.txt\n") +
                                                kInit);
  testing::WriteFile(dir.File("pektra.ini"), kInit);
  const std::string spe = Spe();
  testing::WriteFile(dir.File("s.spe"), spe);
  BatchRun run = Batch({"--init", dir.File("type3.ini"), dir.File("s.spe")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("s.spe: type 5 (IAEA / ORTEC ASCII SPE) taken from the content"),
            std::string::npos)
      << run.err;

  // --type wins over everything: the SPE text read as type 3 is refused inside its data.
  run = Batch({"--init", dir.File("pektra.ini"), "--type", "3", dir.File("s.spe")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("type 5"), std::string::npos) << run.err;

  // Comma-separated X, Y in a .txt file stays type 4 from the content; named .csv it is type 5.
  std::string columns;
  const std::size_t data = spe.find("$DATA:\n0 2047\n") + 14;
  std::istringstream counts(spe.substr(data, spe.find("$MCA_CAL") - data));
  long count = 0;
  for (int x = 1; counts >> count; ++x)
    columns += std::to_string(x) + ", " + std::to_string(count) + "\n";
  testing::WriteFile(dir.File("xy.txt"), columns);
  testing::WriteFile(dir.File("xy.csv"), columns);
  run = Batch({"--init", dir.File("pektra.ini"), dir.File("xy.txt"), dir.File("xy.csv")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("xy.txt: type 4 (ASCII lines of X, Y) taken from the content"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("xy.csv: type 5 (CSV) taken from the content"), std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace pektra
