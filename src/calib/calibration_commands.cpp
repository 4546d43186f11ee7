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
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"

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
void StoreEnergyItems(EnergyCalibration& enc, const OneBasedArray<CalibrationItem>& items, int n) {
  n = ItemCount(n);
  for (int i = 1; i <= n; ++i) enc.enc_points[i] = items[i];
  enc.enc_count = n;
}

// Off-picture for wild values, so that the painter never gets a NaN or an infinity.
double PlotCoordinate(double v) {
  if (std::isnan(v)) return -10000.0;
  return std::clamp(v, -10000.0, 10000.0);
}

}  // namespace

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

void InstallEnergyCalibration(const Calibrations& cal, const OneBasedArray<CalibrationItem>& items,
                              int n, int mode) {
  n = std::min(ItemCount(n), items.capacity());
  OneBasedArray<CalibrationItem> sorted(kMaxCalibrationItems, CalibrationItem{});
  for (int i = 1; i <= n; ++i) sorted[i] = items[i];
  SortCalibrationItems(sorted, n);
  for (int i = 1; i <= n; ++i) cal.enc.enc_entry_points[i] = sorted[i];
  StoreEnergyItems(cal.enc, sorted, n);
  cal.enc.enc_mode = mode;
  cal.enc.enc_present = true;
  if (mode == kEnergyLinear) FitEnergyLine(cal);
}

void InstallEfficiencyCalibration(EfficiencyCalibration& efc,
                                  const OneBasedArray<CalibrationItem>& items, int n) {
  n = std::min(ItemCount(n), items.capacity());
  for (int i = 1; i <= n; ++i) efc.efc_points[i] = items[i];
  SortCalibrationItems(efc.efc_points, n);
  efc.efc_count = n;
  efc.efc_present = true;
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

std::string EnergyItemsMemo(const EnergyCalibration& enc) {
  const bool linear = enc.enc_mode == kEnergyLinear;
  std::string text = kEnergyMemoHeading;
  if (linear) text += "     Fit   ChiSquare";
  const int n = ItemCount(enc.enc_count);
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    std::string line = MemoField(item[0], 8, 2);
    AppendField(line, MemoField(item[1], 8, 2));
    AppendField(line, MemoField(item[2], 7, 2));
    if (linear) {
      const double fitted = LinearEnergy(enc, item[0]);
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

std::string EfficiencyItemsMemo(const EfficiencyCalibration& efc) {
  std::string text;
  const int n = ItemCount(efc.efc_count);
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = efc.efc_points[i];
    std::string line = MemoField(item[0], 10, 2);
    AppendField(line, MemoField(item[1], 10, 5));
    AppendField(line, MemoField(item[2], 10, 5));
    if (i > 1) text += '\n';
    text += line;
  }
  return text;
}

Picture EnergyCalibrationPicture(const Calibrations& cal) {
  Picture picture;
  picture.width = 200;
  picture.height = 215;
  picture.background = colors::kBlack;
  for (int k = 0; k <= 4; ++k)
    picture.Add(DottedLine{1, 3.0 + 50 * k, 102, 2, false, colors::kLime});
  for (int j = 0; j <= 3; ++j)
    picture.Add(DottedLine{5.0 + 63 * j, -4, 57, 5, true, colors::kLime});

  // Numbers in a margin, which also keeps the top points whole.
  constexpr double kLeft = 52, kTop = 10;
  const int n = ItemCount(cal.enc.enc_count);
  if (n < 1) return WithMargins(picture, kLeft, kTop, 6, 16, colors::kGreen);
  // Copied: ConvertPeak below reads the state, and the items must not change under it.
  const std::span<const CalibrationItem> stored = std::as_const(cal.enc.enc_points).range(1, n);
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
    curve.ys.push_back(y_of(ConvertPeak(cal, item[0], 0.0, 0.0, 0.0).energy));
  }
  picture.Add(std::move(curve));
  for (const CalibrationItem& item : items) {
    const double x = x_of(item[0]);
    const double y = y_of(item[1]);
    for (int dx = -2; dx <= 2; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) picture.Add(Pixel{x + dx, y + dy, colors::kFuchsia});
    }
  }
  Picture framed = WithMargins(picture, kLeft, kTop, 6, 16, colors::kGreen);
  for (int k = 0; k <= 4; ++k) {  // the energy (keV) at each grid line
    const double y = 3.0 + 50 * k;
    Text label{2, kTop + y - 5, FormatFixed(8, 1, e_min + (203.0 - y) / 190.0 * range),
               colors::kWhite};
    label.size = 8;
    framed.Add(std::move(label));
  }
  for (int j = 0; j <= 3; ++j) {  // the channel under each tick
    const double x = 5.0 + 63 * j;
    Text label{kLeft + x - 18, kTop + picture.height + 2,
               FormatFixed(6, 0, first + (x - 11.0) * span / 180.0), colors::kWhite};
    label.size = 8;
    framed.Add(std::move(label));
  }
  return framed;
}

