#include "report/result_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <iterator>
#include <sstream>
#include <system_error>
#include <vector>

#include "calib/calibration.h"
#include "core/dialog.h"
#include "core/file_names.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/user_interface.h"
#include "model/peak_model.h"
#include "report/name_list.h"
#include "report/result_export.h"

namespace pektra {

namespace {

const std::string kHeaderIndent(20, ' ');
const char* const kCsvBesideItem = " CSV file beside it (NAME.csv)";

// Rows in use, within the table's capacity.
int RowsInUse(const ReportContext& ctx) {
  return std::clamp(ctx.results.result_count, 0, kResultCapacity);
}

std::string PadLeft(std::string text, int width) {
  if (width > 0 && static_cast<std::size_t>(width) > text.size()) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

// A number that fills or overflows its field gets one blank in front, so that it never runs
// into the field before it: the file keeps every digit and stays readable column by column.
std::string Separated(std::string text, int width) {
  if (width > 0 && text.size() >= static_cast<std::size_t>(width)) text.insert(0, 1, ' ');
  return PadLeft(std::move(text), width);
}

// x with exactly `decimals` decimals, right-justified in `width` characters and wider when the
// number needs it (a file keeps every digit; the display's FormatFixed writes asterisks instead).
// to_chars never looks at the locale.
std::string Field(double x, int width, int decimals) {
  char buffer[400];
  const auto result = std::to_chars(std::begin(buffer), std::end(buffer), x == 0.0 ? 0.0 : x,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return PadLeft("*", width);  // beyond any real value
  return Separated(std::string(buffer, result.ptr), width);
}

std::string Field(int n, int width) { return Separated(std::to_string(n), width); }

// The letters of a flagged row after two blanks, at the end of its first line; nothing for a row
// without flags, whose lines stay as they always were.
std::string FlagField(const RowFlags& flags) {
  return flags.Any() ? "  " + flags.Letters() : std::string();
}

// --- Display ------------------------------------------------------------------------------------

std::vector<std::string> ResultLines(const ReportContext& ctx, int rows) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(3 * rows));
  for (int i = 1; i <= rows; ++i) {
    const ResultRow& r = ctx.results.result_rows[i];
    const ConvertedPeak p = ConvertPeak(ctx.calibrations(), r[0], r[1], r[2], r[3]);
    lines.push_back(" Peak" + FormatFixed(4, 0, i) + "  " + FormatFixed(8, 2, r[0]) +
                    FormatFixed(8, 2, p.energy) + FormatFixed(8, 0, r[2]) +
                    FormatFixed(10, 0, p.intensity) + FormatFixed(8, 2, r[4]) +
                    FormatFixed(9, 2, r[6]));
    lines.push_back(" Errors    " + FormatFixed(8, 2, r[1]) + FormatFixed(8, 2, p.energy_error) +
                    FormatFixed(8, 0, r[3]) + FormatFixed(10, 0, p.intensity_error) +
                    FormatFixed(8, 2, r[5]) + FormatFixed(9, 2, r[7]));
    lines.push_back(" ");
  }
  return lines;
}

// --- Summary file -------------------------------------------------------------------------------

// The normalisation peak: its area Ak = max(area, 1) and area error dAk = max(error, 0.1).
struct NormalisationPeak {
  double area = 1.0, area_error = 0.1;
};

// The row whose channel is nearest to `channel`; among equal distances the last row wins.
NormalisationPeak NearestPeak(const ReportContext& ctx, int rows, double channel) {
  double best = 1e15;
  int k = 0;
  for (int i = 1; i <= rows; ++i) {
    if (!RowInUse(ctx.results, i)) continue;
    const double distance = std::fabs(ctx.results.result_rows[i][0] - channel);
    if (distance <= best) {
      best = distance;
      k = i;
    }
  }
  NormalisationPeak peak;
  if (k > 0) {
    peak.area = std::max(ctx.results.result_rows[k][2], 1.0);
    peak.area_error = std::max(ctx.results.result_rows[k][3], 0.1);
  }
  return peak;
}

std::string LocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  // Only numeric conversions: the text does not depend on the locale.
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, length);
}

// Only when an efficiency calibration is applied, so that a table without one stays as it was:
// the reader learns that the intensities are areas divided by the efficiency.
void WriteEfficiencyHeader(std::ostream& out, const ReportContext& ctx) {
  if (!ctx.efc.efc_present) return;
  out << kHeaderIndent << "Efficiency calibration, " << ctx.efc.efc_count << " items." << '\n';
}

}  // namespace

