#include "calib/calibration_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "calib/calibration.h"
#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/file_names.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "ui/help_texts.h"

namespace pektra {

namespace {

constexpr const char* kEnergyTitle = "Energy calibration data: ch, E, [err]";
constexpr const char* kEfficiencyTitle = "Efficiency calibration data: E, coef, [err]";
constexpr const char* kEnergyMemoHeading = "* Channel  Energy  Error";

int ItemCount(int n) { return std::clamp(n, 0, kMaxCalibrationItems); }

// x with exactly `decimals` decimals, as long as it takes; zero without a sign.
std::string Digits(double x, int decimals) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, x == 0.0 ? 0.0 : x,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

// Appends a field to a line of numbers that is read back: a field that fills its width (or more)
// gets a blank in front, so that it never runs into the number before it.
void AppendField(std::string& line, const std::string& field) {
  if (!line.empty() && !field.empty() && field.front() != ' ') line.push_back(' ');
  line += field;
}

// A field of a calibration file: right-justified in `width`, widened when the number is longer.
std::string FileField(double x, int width, int decimals) {
  std::string text = Digits(x, decimals);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

// A field of a memo the user edits: FormatFixed, except that a number too wide for the field is
// written in full rather than as asterisks, which would read back as 0.
std::string MemoField(double x, int width, int decimals) {
  std::string text = FormatFixed(width, decimals, x);
  if (text.find('*') != std::string::npos) text = FileField(x, width, decimals);
  return text;
}

bool Ticked(const DialogCheckList& list, std::size_t i) {
  return i < list.checked.size() && list.checked[i];
}

DialogChoiceList& ShowModeChoice(DialogContent& dialog, int selected) {
  return ShowChoiceList(dialog, 0, 30, 60, 150, 60, {" Non-linear", " Linear"}, selected);
}

// Copies items 1..n (n <= 60) into the energy items in force, without switching anything on.
void StoreEnergyItems(AnalysisState& state, const OneBasedArray<CalibrationItem>& items, int n) {
  n = ItemCount(n);
  for (int i = 1; i <= n; ++i) state.enc_points[i] = items[i];
  state.enc_count = n;
}

// Off-picture for wild values, so that the painter never gets a NaN or an infinity.
double PlotCoordinate(double v) {
  if (std::isnan(v)) return -10000.0;
  return std::clamp(v, -10000.0, 10000.0);
}

}  // namespace

int ReadCalibrationItems(std::istream& in, OneBasedArray<CalibrationItem>& items) {
  const int capacity = std::min(items.capacity(), kMaxCalibrationItems);
  OneBasedArray<double> numbers(3, 0.0);
  int count = 0;
  while (true) {
    numbers.fill(0.0);
    const int read = ReadNumbersFromFile(in, 1, 3, numbers);
    if (read == 0) break;
    const CalibrationItem item{numbers[1], numbers[2], numbers[3]};
    // A dropped item displaces nothing: the 60th stays unless a real item replaces it.
    if (capacity > 0 && IsNonZeroItem(item[0], item[1], item[2])) {
      count = std::min(count + 1, capacity);
      items[count] = item;
    }
    if (read < 3) break;  // the end of the text or a "/" line came first
  }
  return count;
}

TypedItems ReadTypedItems(std::string_view memo_text) {
  TypedItems typed;
  TextLines lines(memo_text);
  std::string_view line;
  std::vector<double> numbers;
  while (lines.NextLine(line)) {
    if (line.find_first_not_of(' ') == std::string_view::npos) continue;
    ParseNumbers(line, numbers);
    CalibrationItem item{};
    for (std::size_t k = 0; k < item.size() && k < numbers.size(); ++k) item[k] = numbers[k];
    if (!IsNonZeroItem(item[0], item[1], item[2])) continue;
    if (typed.count < kMaxCalibrationItems) typed.items[typed.count + 1] = item;
    ++typed.count;
  }
  SortCalibrationItems(typed.items, typed.stored());
  return typed;
}

void InstallEnergyCalibration(AnalysisState& state, const OneBasedArray<CalibrationItem>& items,
                              int n, int mode) {
  n = std::min(ItemCount(n), items.capacity());
  OneBasedArray<CalibrationItem> sorted(kMaxCalibrationItems, CalibrationItem{});
  for (int i = 1; i <= n; ++i) sorted[i] = items[i];
  SortCalibrationItems(sorted, n);
  for (int i = 1; i <= n; ++i) state.enc_entry_points[i] = sorted[i];
  StoreEnergyItems(state, sorted, n);
  state.enc_mode = mode;
  state.enc_present = true;
  if (mode == 1) FitEnergyLine(state);
}

void InstallEfficiencyCalibration(AnalysisState& state, const OneBasedArray<CalibrationItem>& items,
                                  int n) {
  n = std::min(ItemCount(n), items.capacity());
  for (int i = 1; i <= n; ++i) state.efc_points[i] = items[i];
  SortCalibrationItems(state.efc_points, n);
  state.efc_count = n;
  state.efc_present = true;
}

void WriteCalibrationFile(std::ostream& out, CalibrationKind kind,
                          const OneBasedArray<CalibrationItem>& items, int n) {
  n = std::min(ItemCount(n), items.capacity());
  const bool energy = kind == CalibrationKind::kEnergy;
  out << '*' << std::string(20, ' ')
      << (energy ? "Energy calibration data." : "Efficiency calibration data.") << '\n';
  out << '\n';
  out << (energy ? "*  Channel    Energy     Error" : "*   Energy    Coefficient          Error")
      << '\n';
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = items[i];
    std::string line = FileField(item[0], 10, 2);
    AppendField(line, energy ? FileField(item[1], 10, 2) : FileField(item[1], 15, 7));
    AppendField(line, energy ? FileField(item[2], 10, 2) : FileField(item[2], 15, 7));
    out << line << '\n';
  }
}

std::string EnergyItemsMemo(const AnalysisState& state) {
  const bool linear = state.enc_mode == 1;
  std::string text = kEnergyMemoHeading;
  if (linear) text += "     Fit   ChiSquare";
  const int n = ItemCount(state.enc_count);
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = state.enc_points[i];
    std::string line = MemoField(item[0], 8, 2);
    AppendField(line, MemoField(item[1], 8, 2));
    AppendField(line, MemoField(item[2], 7, 2));
    if (linear) {
      const double fitted = LinearEnergy(state, item[0]);
      const double w = std::pow(1.0 / MaxD(1.0e-4, item[2]), 2);
      const double q = std::pow(item[1] - fitted, 2) * MaxD(w * w, 1.0e-6);
      AppendField(line, MemoField(fitted, 9, 2));
      AppendField(line, MemoField(q, 12, 2));
    }
    text += '\n';
    text += line;
  }
  return text;
}

