#include "spectrum/blunders.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"

namespace pektra {

namespace {

constexpr const char* kCommand = "Correct for Blunders";

// The value at j of the line c0 + c1·x laid over the channels j − 2, j − 1, j + 1 (x = −2, −1, +1):
// c0 = (3A + B)/7 with A = sp(j−2) + L + R, B = L − R − 2·sp(j−2). This c0 is not quite the
// least-squares one (that would have B = R − L − 2·sp(j−2)): on a slope of s per channel it comes
// out 4s/7 low and the χ² grows by about 3.4·W·s², so sloped neighbourhoods (peak flanks) fail the
// flatness test, and where it passes the offset stays under a third of the error. Kept for that
// caution: the least-squares form changes many more channels of genuine peaks.
double LineValue(const OneBasedArray<double>& c, int j) {
  const double A = c[j - 2] + c[j - 1] + c[j + 1];
  const double B = c[j - 1] - c[j + 1] - 2.0 * c[j - 2];
  return (3.0 * A + B) / 7.0;
}

// Whether the local test keeps channel j: as the top of a narrow peak (its counts rise and fall
// by more than 2·√|S| over two channels on both sides), or because the line with value c0 does
// not fit the neighbourhood (weighted χ² above chibc: not flat).
bool KeptByLocalTest(const TSpectrum& sp, int j, double S, double chibc, double c0) {
  const auto& c = sp.counts;
  const double l2 = c[j - 2], l = c[j - 1], y = c[j], r = c[j + 1], r2 = c[j + 2];
  const double t = 2.0 * std::sqrt(std::fabs(S));
  if (l - l2 > t && y - l > t && y - r > t && r - r2 > t) return true;
  const double c1 = (3.0 * c0 - (l2 + l + r)) / 2.0;
  const double d2 = c0 - 2.0 * c1 - l2, dr = c0 + c1 - r, dl = c0 - c1 - l;
  const double chi2 =
      sp.Weight(j - 2) * d2 * d2 + sp.Weight(j + 1) * dr * dr + sp.Weight(j - 1) * dl * dl;
  return chi2 > chibc;
}

// A count as the status line shows it: to a tenth.
std::string Tenths(double count) { return FormatShortest(RoundHalfEven(count * 10.0) / 10.0); }

}  // namespace

int CorrectBlunders(TSpectrum& sp, int first, int last, const ProcessingSettings& settings,
                    std::vector<BlunderCorrection>* corrections) {
  first = std::max(first, 1);
  last = std::min(last, sp.counts.capacity());
  if (last - first < 2) return 0;
  auto& c = sp.counts;
  int corrected = 0;
  for (int j = first + 1; j <= last - 1; ++j) {
    const double L = c[j - 1], R = c[j + 1], y = c[j];
    const bool empty_side = L * R == 0.0;
    const double S = empty_side ? 2.0 * std::fabs(L - R) : L + R;
    if (y != 0.0 && S < settings.small_stat) continue;
    const double r = empty_side ? 0.0 : std::fabs(L - R) / (std::fabs(S) + 1.0);
    const bool agree = r < 0.25;
    const bool edge = j == first + 1 || j == last - 1;
    // Next to the range's ends there is no local test: when the neighbours disagree there (an
    // overflow count in the last channel, say) their mean is no estimate, and the channel stays.
    if (edge && !agree && y != 0.0) continue;
    const bool short_path = edge || y == 0.0 || (agree && (y > S || y < S / 4.0));
    const double e = short_path ? S / 2.0 : LineValue(c, j);
    // A channel is corrected only when it passes every test; the deviation, the cheapest of them,
    // is judged first, so the local test runs for the few channels that deviate.
    const double q = sp.Weight(j) * (e - y) * (e - y);
    if (!(q > settings.order)) continue;
    if (!short_path && KeptByLocalTest(sp, j, S, settings.chibc, e)) continue;
    c[j] = MaxD(0.0, e);
    ++corrected;
    if (corrections) corrections->push_back({j, y, c[j]});
  }
  return corrected;
}

std::string CorrectionsLine(const std::vector<BlunderCorrection>& corrections) {
  constexpr std::size_t kShown = 4;
  std::string line;
  for (std::size_t k = 0; k < corrections.size() && k < kShown; ++k) {
    const BlunderCorrection& b = corrections[k];
    line += (k == 0 ? "Channel " : ", ") + std::to_string(b.channel) + " (" + Tenths(b.old_count) +
            " -> " + Tenths(b.new_count) + ")";
  }
  if (corrections.size() > kShown) {
    line += " and " + std::to_string(corrections.size() - kShown) + " more";
  }
  return line;
}

namespace {

DialogContent BlunderDialog(const SpectrumProcessingContext& ctx) {
  DialogContent dialog = OpenDialogForm("Correcting for blunders");
  dialog.help_lines = HelpLines(HelpTopic::kBlunders, ctx.rus_help);
  ShowLabel(dialog, 0, 5, 5, "Check chibc and order");
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 5;
  grid.top = 30;
  grid.rows = 2;
  grid.field_width = 8;
  grid.value_columns = 1;
  grid.visible_rows = 2;
  grid.column_widths = {100, 80};
  grid.labels = {" Chibc= ", " Order= "};
  grid.cells = {{FormatGridCell(grid.field_width, ctx.processing.chibc)},
                {FormatGridCell(grid.field_width, ctx.processing.order)}};
  return dialog;
}

// The cell of row `row` read with EntryToReal; false when it cannot be read.
bool ReadCell(const DialogContent& dialog, std::size_t row, double& value) {
  const auto& cells = dialog.grid.cells;
  const std::string text = row < cells.size() && !cells[row].empty() ? cells[row][0] : "";
  int readable = 1;
  value = EntryToReal(text, readable);
  return readable == 1;
}

void LogCorrections(DebugLog* log, int count, const ProcessingSettings& settings,
                    const std::vector<BlunderCorrection>& corrections) {
  if (!log) return;
  log->WriteLine(std::string(kCommand) + ": " + std::to_string(count) +
                 " blunders corrected (chibc = " + FormatShortest(settings.chibc) +
                 ", order = " + FormatShortest(settings.order) + ")");
  for (const BlunderCorrection& b : corrections) {
    log->WriteLine("  channel " + std::to_string(b.channel) + ": " + FormatShortest(b.old_count) +
                   " -> " + FormatShortest(b.new_count));
  }
  log->Flush();
}

}  // namespace

void CorrectForBlunders(const SpectrumProcessingContext& ctx, UserInterface& ui) {
  DialogContent dialog = BlunderDialog(ctx);
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  double chibc = 0.0, order = 0.0;
  // A negative order would count every channel as a blunder; a negative chibc is no test.
  if (!ReadCell(dialog, 0, chibc) || !ReadCell(dialog, 1, order) || chibc < 0 || order < 0) {
    ui.ShowNote("Error, wrong numbers");
    return;
  }
  ctx.processing.chibc = chibc;
  ctx.processing.order = order;
  TSpectrum corrected = ctx.spectrum;
  std::vector<BlunderCorrection> corrections;
  const int count =
      CorrectBlunders(corrected, corrected.a1, corrected.a2, ctx.processing, &corrections);
  if (count > 0) {
    ctx.undo.Push(kCommand, ctx.spectrum);
    ctx.spectrum = std::move(corrected);
  }
  ctx.view.status_text = {std::to_string(count) + " blunders corrected",
                          CorrectionsLine(corrections)};
  LogCorrections(ctx.debug_log, count, ctx.processing, corrections);
}

}  // namespace pektra