void ShowResultTable(const ReportContext& ctx, UserInterface& ui) {
  if (ctx.results.result_count <= 0) {
    ui.ShowNote(" No fitted peaks");
    return;
  }
  DialogContent dialog = OpenDialogForm(std::string(16, ' ') + "Result Table", 100, 550, 430,
                                        /*with_save=*/true);
  dialog.help_lines = HelpLines(HelpTopic::kCriterion, ctx.display.rus_help);
  ShowLabel(dialog, 0, 110, 5, "Channel  Energy       Area      Intensity      Width    Crit/Bckg",
            colors::kWhite, colors::kGreen)
      .column_heading = true;
  const int shown_rows = std::min(RowsInUse(ctx), kShownResultRows);
  DialogListBox& list = ShowListBox(dialog, 10, 25, 530, 340, ResultLines(ctx, shown_rows));
  // The window shows the same numbers as a table, one row per peak with its errors beside the
  // values; the table's own header replaces the label above the list.
  list.columns = {"Peak",   "Channel",   "dChannel",  "Energy",     "dEnergy",
                  "Area",   "dArea",     "Intensity", "dIntensity", "Width",
                  "dWidth", "Crit/Bckg", "dCrit/Bckg"};
  for (int i = 1; i <= shown_rows; ++i) {
    const ResultRow& r = ctx.results.result_rows[i];
    const ConvertedPeak p = ConvertPeak(ctx.calibrations(), r[0], r[1], r[2], r[3]);
    // The numbers as the lines show them, without their padding.
    auto cell = [](int width, int decimals, double x) {
      const std::string text = FormatFixed(width, decimals, x);
      return text.substr(std::min(text.find_first_not_of(' '), text.size()));
    };
    const std::string cells[] = {
        std::to_string(i),    cell(8, 2, r[0]),           cell(8, 2, r[1]),
        cell(8, 2, p.energy), cell(8, 2, p.energy_error), cell(8, 0, r[2]),
        cell(8, 0, r[3]),     cell(10, 0, p.intensity),   cell(10, 0, p.intensity_error),
        cell(8, 2, r[4]),     cell(8, 2, r[5]),           cell(9, 2, r[6]),
        cell(9, 2, r[7])};
    list.rows.emplace_back(std::begin(cells), std::end(cells));
  }
  dialog.labels[0].visible = false;
  dialog.on_save = [log = ctx.debug_log](const DialogContent& shown) {
    log->WriteLine("   " + shown.title);
    for (const std::string& line : shown.list_box.lines) log->WriteLine(line);
    log->Flush();
  };

  ui.ShowDialog(dialog);
  if (dialog.saved) {
    // The debug log is no result file (the next start moves it aside): the results stay unsaved,
    // so that Exit and a new spectrum still ask before they are lost.
    ctx.view.status_text = {std::string("Table appended to the debug log ") + kDebugLogName,
                            ctx.results.results_unsaved ? "Results not saved yet" : ""};
  } else {
    ctx.view.status_text = {"", ""};
  }
}

std::string ProposedSummaryName(const std::string& spectrum_file) {
  std::string name = FileNamePart(spectrum_file);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot, 1);
  return DirectoryPart(spectrum_file) + name + ".res";
}

void WriteSummaryTable(std::ostream& out, const ReportContext& ctx, double ncoef,
                       const std::string& date_time) {
  const int in_use = RowsInUse(ctx.results);
  if (in_use <= 0) return;
  const int rows = RowsInUse(ctx);
  const bool by_peak = !ctx.results.norm_by_coefficient;
  const NormalisationPeak norm = by_peak ? NearestPeak(ctx, rows, ncoef) : NormalisationPeak{};
  const TSpectrum& spectrum = ctx.spectrum;

  out << kHeaderIndent << "SUMMARY TABLE.  " << date_time << '\n';
  out << '\n';
  out << kHeaderIndent << "File             = " << spectrum.file_name << '\n';
  // What a standard spectrum file tells of the measurement; nothing for the other types.
  if (spectrum.facts.live_time > 0) {
    out << kHeaderIndent << "Live time        = " << FormatShortest(spectrum.facts.live_time)
        << " s\n";
  }
  if (!spectrum.facts.start_date.empty()) {
    out << kHeaderIndent << "Start date       = " << spectrum.facts.start_date << '\n';
  }
  out << kHeaderIndent << "Number of peaks  = " << Field(in_use, 3)
      << "  Peak model type  = " << ModelTypeName(ctx.peak_model.model_type) << '\n';
  if (by_peak) {
    out << kHeaderIndent << "Peak_norm, chan. = " << Field(norm.area, 12, 1) << Field(ncoef, 8, 2)
        << '\n';
  } else {
    out << kHeaderIndent << "Ncoef = " << Field(ncoef, 8, 2) << '\n';
  }
  out << kHeaderIndent << "Sens, Res = " << Field(ctx.marking.sens, 8, 3)
      << Field(ctx.marking.resol, 8, 2) << '\n';
  out << kHeaderIndent << "Spectrum interval= " << Field(spectrum.b1, 7) << Field(spectrum.b2, 7)
      << '\n';
  out << kHeaderIndent << "Widths           = " << Field(spectrum.w1, 8, 3)
      << Field(spectrum.w2, 8, 3) << '\n';
  if (ctx.enc.enc_present) {
    const int items = std::clamp(ctx.enc.enc_count, 0, kMaxCalibrationItems);
    out << kHeaderIndent << "Energy calibration, " << ctx.enc.enc_count << " items." << '\n';
    for (int i = 1; i <= items; ++i) out << Field(ctx.enc.enc_points[i][1], 8, 2);
    out << '\n';
    for (int i = 1; i <= items; ++i) out << Field(ctx.enc.enc_points[i][0], 8, 2);
    out << '\n';
  }
  WriteEfficiencyHeader(out, ctx);
  out << '\n';
  out << "   Channel  Energy     Area     Intensity    Width   Norm.area Crit/Back\n";
  out << '\n';

  for (int i = 1; i <= rows; ++i) {
    if (!RowInUse(ctx.results, i)) continue;  // a peak not fitted, or a row of earlier results
    const ResultRow& r = ctx.results.result_rows[i];
    const ConvertedPeak p = ConvertPeak(ctx.calibrations(), r[0], r[1], r[2], r[3]);
    const double intensity = ctx.results.lim_format ? r[7] : p.intensity;
    double norm_area = 0.0, norm_error = 0.0;
    if (by_peak) {
      const double a = norm.area, da = norm.area_error;
      norm_area = r[2] / a * 100.0;
      const double from_area = r[3] / a, from_norm = r[2] * da / (a * a);
      norm_error = 100.0 * std::sqrt(from_area * from_area + from_norm * from_norm);
    } else {
      norm_area = r[2] / ncoef;
      norm_error = r[3] / ncoef;
    }
    const int d = norm_area < 0.01 ? 3 : 2;
    out << Field(r[0], 9, 2) << Field(p.energy, 9, 2) << Field(r[2], 9, 0)
        << Field(intensity, 14, 0) << Field(r[4], 9, 2) << Field(norm_area, 12, d)
        << Field(r[6], 10, 2) << FlagField(ctx.results.row_status[i].flags) << '\n';
    out << Field(r[1], 9, 2) << Field(p.energy_error, 9, 2) << Field(r[3], 9, 0)
        << Field(p.intensity_error, 14, 0) << Field(r[5], 9, 2) << Field(norm_error, 12, d)
        << Field(r[7], 10, 2) << '\n';
    out << '\n';
  }
}

