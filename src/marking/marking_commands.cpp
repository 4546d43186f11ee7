#include "marking/marking_commands.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/file_names.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/result_rows.h"
#include "core/safe_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "marking/marking.h"
#include "marking/marking_data.h"
#include "marking/peak_search.h"
#include "numeric/peak_probe.h"

namespace pektra {

namespace {

constexpr const char* kListTitle = "Enter the energy list for marking";
constexpr const char* kNoCalibration =
    "Warning, no previous calibration; energies treated as channels";

std::string F(int width, int decimals, double x) { return FormatFixed(width, decimals, x); }

std::string WithoutBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// Appends the numbers of one marking data line; false when they would exceed the 200 values.
bool AppendMarkingLine(std::string_view line, std::vector<double>& numbers,
                       std::vector<double>& values) {
  const std::size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos || line[start] == '*') return true;
  ParseNumbers(line.substr(start), numbers);
  for (const double v : numbers) {
    if (values.size() >= static_cast<std::size_t>(kMaxMarkingInput)) return false;
    values.push_back(v);
  }
  return true;
}

// Puts `values` in place of the marking data and builds the marking from them, through the
// marking command of mode 1 or the plain conversion. A refused array leaves the marking data, the
// marking and mark_mode as they were. Returns whether the marking was built.
bool InstallMarkingArray(const MarkingContext& ctx, UserInterface& ui,
                         const std::vector<double>& values, bool through_marking_command) {
  const OneBasedArray<double> old_data = ctx.marking.marking_data;
  const int old_length = ctx.marking.marking_length;
  const MarkMode old_mode = ctx.marking.mark_mode;
  const int length = static_cast<int>(values.size());
  for (int i = 1; i <= length; ++i)
    ctx.marking.marking_data[i] = values[static_cast<std::size_t>(i - 1)];
  ctx.marking.marking_length = length;
  bool built;
  if (through_marking_command) {
    ctx.marking.mark_mode = MarkMode::kMarkingData;
    MarkSpectrum(ctx, ui);
    built = ctx.view.dialog_ok != 0;
  } else {
    built = ConvertMarkingData(ctx, ui);
  }
  if (!built) {
    ctx.marking.marking_data = old_data;
    ctx.marking.marking_length = old_length;
    ctx.marking.mark_mode = old_mode;
  }
  return built;
}

void ShowMemo(DialogContent& dialog, std::string text) {
  pektra::ShowMemo(dialog, 5, 310, std::move(text));
}

void ShowList(DialogContent& dialog, std::vector<std::string> lines) {
  if (lines.size() > static_cast<std::size_t>(kMaxListLines)) lines.resize(kMaxListLines);
  ShowListBox(dialog, 10, 10, 300, 350, std::move(lines));
}

// The peaks of an interval record that really are in peak_list.
int FirstPeak(const IntervalRecord& r) { return std::max(r.first_peak, 1); }
int LastPeak(const MarkingContext& ctx, const IntervalRecord& r) {
  return std::min({r.last_peak, ctx.marking.peak_count, ctx.marking.peak_list.capacity()});
}

bool HoldsListed(const IntervalRecord& r, const OneBasedArray<double>& list, int count) {
  for (int i = 1; i <= count; ++i) {
    if (!std::isfinite(list[i])) continue;
    const int c = RoundToInt(list[i]);
    if (c >= r.left && c <= r.right) return true;
  }
  return false;
}

// An interval of a marking data array: its bounds (channels) and peaks.
struct ArrayInterval {
  double left = 0.0, right = 0.0;
  std::vector<double> peaks;
};

// The intervals of marking_data, the bounds paired as they come.
std::vector<ArrayInterval> SplitMarkingData(const MarkingContext& ctx) {
  std::vector<ArrayInterval> intervals;
  bool open = false;
  const int length = std::clamp(ctx.marking.marking_length, 0, ctx.marking.marking_data.capacity());
  for (int i = 1; i <= length; ++i) {
    const double v = ctx.marking.marking_data[i];
    if (v < 0.0) {
      if (!open) {
        intervals.push_back({-v, -v, {}});
      } else {
        intervals.back().right = -v;
      }
      open = !open;
    } else if (open) {
      intervals.back().peaks.push_back(v);
    }
  }
  if (open) intervals.pop_back();  // a left bound without its right one
  return intervals;
}

// Probes a listed channel that no interval holds, lists it and stores it as a result row.
void ReportOnePeak(const MarkingContext& ctx, UserInterface& ui, double channel,
                   std::vector<std::string>& lines) {
  const TSpectrum& sp = ctx.spectrum;
  const PeakProbe probe = ProbePeak(ctx.work, sp.counts, sp.a2, channel);
  const double area = probe.net_sum;
  const double error = std::sqrt(std::fabs(area));
  const double energy = ConvertPeak(ctx.calibrations(), probe.position, 0.0, 0.0, 0.0).energy;
  lines.push_back("Peak " + WithoutBlanks(F(8, 2, probe.position)) + " not found" +
                  "   Energy=" + WithoutBlanks(F(8, 2, energy)));
  lines.push_back("     Area estimate= " + WithoutBlanks(F(12, 1, area)) + " +- " +
                  WithoutBlanks(F(12, 1, error)));
  // The background under the peak is taken over two widths, where a Gaussian has 98% of its area.
  const double background = probe.background * 2.0 * probe.width;
  const double total = area + background;
  const double crit =
      (total - background) / std::sqrt(std::fabs(total) + std::fabs(background) + 1.0);
  const ResultRow row{probe.position, 0.0, area, error, probe.width, 0.0, crit, background};
  StoreResultRow(ctx.results, ui, ctx.results.result_count + 1, row);
}

}  // namespace