namespace {

// How gathering the energy items ended.
enum class Gathered { kItems, kRefused, kCancelled };

// The first dialog of the energy entry: the mode and the sources of the items.
DialogContent EnergySourceDialog(const EnergyCalibration& enc,
                                 const std::vector<std::string>& help) {
  DialogContent choose = OpenDialogForm(kEnergyTitle, 250, 330, 430);
  choose.help_lines = help;
  ShowLabel(choose, 0, 30, 30, "Number of calibration items = " + std::to_string(enc.enc_count));
  ShowModeChoice(choose, enc.enc_mode == kEnergyLinear ? 1 : 0);
  ShowCheckList(choose, 10, 140, 300, 75,
                {" Use marked peaks as channels ", " Take the data from result table ",
                 " Take the data from the screen "},
                {});
  return choose;
}

// The result rows as energy items, converted with the calibration in force when the command
// began, before the mode or the items change. Empty unless there are 2..60 rows.
OneBasedArray<CalibrationItem> ResultItems(const CalibrationContext& ctx) {
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const int rows = ctx.results.result_count;
  if (rows < 2 || rows > kMaxCalibrationItems) return items;
  for (int i = 1; i <= rows; ++i) {
    const ResultRow& row = ctx.results.result_rows[i];
    const ConvertedPeak peak = ConvertPeak(ctx.calibrations(), row[0], row[1], row[2], row[3]);
    items[i] = {row[0], peak.energy, peak.energy_error};
  }
  return items;
}

// Stores the items of the chosen sources in turn: the marked peaks, the result rows, and typed
// items (also when fewer than two items are there by then). A count check that fails ends the
// gathering with the calibration switched off; the typing dialog can be cancelled.
Gathered GatherEnergyItems(const CalibrationContext& ctx, UserInterface& ui,
                           const DialogContent& choose, const std::vector<std::string>& help) {
  const bool from_results = Ticked(choose.check_list, 1);
  OneBasedArray<CalibrationItem> items =
      from_results ? ResultItems(ctx) : OneBasedArray<CalibrationItem>(kMaxCalibrationItems, {});
  const int rows = ctx.results.result_count;
  ctx.enc.enc_mode = choose.choice_lists[0].selected == 1 ? kEnergyLinear : kEnergyInterpolated;
  if (Ticked(choose.check_list, 0)) {
    if (CheckItemCount(ctx.enc, ui, ctx.peak_count)) return Gathered::kRefused;
    OneBasedArray<CalibrationItem> peaks(kMaxCalibrationItems, CalibrationItem{});
    for (int i = 1; i <= ctx.peak_count; ++i) peaks[i] = {ctx.peak_list[i], 0.0, 0.0};
    SortCalibrationItems(peaks, ctx.peak_count);
    StoreEnergyItems(ctx.enc, peaks, ctx.peak_count);
  }
  if (from_results) {
    if (CheckItemCount(ctx.enc, ui, rows)) return Gathered::kRefused;
    SortCalibrationItems(items, rows);
    StoreEnergyItems(ctx.enc, items, rows);
  }
  if (Ticked(choose.check_list, 2) || ctx.enc.enc_count < 2) {
    DialogContent typing = OpenDialogForm(kEnergyTitle, 150, 420, 430);
    typing.help_lines = help;
    ShowMemo(typing, 15, 380, kEnergyMemoHeading);
    ui.ShowDialog(typing);
    if (!typing.ok) return Gathered::kCancelled;
    const TypedItems typed = ReadTypedItems(typing.memo.text);
    if (CheckItemCount(ctx.enc, ui, typed.count)) return Gathered::kRefused;
    for (int i = 1; i <= typed.count; ++i) ctx.enc.enc_entry_points[i] = typed.items[i];
    StoreEnergyItems(ctx.enc, typed.items, typed.count);
  }
  return Gathered::kItems;
}

}  // namespace