bool WriteSummaryTableFile(const std::string& file_name, const ReportContext& ctx, double ncoef,
                           std::string* why) {
  if (RowsInUse(ctx.results) > 0) {
    // Written into memory first: ConvertPeak needs the state, and the file writer gets bytes only.
    std::ostringstream text;
    WriteSummaryTable(text, ctx, ncoef, LocalDateTime());
    const std::string bytes = text.str();
    if (!WriteFileAtomically(
            file_name, [&bytes](std::ostream& out) { out << bytes; }, why)) {
      return false;
    }
  }
  ctx.results.results_unsaved = false;
  return true;
}

void SaveSummaryTable(const ReportContext& ctx, UserInterface& ui) {
  const std::string title = "Save the Summary Table";
  DialogContent dialog = OpenDialogForm(title, 250, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kSaving, ctx.display.rus_help);
  ShowLabel(dialog, 0, 20, 40,
            "Saving " + std::to_string(RowsInUse(ctx.results)) + " " +
                FileNamePart(ctx.spectrum.file_name) + " peaks analyzed",
            colors::kWhite, colors::kGreen);
  ShowCheckList(dialog, 40, 120, 200, 44, {" LIM format for res-file", kCsvBesideItem},
                {false, false});

  ui.ShowDialog(dialog);
  if (!dialog.ok) {
    ctx.view.dialog_ok = 0;
    return;
  }
  const bool lim = !dialog.check_list.checked.empty() && dialog.check_list.checked[0];
  const bool csv = dialog.check_list.checked.size() > 1 && dialog.check_list.checked[1];

  const std::string proposed = ProposedSummaryName(ctx.spectrum.file_name);
  const auto chosen =
      ui.AskSaveFile({title, DirectoryPart(ctx.spectrum.file_name), FileNamePart(proposed)});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) {
    ctx.view.dialog_ok = 0;
    return;
  }

  // The option belongs to this save only if the file is written.
  const bool old_lim = ctx.results.lim_format;
  ctx.results.lim_format = lim;
  std::string why;
  if (!WriteSummaryTableFile(*chosen, ctx, ctx.results.norm_coefficient, &why)) {
    ctx.results.lim_format = old_lim;
    ui.ShowNote("Error, the file " + *chosen + " could not be written: " + why);
    return;
  }
  if (csv) {
    // The rows for other programs, beside the summary file: NAME.res gives NAME.csv.
    // An existing file of that name is replaced only when the user agrees.
    const std::string csv_file = ResultsPathBeside(*chosen, "csv");
    if (ui.ConfirmOverwrite(csv_file) && !WriteResultsCsvFile(csv_file, ctx, &why)) {
      ui.ShowNote("Error, the file " + csv_file + " could not be written: " + why);
    }
  }
  ctx.view.dialog_ok = 1;
  ctx.results.result_count = 0;
  ctx.results.result_offset = 0;
  RemoveSavedName(ctx.files, ctx.spectrum.file_name);
}

}  // namespace pektra