Outcome ReadMarkingValues(std::istream& in, std::vector<double>& values) {
  values.clear();
  std::string line;
  std::vector<double> numbers;
  while (ReadWholeLine(in, line)) {
    if (!AppendMarkingLine(line, numbers, values)) return Outcome::Failure(kTooManyMarkingPoints);
  }
  return Outcome::Success();
}

Outcome ReadMarkingValues(const std::string& file_name, std::vector<double>& values) {
  std::ifstream in(file_name, std::ios::binary);
  return in ? ReadMarkingValues(in, values) : Outcome::Failure("No file " + file_name);
}

std::string MarkingEditorText(const MarkingContext& ctx) {
  std::string text;
  const int count =
      std::clamp(ctx.marking.interval_count, 0, ctx.marking.interval_table.capacity());
  for (int k = 1; k <= count; ++k) {
    const IntervalRecord& r = ctx.marking.interval_table[k];
    text += F(10, 0, -r.left) + " " + F(8, 0, -r.right) + "\n";
    for (int j = FirstPeak(r); j <= LastPeak(ctx, r); ++j) {
      text += F(8, 1, ctx.marking.peak_list[j]) + "\n";
    }
  }
  return text;
}

std::vector<double> RebuildMarkingArray(const std::vector<double>& edited) {
  std::vector<double> array;
  std::size_t i = 0;
  while (i < edited.size()) {
    const double left = std::nearbyint(std::fabs(edited[i++]));
    array.push_back(-left);
    if (i >= edited.size()) break;
    const double right = std::nearbyint(std::fabs(edited[i++]));
    while (i < edited.size() && edited[i] > 0.0) array.push_back(edited[i++]);
    array.push_back(-right);
  }
  return array;
}

void ReadMarkingData(const MarkingContext& ctx, UserInterface& ui) {
  const auto chosen =
      ui.AskOpenFile({"Enter the marking data file", DirectoryPart(ctx.files.mark_file),
                      FileNamePart(ctx.files.mark_file)});
  if (!chosen) return;
  std::vector<double> values;
  const Outcome read = ReadMarkingValues(*chosen, values);
  if (!read.ok) {
    ui.ShowNote(read.message);
    ctx.view.dialog_ok = 0;
    return;
  }
  if (!InstallMarkingArray(ctx, ui, values, /*through_marking_command=*/true)) return;
  ctx.files.mark_file = *chosen;
  ctx.view.status_text = {std::to_string(ctx.marking.marking_length) + " items input.", ""};
}