void EnterEnergyData(const CalibrationContext& ctx, UserInterface& ui) {
  const std::vector<std::string> help =
      HelpLines(HelpTopic::kEnergyCalibration, ctx.display.rus_help);
  DialogContent choose = EnergySourceDialog(ctx.enc, help);
  ui.ShowDialog(choose);
  if (!choose.ok) return;
  // A Cancel in a later dialog must not leave items the user never confirmed switched on: the
  // calibration as it was before the command comes back then. A failed count check keeps what
  // was stored up to it, with the calibration switched off.
  const EnergyCalibration before = ctx.enc;
  switch (GatherEnergyItems(ctx, ui, choose, help)) {
    case Gathered::kRefused:
      return;
    case Gathered::kCancelled:
      ctx.enc = before;
      return;
    case Gathered::kItems:
      break;
  }
  if (ctx.enc.enc_mode == kEnergyLinear) FitEnergyLine(ctx.calibrations());

  DialogContent review = OpenDialogForm(kEnergyTitle, 150, 420, 430);
  review.help_lines = help;
  ShowMemo(review, 15, 380, EnergyItemsMemo(ctx.enc));
  ui.ShowDialog(review);
  if (!review.ok) {
    ctx.enc = before;
    return;
  }
  const TypedItems edited = ReadTypedItems(review.memo.text);
  if (CheckEnergyItems(ctx.enc, ui, edited.items, edited.count, ctx.enc.enc_mode)) return;
  InstallEnergyCalibration(ctx.calibrations(), edited.items, edited.count, ctx.enc.enc_mode);
}

void EnterEfficiencyData(const CalibrationContext& ctx, UserInterface& ui) {
  DialogContent dialog = OpenDialogForm(kEfficiencyTitle, 250, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kEfficiencyCalibration, ctx.display.rus_help);
  // The memo fills the dialog from the top, so the column heading stands just below it.
  ShowLabel(dialog, 0, 15, 362, "       Energy     Efficiency      Error ", colors::kWhite,
            colors::kGreen)
      .column_heading = true;
  ShowMemo(dialog, 15, 290, EfficiencyItemsMemo(ctx.efc));
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  const TypedItems typed = ReadTypedItems(dialog.memo.text);
  if (typed.count == 0) {
    ui.ShowNote("Empty lines. Cancelled");
    ctx.efc.efc_present = false;
    return;
  }
  InstallEfficiencyCalibration(ctx.efc, typed.items, typed.stored());
  if (typed.count > kMaxCalibrationItems) {
    ui.ShowNote("Only the first 60 efficiency items are kept");
  }
}