std::string EfficiencyItemsMemo(const AnalysisState& state) {
  std::string text;
  const int n = ItemCount(state.efc_count);
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = state.efc_points[i];
    std::string line = MemoField(item[0], 10, 2);
    AppendField(line, MemoField(item[1], 10, 5));
    AppendField(line, MemoField(item[2], 10, 5));
    if (i > 1) text += '\n';
    text += line;
  }
  return text;
}

Picture EnergyCalibrationPicture(AnalysisState& state) {
  Picture picture;
  picture.width = 200;
  picture.height = 215;
  picture.background = colors::kBlack;
  for (int k = 0; k <= 4; ++k)
    picture.Add(DottedLine{1, 3.0 + 50 * k, 102, 2, false, colors::kLime});
  for (int j = 0; j <= 3; ++j)
    picture.Add(DottedLine{5.0 + 63 * j, -4, 57, 5, true, colors::kLime});

  const int n = ItemCount(state.enc_count);
  if (n < 1) return picture;
  // Copied: ConvertPeak below reads the state, and the items must not change under it.
  const std::span<const CalibrationItem> stored = std::as_const(state.enc_points).range(1, n);
  const std::vector<CalibrationItem> items(stored.begin(), stored.end());
  double e_min = items[0][1], e_max = items[0][1];
  for (const CalibrationItem& item : items) {
    e_min = MinD(e_min, item[1]);
    e_max = MaxD(e_max, item[1]);
  }
  const double first = items.front()[0];
  const double span = MaxD(1.0e-4, items.back()[0] - first);
  const double range = MaxD(1.0e-6, e_max - e_min);
  auto x_of = [&](double channel) {
    return PlotCoordinate(4.0 + RoundHalfEven((channel - first) * 180.0 / span) + 7.0);
  };
  auto y_of = [&](double energy) {
    return PlotCoordinate(RoundHalfEven(203.0 - (energy - e_min) / range * 190.0));
  };

  Polyline curve{{}, {}, colors::kAqua};
  for (const CalibrationItem& item : items) {
    curve.xs.push_back(x_of(item[0]));
    curve.ys.push_back(y_of(ConvertPeak(state, item[0], 0.0, 0.0, 0.0).energy));
  }
  picture.Add(std::move(curve));
  for (const CalibrationItem& item : items) {
    const double x = x_of(item[0]);
    const double y = y_of(item[1]);
    for (int dx = -2; dx <= 2; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) picture.Add(Pixel{x + dx, y + dy, colors::kFuchsia});
    }
  }
  return picture;
}