void EditMarkingData(const MarkingContext& ctx, UserInterface& ui) {
  DialogContent editor = OpenDialogForm("Check and edit marking data");
  editor.help_lines = HelpLines(HelpTopic::kMarkingDataFormat, ctx.display.rus_help);
  ShowMemo(editor, MarkingEditorText(ctx));
  ui.ShowDialog(editor);
  if (!editor.ok) return;
  std::vector<double> values, numbers;
  TextLines lines(editor.memo.text);
  std::string_view line;
  while (lines.NextLine(line)) {
    if (!AppendMarkingLine(line, numbers, values)) {
      ui.ShowNote(kTooManyMarkingPoints);
      ctx.view.dialog_ok = 0;
      return;
    }
  }
  if (!InstallMarkingArray(ctx, ui, RebuildMarkingArray(values), false)) return;
  ctx.view.status_text = {std::to_string(ctx.marking.marking_length) + " items edited.", ""};
}

void ShowMarking(const MarkingContext& ctx, UserInterface& ui) {
  const int count = std::min(ctx.marking.interval_count, ctx.marking.interval_table.capacity());
  if (count <= 0) {
    ui.ShowNote("No marked intervals");
    return;
  }
  std::vector<std::string> lines;
  for (int k = 1; k <= count; ++k) {
    const IntervalRecord& r = ctx.marking.interval_table[k];
    const int first = FirstPeak(r), last = LastPeak(ctx, r);
    lines.push_back(F(10, 0, -r.left) + " " + F(8, 0, -r.right) + "  " +
                    std::to_string(std::max(last - first + 1, 0)) + " peak(s)");
    for (int j = first; j <= last; ++j) {
      const double channel = ctx.marking.peak_list[j];
      const double energy = ConvertPeak(ctx.calibrations(), channel, 0.0, 0.0, 0.0).energy;
      lines.push_back(F(8, 1, channel) + "   " + "( E= " + F(8, 1, energy) + ")");
    }
  }
  DialogContent dialog =
      OpenDialogForm("Marking data    " + std::to_string(count) + " intervals    " +
                         std::to_string(ctx.marking.peak_count) + " peaks ",
                     250, 330, 430, /*with_save=*/true);
  dialog.help_lines = HelpLines(HelpTopic::kMarkingDataFormat, ctx.display.rus_help);
  ShowList(dialog, std::move(lines));
  dialog.on_save = [log = ctx.debug_log](const DialogContent& shown) {
    log->WriteLine("   " + shown.title);
    for (const std::string& line : shown.list_box.lines) log->WriteLine(line);
    log->Flush();
  };
  ui.ShowDialog(dialog);
}

void WriteMarkingInfo(std::ostream& out, const MarkingContext& ctx) {
  const TSpectrum& sp = ctx.spectrum;
  out << '*' << std::string(20, ' ') << "Marking information\n";
  out << '\n';
  out << "* Spectrum interval = " << F(7, 0, sp.b1) << F(7, 0, sp.b2) << '\n';
  out << "* W0, W1, dW        = " << F(9, 2, sp.w1) << F(9, 2, sp.w2) << F(9, 2, sp.delta_w)
      << '\n';
  out << "* Background degree = " << F(9, 0, sp.dback) << '\n';
  out << "* Maximum interval  = " << F(9, 0, ctx.marking.max_interval) << '\n';
  out << "* Sensitivity       = " << F(12, 5, ctx.marking.sens) << '\n';
  out << "* Resolution        = " << F(9, 2, ctx.marking.resol) << '\n';
  out << "* kWidth, adInterv  = " << F(9, 1, ctx.marking.k_width) << F(9, 1, ctx.marking.ad_interv)
      << '\n';
}

void SaveMarkingInfo(const MarkingContext& ctx, UserInterface& ui) {
  const auto chosen = ui.AskSaveFile({"Save Marking Info", ctx.files.work_dir, "mark.res"});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) return;
  std::string why;
  if (!WriteFileAtomically(
          *chosen, [&](std::ostream& out) { WriteMarkingInfo(out, ctx); }, &why)) {
    ui.ShowNote("Error, the file " + *chosen + " could not be written: " + why);
  }
}

std::vector<double> ReadTypedEnergies(std::string_view text) {
  std::vector<double> energies, numbers;
  TextLines lines(text);
  std::string_view line;
  while (lines.NextLine(line)) {
    ParseNumbers(WithoutBlanks(std::string(line)), numbers);
    for (const double v : numbers) {
      if (energies.size() >= static_cast<std::size_t>(kMaxMarkList)) return energies;
      energies.push_back(v);
    }
  }
  return energies;
}

