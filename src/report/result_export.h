// The fit results for other programs: one row per peak as CSV (RFC 4180, a header row, dot
// decimals whatever the locale) and as JSON with the spectrum, the calibrations, the settings and
// the program version. The numbers are those of the summary table, at full precision.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "report/report_context.h"

namespace pektra {

inline constexpr const char* kResultsCsvHeader =
    "channel,dchannel,energy,denergy,area,darea,intensity,dintensity,width,dwidth,crit,flags";

struct ExportedPeak {
  double channel = 0, dchannel = 0, energy = 0, denergy = 0, area = 0, darea = 0, intensity = 0,
         dintensity = 0, width = 0, dwidth = 0, crit = 0;
  std::string flags;  // the summary table's letters, "" for a row without flags
};

// The rows the summary table writes, in its order and with its values.
std::vector<ExportedPeak> ExportedPeaks(const ReportContext& ctx);
// NAME.csv / NAME.json beside the summary file NAME.res (any other name gets the extension added).
std::string ResultsPathBeside(const std::string& summary_file, const std::string& extension);

void WriteResultsCsv(std::ostream& out, const std::vector<ExportedPeak>& peaks);
// The JSON text (two-space indentation).
std::string ResultsJson(const ReportContext& ctx, const std::vector<ExportedPeak>& peaks);

// The files, written whole or not at all; false with `why` when they could not be written.
bool WriteResultsCsvFile(const std::string& file_name, const ReportContext& ctx, std::string* why);
bool WriteResultsJsonFile(const std::string& file_name, const ReportContext& ctx, std::string* why);

}  // namespace pektra