void EnterEnergyData(AnalysisState& state, UserInterface& ui) {
  const std::vector<std::string> help =
      HelpLines(HelpTopic::kEnergyCalibration, state.display.rus_help);
  DialogContent choose = OpenDialogForm(kEnergyTitle, 250, 330, 430);
  choose.help_lines = help;
  ShowLabel(choose, 0, 30, 30, "Number of calibration items = " + std::to_string(state.enc_count));
  ShowModeChoice(choose, state.enc_mode == 1 ? 1 : 0);
  ShowCheckList(choose, 10, 140, 300, 75,
                {" Use marked peaks as channels ", " Take the data from result table ",
                 " Take the data from the screen "},
                {});
  ui.ShowDialog(choose);
  if (!choose.ok) return;
  // A Cancel in a later dialog must not leave items the user never confirmed switched on: the
  // calibration as it was before the command comes back then.
  const int old_mode = state.enc_mode, old_count = state.enc_count;
  const bool old_present = state.enc_present;
  const OneBasedArray<CalibrationItem> old_points = state.enc_points;
  const double old_first = state.enc_first_channel, old_last = state.enc_last_channel;
  const double old_intercept = state.enc_intercept, old_slope = state.enc_slope;
  auto restore = [&] {
    state.enc_mode = old_mode;
    state.enc_count = old_count;
    state.enc_present = old_present;
    state.enc_points = old_points;
    state.enc_first_channel = old_first;
    state.enc_last_channel = old_last;
    state.enc_intercept = old_intercept;
    state.enc_slope = old_slope;
  };
  const bool from_peaks = Ticked(choose.check_list, 0);
  const bool from_results = Ticked(choose.check_list, 1);
  const bool from_screen = Ticked(choose.check_list, 2);

  // The result rows are converted with the calibration in force when the command began, before
  // the mode or the items change.
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const int rows = state.result_count;
  if (from_results && rows >= 2 && rows <= kMaxCalibrationItems) {
    for (int i = 1; i <= rows; ++i) {
      const ResultRow& row = state.result_rows[i];
      const ConvertedPeak peak = ConvertPeak(state, row[0], row[1], row[2], row[3]);
      items[i] = {row[0], peak.energy, peak.energy_error};
    }
  }

  // From here on each step keeps what it stored when a count check ends the command (the
  // calibration is then switched off); a Cancel restores it all.
  state.enc_mode = choose.choice_lists[0].selected == 1 ? 1 : 0;
  if (from_peaks) {
    if (CheckItemCount(state, ui, state.peak_count)) return;
    OneBasedArray<CalibrationItem> peaks(kMaxCalibrationItems, CalibrationItem{});
    for (int i = 1; i <= state.peak_count; ++i) peaks[i] = {state.peak_list[i], 0.0, 0.0};
    SortCalibrationItems(peaks, state.peak_count);
    StoreEnergyItems(state, peaks, state.peak_count);
  }
  if (from_results) {
    if (CheckItemCount(state, ui, rows)) return;
    SortCalibrationItems(items, rows);
    StoreEnergyItems(state, items, rows);
  }
  if (from_screen || state.enc_count < 2) {
    DialogContent typing = OpenDialogForm(kEnergyTitle, 150, 420, 430);
    typing.help_lines = help;
    ShowMemo(typing, 15, 380, kEnergyMemoHeading);
    ui.ShowDialog(typing);
    if (!typing.ok) {
      restore();
      return;
    }
    const TypedItems typed = ReadTypedItems(typing.memo.text);
    if (CheckItemCount(state, ui, typed.count)) return;
    for (int i = 1; i <= typed.count; ++i) state.enc_entry_points[i] = typed.items[i];
    StoreEnergyItems(state, typed.items, typed.count);
  }
  if (state.enc_mode == 1) FitEnergyLine(state);

  DialogContent review = OpenDialogForm(kEnergyTitle, 150, 420, 430);
  review.help_lines = help;
  ShowMemo(review, 15, 380, EnergyItemsMemo(state));
  ui.ShowDialog(review);
  if (!review.ok) {
    restore();
    return;
  }
  const TypedItems edited = ReadTypedItems(review.memo.text);
  if (CheckEnergyItems(state, ui, edited.items, edited.count, state.enc_mode)) return;
  InstallEnergyCalibration(state, edited.items, edited.count, state.enc_mode);
}