int ReadEnergyList(std::istream& in, OneBasedArray<double>& list) {
  return ReadNumbersFromFile(in, 1, kMaxMarkList, list);
}

void EnterMarkingList(const MarkingContext& ctx, UserInterface& ui) {
  DialogContent ask = OpenDialogForm(kListTitle);
  ask.help_lines = HelpLines(HelpTopic::kEnergyList, ctx.display.rus_help);
  ShowLabel(ask, 0, 5, 5, " Select the Option ");
  ShowChoiceList(ask, 0, 5, 30, 310, 60,
                 {"Enter energies from the screen", "Enter energies from a file"}, 0);
  ui.ShowDialog(ask);
  if (!ask.ok) return;
  ctx.marking.mark_mode = MarkMode::kEnergies;

  std::vector<double> energies;
  if (ask.choice_lists[0].selected != 1) {
    std::string text;
    const int old_count = std::clamp(ctx.marking.mark_list_count, 0, kMaxMarkList);
    for (int i = 1; i <= old_count; ++i) text += F(12, 4, ctx.marking.mark_list[i]) + "\n";
    DialogContent editor = OpenDialogForm(kListTitle);
    editor.help_lines = ask.help_lines;
    ShowMemo(editor, std::move(text));
    ui.ShowDialog(editor);
    if (!editor.ok) return;
    energies = ReadTypedEnergies(editor.memo.text);
  } else {
    const auto chosen = ui.AskOpenFile({"Enter the energy list file", ctx.files.work_dir, ""});
    if (!chosen) return;
    std::ifstream in(*chosen, std::ios::binary);
    if (!in) {
      ui.ShowNote("No file " + *chosen);
      return;
    }
    OneBasedArray<double> list(kMaxMarkList, 0.0);
    const int count = ReadEnergyList(in, list);
    const auto read = list.range(1, count);
    energies.assign(read.begin(), read.end());
  }

  const int count = static_cast<int>(energies.size());
  for (int i = 1; i <= count; ++i)
    ctx.marking.mark_list[i] = energies[static_cast<std::size_t>(i - 1)];
  ctx.marking.mark_list_count = count;
  std::vector<std::string> lines{" Peak energies read in,  " + std::to_string(count) + " items"};
  if (count > 0) {
    lines.insert(lines.end(),
                 {" ", " Now execute command: (key=OPERATION)", " Spectrum Marking by Energies"});
  }
  DialogContent report = OpenDialogForm(kListTitle);
  report.help_lines = ask.help_lines;
  ShowList(report, std::move(lines));
  ui.ShowDialog(report);
}

std::vector<double> ListToChannels(const MarkingContext& ctx, UserInterface& ui) {
  const int count = std::clamp(ctx.marking.mark_list_count, 0, ctx.marking.mark_list.capacity());
  const auto listed = ctx.marking.mark_list.range(1, count);
  std::vector<double> saved(listed.begin(), listed.end());
  const bool energies = ctx.marking.mark_mode == MarkMode::kEnergies;
  if (energies && !ctx.enc.enc_present) ui.ShowNote(kNoCalibration);
  const bool convert = energies && ctx.enc.enc_present;
  std::vector<double> channels;
  for (const double v : saved) {
    const double c = convert ? EnergyToChannel(ctx.calibrations(), v) : v;
    if (c > 0.0 && std::isfinite(c)) channels.push_back(c);
  }
  std::sort(channels.begin(), channels.end());
  for (std::size_t i = 0; i < channels.size(); ++i) {
    ctx.marking.mark_list[static_cast<int>(i) + 1] = channels[i];
  }
  ctx.marking.mark_list_count = static_cast<int>(channels.size());
  return saved;
}