void LoadCalibrationFile(const CalibrationContext& ctx, UserInterface& ui, CalibrationKind kind) {
  const bool energy = kind == CalibrationKind::kEnergy;
  const std::string title = energy ? "Energy calibration " : "Efficiency calibration";
  const std::string& proposed = energy ? ctx.files.enc_file : ctx.files.efc_file;
  const std::vector<std::string> help =
      HelpLines(energy ? HelpTopic::kEnergyCalibration : HelpTopic::kEfficiencyCalibration,
                ctx.display.rus_help);
  const auto chosen = ui.AskOpenFile({title, DirectoryPart(proposed), FileNamePart(proposed)});
  if (!chosen) return;
  const std::string name = *chosen;
  if (!FileExists(name)) {
    ui.ShowNote("No file " + name);
    return;
  }

  int mode = kEnergyInterpolated;
  if (energy) {
    DialogContent ask = OpenDialogForm(title, 250, 330, 430);
    ask.help_lines = help;
    ShowLabel(ask, 0, 30, 30, "Specify the calibration mode");
    ShowModeChoice(ask, 0);
    ui.ShowDialog(ask);
    if (!ask.ok) return;
    mode = ask.choice_lists[0].selected == 1 ? kEnergyLinear : kEnergyInterpolated;
  }

  std::ifstream in(name, std::ios::binary);
  if (!in) {
    ui.ShowNote("No file " + name);
    return;
  }
  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  const CalibrationFileItems read = ReadCalibrationItems(in, kind, items);
  if (!read.outcome.ok) {  // refused: the calibration in force stays as it was
    ui.ShowNote("Error in " + name + ", " + read.outcome.message);
    return;
  }
  const int count = read.count;
  SortCalibrationItems(items, count);

  if (energy) {
    // A calibration that could not be evaluated is refused and the energy calibration is off.
    if (CheckEnergyItems(ctx.enc, ui, items, count, mode)) return;
    InstallEnergyCalibration(ctx.calibrations(), items, count, mode);
    ctx.files.enc_file = name;
  } else {
    if (count == 0) {
      ui.ShowNote("Empty lines. Cancelled");
      ctx.efc.efc_present = false;
      return;
    }
    InstallEfficiencyCalibration(ctx.efc, items, count);
    ctx.files.efc_file = name;
    ctx.efc.efc_mode = 0;
  }
  if (const std::string note = DroppedItemsNote(read); !note.empty()) ui.ShowNote(note);

  DialogContent report = OpenDialogForm(title, 250, 330, 430);
  report.help_lines = help;
  ShowListBox(
      report, 10, 30, 300, 100,
      {title + " performed",
       std::string(" Mode= ") + (energy && mode == kEnergyLinear ? " Linear" : "Non-linear"),
       std::to_string(count) + " calibration items"});
  ui.ShowDialog(report);
}

namespace {

void SaveCalibration(const CalibrationContext& ctx, UserInterface& ui, CalibrationKind kind) {
  const bool energy = kind == CalibrationKind::kEnergy;
  const OneBasedArray<CalibrationItem>& items = energy ? ctx.enc.enc_points : ctx.efc.efc_points;
  const int n = ItemCount(energy ? ctx.enc.enc_count : ctx.efc.efc_count);
  if (n == 0) {
    ui.ShowNote("No calibration data");
    return;
  }
  std::string& file = energy ? ctx.files.enc_file : ctx.files.efc_file;
  const std::string title = energy ? "Save Energy Calibration" : "Save Efficiency Calibration";
  const auto chosen = ui.AskSaveFile({title, DirectoryPart(file), FileNamePart(file)});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) return;
  std::string why;
  const bool written = WriteFileAtomically(
      *chosen, [&](std::ostream& out) { WriteCalibrationFile(out, kind, items, n); }, &why);
  if (!written) {
    ui.ShowNote("Error, the file " + *chosen + " could not be written: " + why);
    return;
  }
  file = *chosen;
}

}  // namespace

void SaveEnergyCalibration(const CalibrationContext& ctx, UserInterface& ui) {
  SaveCalibration(ctx, ui, CalibrationKind::kEnergy);
}

void SaveEfficiencyCalibration(const CalibrationContext& ctx, UserInterface& ui) {
  SaveCalibration(ctx, ui, CalibrationKind::kEfficiency);
}

void ShowEnergyCalibrationGraph(const CalibrationContext& ctx, UserInterface& ui) {
  if (!ctx.enc.enc_present) {
    ui.ShowNote("No energy calibration set up");
    return;
  }
  DialogContent dialog = OpenDialogForm("Energy calibration", 250, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kEnergyCalibration, ctx.display.rus_help);
  DialogPicture& area = dialog.pictures[0];
  area.visible = true;
  area.left = 20;
  area.top = 0;
  area.picture = EnergyCalibrationPicture(ctx.calibrations());
  ui.ShowDialog(dialog);
}

}  // namespace pektra