void EnterEfficiencyData(AnalysisState& state, UserInterface& ui) {
  DialogContent dialog = OpenDialogForm(kEfficiencyTitle, 250, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kEfficiencyCalibration, state.display.rus_help);
  // The memo fills the dialog from the top, so the column heading stands just below it.
  ShowLabel(dialog, 0, 15, 362, "       Energy     Efficiency      Error ", colors::kWhite,
            colors::kGreen);
  ShowMemo(dialog, 15, 290, EfficiencyItemsMemo(state));
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  const TypedItems typed = ReadTypedItems(dialog.memo.text);
  if (typed.count == 0) {
    ui.ShowNote("Empty lines. Cancelled");
    state.efc_present = false;
    return;
  }
  InstallEfficiencyCalibration(state, typed.items, typed.stored());
  if (typed.count > kMaxCalibrationItems) {
    ui.ShowNote("Only the first 60 efficiency items are kept");
  }
}

void LoadCalibrationFile(AnalysisState& state, UserInterface& ui, CalibrationKind kind) {
  const bool energy = kind == CalibrationKind::kEnergy;
  const std::string title = energy ? "Energy calibration " : "Efficiency calibration";
  const std::string& proposed = energy ? state.enc_file : state.efc_file;
  const std::vector<std::string> help =
      HelpLines(energy ? HelpTopic::kEnergyCalibration : HelpTopic::kEfficiencyCalibration,
                state.display.rus_help);
  const auto chosen = ui.AskOpenFile({title, DirectoryPart(proposed), FileNamePart(proposed)});
  if (!chosen) return;
  const std::string name = *chosen;
  if (!FileExists(name)) {
    ui.ShowNote("No file " + name);
    return;
  }

  int mode = 0;
  if (energy) {
    DialogContent ask = OpenDialogForm(title, 250, 330, 430);
    ask.help_lines = help;
    ShowLabel(ask, 0, 30, 30, "Specify the calibration mode");
    ShowModeChoice(ask, 0);
    ui.ShowDialog(ask);
    if (!ask.ok) return;
    mode = ask.choice_lists[0].selected == 1 ? 1 : 0;
  }

  std::ifstream in(name, std::ios::binary);
  if (!in) {
    ui.ShowNote("No file " + name);
    return;
  }
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const int count = ReadCalibrationItems(in, items);
  SortCalibrationItems(items, count);

  if (energy) {
    // A calibration that could not be evaluated is refused and the energy calibration is off.
    if (CheckEnergyItems(state, ui, items, count, mode)) return;
    InstallEnergyCalibration(state, items, count, mode);
    state.enc_file = name;
  } else {
    if (count == 0) {
      ui.ShowNote("Empty lines. Cancelled");
      state.efc_present = false;
      return;
    }
    InstallEfficiencyCalibration(state, items, count);
    state.efc_file = name;
    state.efc_mode = 0;
  }

  DialogContent report = OpenDialogForm(title, 250, 330, 430);
  report.help_lines = help;
  ShowListBox(report, 10, 30, 300, 100,
              {title + " performed",
               std::string(" Mode= ") + (energy && mode == 1 ? " Linear" : "Non-linear"),
               std::to_string(count) + " calibration items"});
  ui.ShowDialog(report);
}

namespace {

void SaveCalibration(AnalysisState& state, UserInterface& ui, CalibrationKind kind) {
  const bool energy = kind == CalibrationKind::kEnergy;
  const OneBasedArray<CalibrationItem>& items = energy ? state.enc_points : state.efc_points;
  const int n = ItemCount(energy ? state.enc_count : state.efc_count);
  if (n == 0) {
    ui.ShowNote("No calibration data");
    return;
  }
  std::string& file = energy ? state.enc_file : state.efc_file;
  const std::string title = energy ? "Save Energy Calibration" : "Save Efficiency Calibration";
  const auto chosen = ui.AskSaveFile({title, DirectoryPart(file), FileNamePart(file)});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) return;
  const bool written = WriteFileAtomically(
      *chosen, [&](std::ostream& out) { WriteCalibrationFile(out, kind, items, n); });
  if (!written) {
    ui.ShowNote("Error, the file " + *chosen + " could not be written");
    return;
  }
  file = *chosen;
}

}  // namespace

void SaveEnergyCalibration(AnalysisState& state, UserInterface& ui) {
  SaveCalibration(state, ui, CalibrationKind::kEnergy);
}

void SaveEfficiencyCalibration(AnalysisState& state, UserInterface& ui) {
  SaveCalibration(state, ui, CalibrationKind::kEfficiency);
}

void ShowEnergyCalibrationGraph(AnalysisState& state, UserInterface& ui) {
  if (!state.enc_present) {
    ui.ShowNote("No energy calibration set up");
    return;
  }
  DialogContent dialog = OpenDialogForm("Energy calibration", 250, 330, 430);
  DialogPicture& area = dialog.pictures[0];
  area.visible = true;
  area.left = 20;
  area.top = 0;
  area.picture = EnergyCalibrationPicture(state);
  ui.ShowDialog(dialog);
}

}  // namespace pektra