void KeepListedIntervals(const MarkingContext& ctx, const OneBasedArray<double>& list, int count) {
  const TSpectrum& sp = ctx.spectrum;
  count = std::clamp(count, 0, list.capacity());
  std::vector<double> peaks;
  const int found = std::clamp(ctx.marking.peak_count, 0, kMaxPeaks);
  for (int j = 1; j <= found; ++j) peaks.push_back(ctx.marking.peak_list[j]);
  for (int i = 1; i <= count && peaks.size() < static_cast<std::size_t>(kMaxPeaks); ++i) {
    if (!std::isfinite(list[i])) continue;
    const int c = RoundToInt(list[i]);
    if (c >= sp.b1 && c <= sp.b2) peaks.push_back(list[i]);
  }
  std::sort(peaks.begin(), peaks.end());

  // A listed channel next to a found peak is the same peak: close pairs become their mean.
  const double closest = std::max(std::fabs(ctx.marking.resol), 1.1);
  const std::size_t passes = peaks.empty() ? 0 : peaks.size() - 1;
  for (std::size_t pass = 0; pass < passes && peaks.size() >= 2; ++pass) {
    std::size_t at = 0;
    for (std::size_t i = 1; i + 1 < peaks.size(); ++i) {
      if (peaks[i + 1] - peaks[i] < peaks[at + 1] - peaks[at]) at = i;
    }
    if (peaks[at + 1] - peaks[at] >= closest) break;
    peaks[at] = (peaks[at] + peaks[at + 1]) / 2.0;
    peaks.erase(peaks.begin() + static_cast<std::ptrdiff_t>(at) + 1);
  }
  ctx.marking.peak_count = static_cast<int>(peaks.size());
  for (int j = 1; j <= ctx.marking.peak_count; ++j)
    ctx.marking.peak_list[j] = peaks[static_cast<std::size_t>(j - 1)];
  DivideIntoIntervals(ctx, sp.b1, sp.b2);

  std::vector<double> kept;
  for (int k = 1; k <= ctx.marking.interval_count; ++k) {
    const IntervalRecord& r = ctx.marking.interval_table[k];
    if (!HoldsListed(r, list, count)) continue;
    for (int j = FirstPeak(r); j <= LastPeak(ctx, r); ++j) kept.push_back(ctx.marking.peak_list[j]);
  }
  ctx.marking.peak_count = static_cast<int>(kept.size());
  for (int j = 1; j <= ctx.marking.peak_count; ++j)
    ctx.marking.peak_list[j] = kept[static_cast<std::size_t>(j - 1)];
}

void ReportNotFound(const MarkingContext& ctx, UserInterface& ui) {
  const std::vector<double> saved = ListToChannels(ctx, ui);
  const auto converted = ctx.marking.mark_list.range(1, ctx.marking.mark_list_count);
  const std::vector<double> listed(converted.begin(), converted.end());  // ascending
  std::vector<bool> taken(listed.size(), false);

  std::vector<double> array;
  int peaks = 0;
  for (const ArrayInterval& interval : SplitMarkingData(ctx)) {
    std::vector<double> inside;
    for (std::size_t i = 0; i < listed.size(); ++i) {
      if (taken[i] || listed[i] < interval.left || listed[i] > interval.right) continue;
      taken[i] = true;
      inside.push_back(listed[i]);
    }
    if (inside.empty()) continue;
    // Fewer listed channels than found peaks: the search saw the multiplet better.
    const std::vector<double>& kept =
        inside.size() < interval.peaks.size() ? interval.peaks : inside;
    if (array.size() + kept.size() + 2 >
        static_cast<std::size_t>(ctx.marking.marking_data.capacity())) {
      break;
    }
    array.push_back(-interval.left);
    array.insert(array.end(), kept.begin(), kept.end());
    array.push_back(-interval.right);
    peaks += static_cast<int>(kept.size());
  }
  ctx.marking.marking_length = static_cast<int>(array.size());
  for (int i = 1; i <= ctx.marking.marking_length; ++i) {
    ctx.marking.marking_data[i] = array[static_cast<std::size_t>(i - 1)];
  }
  ctx.marking.peak_count = peaks;

  std::vector<std::string> lines;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (taken[i] || listed[i] < ctx.view.interval_begin || listed[i] > ctx.view.interval_end)
      continue;
    ReportOnePeak(ctx, ui, listed[i], lines);
  }
  if (!lines.empty()) {
    DialogContent report = OpenDialogForm("List of not found peaks");
    report.help_lines = HelpLines(HelpTopic::kEnergyList, ctx.display.rus_help);
    ShowList(report, std::move(lines));
    ui.ShowDialog(report);
  }

  for (std::size_t i = 0; i < saved.size(); ++i)
    ctx.marking.mark_list[static_cast<int>(i) + 1] = saved[i];
  ctx.marking.mark_list_count = static_cast<int>(saved.size());
}

}  // namespace pektra
