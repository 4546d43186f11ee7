#include "ui/settings_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "state/analysis_state.h"

namespace pektra {

namespace {

struct GridRow {
  const char* label;
  double shown;
};

// A settings dialog with one value column: OpenDialogForm(250, 330, 430) and the grid at (40, 30).
DialogContent GridDialog(const std::string& title, int label_width, int value_width,
                         const std::vector<GridRow>& rows, HelpTopic help, bool rus_help) {
  DialogContent dialog = OpenDialogForm(title, 250, 330, 430);
  dialog.help_lines = HelpLines(help, rus_help);
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 40;
  grid.top = 30;
  grid.field_width = 8;
  grid.value_columns = 1;
  grid.rows = grid.visible_rows = static_cast<int>(rows.size());
  grid.column_widths = {label_width, value_width};
  for (const GridRow& row : rows) {
    grid.labels.emplace_back(row.label);
    grid.cells.push_back({FormatGridCell(grid.field_width, row.shown)});
  }
  return dialog;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Every cell of the grid read as a number; nothing (after a note naming the row) when a cell is
// empty or unreadable.
std::optional<std::vector<double>> ReadGrid(const DialogContent& dialog, AnalysisState& state,
                                            UserInterface& ui) {
  const DialogParameterGrid& grid = dialog.grid;
  std::vector<double> values;
  for (std::size_t r = 0; r < grid.labels.size(); ++r) {
    const std::string text =
        r < grid.cells.size() && !grid.cells[r].empty() ? grid.cells[r][0] : std::string();
    int readable = 1;
    const double v = EntryToReal(text, readable);
    if (readable != 1 || Trimmed(text).empty() || !std::isfinite(v)) {
      state.view.dialog_ok = 0;
      ui.ShowNote(WrongSettingMessage(grid.labels[r], "\"" + text + "\" is not a number"));
      return std::nullopt;
    }
    values.push_back(v);
  }
  state.view.dialog_ok = 1;
  return values;
}

// Whole channel numbers of the dialogs, kept inside the int range before rounding.
int Channel(double v) { return RoundToInt(std::clamp(v, -1.0e9, 1.0e9)); }

std::string General4(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4G", x);
  return text;
}

}  // namespace

std::string WrongSettingMessage(const std::string& label, const std::string& why) {
  return "Error in \"" + Trimmed(label) + "\": " + why + "; nothing changed";
}

bool SetSpectrumData(AnalysisState& state, UserInterface& ui) {
  TSpectrum& sp = state.spectrum;
  ProcessingSettings& processing = state.processing;
  DialogContent dialog = GridDialog("Setting the spectrum data", 150, 90,
                                    {{" Spectrum beginning", static_cast<double>(sp.a1)},
                                     {" Spectrum end", static_cast<double>(sp.a2)},
                                     {" Interval beginning", static_cast<double>(sp.b1)},
                                     {" Interval end", static_cast<double>(sp.b2)},
                                     {" Spectrum File Type", static_cast<double>(sp.file_type)},
                                     {" Small Statistics", processing.small_stat},
                                     {" Covar", processing.covar},
                                     {" Order for blunders", processing.order},
                                     {" Chi2 for blunders", processing.chibc},
                                     {" Width_1(chan)", sp.w1},
                                     {" Width_2(chan)", sp.w2},
                                     {" Delta Width(chan)", sp.delta_w}},
                                    HelpTopic::kSpectrumData, state.display.rus_help);
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const std::optional<std::vector<double>> v = ReadGrid(dialog, state, ui);
  if (!v) return false;
  const std::vector<double>& x = *v;
  // The clamps of the dialog, then the bounds kept inside the channels at all.
  const int a1 = std::min(Channel(std::max(x[0], 1.0)), kMaxChannels);
  const int a2 = std::max(Channel(std::min(x[1], double{kMaxChannels})), 1);
  int b1 = std::min(Channel(std::max(x[2], 1.0)), kMaxChannels);
  int b2 = std::max(Channel(std::min(x[3], double{kMaxChannels})), 1);
  if (a1 >= a2) {
    ui.ShowNote(WrongSettingMessage(" Spectrum end",
                                    "the spectrum must end after channel " + std::to_string(a1)));
    return false;
  }
  if (b1 < a1 || b1 > a2) b1 = a1 + 1;
  if (b2 < a1 || b2 > a2) b2 = a2 - 1;
  if (b1 >= b2) {
    ui.ShowNote(WrongSettingMessage(" Interval end",
                                    "the interval must end after channel " + std::to_string(b1)));
    return false;
  }
  const int file_type = Channel(x[4]);
  if (file_type < kBinary16 || file_type > kStandard) {
    ui.ShowNote(WrongSettingMessage(
        " Spectrum File Type", "type " + std::to_string(file_type) + " unknown, allowed " +
                                   std::to_string(kBinary16) + " to " + std::to_string(kStandard)));
    return false;
  }
  // The values the init file accepts for these settings.
  for (const std::size_t row : {5u, 6u, 7u, 8u, 11u}) {
    if (x[row] < 0) {
      ui.ShowNote(WrongSettingMessage(dialog.grid.labels[row], "allowed 0 or more"));
      return false;
    }
  }
  sp.a1 = a1;
  sp.a2 = a2;
  sp.b1 = b1;
  sp.b2 = b2;
  sp.file_type = file_type;
  processing.small_stat = Channel(x[5]);
  processing.covar = x[6];
  processing.order = x[7];
  processing.chibc = x[8];
  sp.w1 = std::max(x[9], 0.25);
  sp.w2 = std::max(x[10], 0.25);
  sp.delta_w = x[11];
  state.view.interval_begin = sp.b1;
  state.view.interval_end = sp.b2;
  state.view.interval_length = sp.b2 - sp.b1 + 1;
  sp.ApplyVarianceFormula(processing.covar);
  return true;
}

bool SetMarkingData(AnalysisState& state, UserInterface& ui) {
  MarkingState& m = state.marking;
  DialogContent dialog = GridDialog("Setting the marking data", 140, 100,
                                    {{" Smoothing  ", m.smoothing},
                                     {" Max.interval (chan)", static_cast<double>(m.max_interval)},
                                     {" Sensitivity  ", m.sens},
                                     {" Resolution  ", m.resol},
                                     {" kWidth", m.k_width},
                                     {" adInterv (chan)", m.ad_interv}},
                                    HelpTopic::kMarkingData, state.display.rus_help);
  ShowLabel(dialog, 0, 10, 200, "Interval  Length = 2 * kWidth * Width + adInterv");
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const std::optional<std::vector<double>> v = ReadGrid(dialog, state, ui);
  if (!v) return false;
  const std::vector<double>& x = *v;
  // A search needs intervals of some channels, a positive sensitivity and interval width (the
  // values the init file accepts).
  const int max_interval = std::min(512, Channel(x[1]));
  if (max_interval < 64) {
    ui.ShowNote(WrongSettingMessage(" Max.interval (chan)", "allowed 64 to 512"));
    return false;
  }
  if (!(x[2] > 0)) {
    ui.ShowNote(WrongSettingMessage(" Sensitivity  ", "allowed above 0"));
    return false;
  }
  if (!(x[4] > 0)) {
    ui.ShowNote(WrongSettingMessage(" kWidth", "allowed above 0"));
    return false;
  }
  m.smoothing = x[0];
  m.max_interval = max_interval;
  m.sens = x[2];
  m.resol = x[3];
  m.k_width = x[4];
  m.ad_interv = Channel(x[5]);
  return true;
}

bool SetFitData(AnalysisState& state, UserInterface& ui) {
  TSpectrum& sp = state.spectrum;
  FitState& fit = state.fit;
  ResultTable& results = state.results;
  DialogContent dialog = GridDialog("Setting the fitting data", 140, 100,
                                    {{" Width variable", sp.width_variable},
                                     {" Delta Width V", sp.delta_width_v},
                                     {" N of iterations ", static_cast<double>(fit.niter)},
                                     {"     Step       ", fit.step},
                                     {"  Damper     ", fit.damper},
                                     {" Backgr.degree ", static_cast<double>(std::abs(sp.dback))},
                                     {" Delta Pos.    ", fit.delta_pos},
                                     {" Normalization coef.", results.norm_coefficient},
                                     {" Peak chan.number N ", results.norm_coefficient}},
                                    HelpTopic::kFitData, state.display.rus_help);
  ShowCheckList(dialog, 5, 250, 310, 20, {" Set peak channel number N for normalisation"},
                {!results.norm_by_coefficient});
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const std::optional<std::vector<double>> v = ReadGrid(dialog, state, ui);
  if (!v) return false;
  const std::vector<double>& x = *v;
  const int niter = Channel(x[2]);
  if (niter < 1 || niter > 1000) {
    ui.ShowNote(WrongSettingMessage(" N of iterations ", "allowed 1 to 1000"));
    return false;
  }
  const double step = std::fabs(x[3]);
  if (!(step > 0 && step <= 1)) {
    ui.ShowNote(WrongSettingMessage("     Step       ", "allowed above 0 up to 1"));
    return false;
  }
  for (const std::size_t row : {4u, 6u}) {
    if (x[row] < 0) {
      ui.ShowNote(WrongSettingMessage(dialog.grid.labels[row], "allowed 0 or more"));
      return false;
    }
  }
  sp.width_variable = x[0];
  sp.delta_width_v = x[1];
  fit.niter = niter;
  fit.step = step;
  fit.damper = x[4];
  sp.dback = Channel(std::min(std::fabs(x[5]), 3.0));
  fit.delta_pos = x[6];
  // The row of the mode that was not in force holds the value that counts: a user switching the
  // mode types the new value there.
  results.norm_coefficient = results.norm_by_coefficient ? x[8] : x[7];
  const std::vector<bool>& ticked = dialog.check_list.checked;
  results.norm_by_coefficient = !(!ticked.empty() && ticked[0]);
  return true;
}

bool SetWidthDependence(AnalysisState& state, UserInterface& ui) {
  const TSpectrum& sp = state.spectrum;
  if (sp.b2 == sp.b1) {
    ui.ShowNote("Error, the interval " + std::to_string(sp.b1) + " - " + std::to_string(sp.b2) +
                " has one channel: no width dependence");
    return false;
  }
  WidthLine& width = state.width;
  width.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1);
  width.width_offset = sp.w1 - sp.b1 * width.width_slope;
  state.view.status_text[0] =
      "   W(chan) = " + General4(width.width_slope) + " * chan + " + General4(width.width_offset);
  state.view.status_text[1] = "     W(" + std::to_string(sp.b1) + ") = " + General4(sp.w1) +
                              ";        W(" + std::to_string(sp.b2) + ") = " + General4(sp.w2);
  ui.ShowStatus(state.view.status_text[0], state.view.status_text[1]);
  return true;
}

bool SetGraphScale(AnalysisState& state, UserInterface& ui) {
  ViewState& view = state.view;
  DialogContent dialog = OpenDialogForm("Select the scale mode");
  dialog.help_lines = HelpLines(HelpTopic::kScales, state.display.rus_help);
  ShowChoiceList(dialog, 0, 30, 30, 200, 180, {"Normal", "SQRT", "LN", "Trimmed"},
                 std::clamp(static_cast<int>(view.scale_mode), 1, 4) - 1);
  ShowLabel(dialog, 0, 30, 250, "Trimming coefficient = ");
  dialog.edit_line.visible = true;
  dialog.edit_line.left = 200;
  dialog.edit_line.top = 248;
  dialog.edit_line.width = 90;
  dialog.edit_line.text = FormatFixed(7, 3, view.trim_coefficient);
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const int chosen = std::clamp(dialog.choice_lists[0].selected, 0, 3) + 1;
  view.scale_mode = static_cast<ScaleMode>(chosen);
  if (view.scale_mode == ScaleMode::kTrimmed) {
    int readable = 1;
    const double trim = EntryToReal(dialog.edit_line.text, readable);
    // A coefficient of 0 or below would put the top of the graph at or below its bottom.
    if (readable == 1 && std::isfinite(trim) && trim > 0) {
      view.trim_coefficient = trim;
    } else {
      ui.ShowNote("Wrong trimming");
    }
  }
  return true;
}

bool SetFormAndFont(AnalysisState& state, UserInterface& ui) {
  DisplaySettings& display = state.display;
  DialogContent dialog = OpenDialogForm("", 100, 320, 430);
  ShowLabel(dialog, 0, 50, 32, "   Set the screen scale ");
  ShowChoiceList(dialog, 0, 50, 55, 200, 80, {"1", "1.25", "1.5"}, 1);
  ShowLabel(dialog, 1, 50, 152, "   Set the font size ");
  ShowChoiceList(dialog, 1, 50, 175, 200, 80, {" Small (8)", " Regular (10)", " Large (12)"}, 2);
  ShowCheckList(dialog, 50, 280, 200, 20, {" Use Russian Helps"}, {display.rus_help});
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  constexpr double kScales[] = {1.0, 1.25, 1.5};
  constexpr int kFonts[] = {8, 10, 12};
  const std::vector<bool>& ticked = dialog.check_list.checked;
  display.rus_help = !ticked.empty() && ticked[0];
  display.screen_scale = kScales[std::clamp(dialog.choice_lists[0].selected, 0, 2)];
  display.font_size = kFonts[std::clamp(dialog.choice_lists[1].selected, 0, 2)];
  ui.DisplaySettingsChanged(display);
  return true;
}

}  // namespace pektra
