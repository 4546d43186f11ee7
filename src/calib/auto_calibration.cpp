#include "calib/auto_calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "core/dialog.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"

namespace pektra {

namespace {

constexpr std::array<double, 7> kRa226Lines = {186.1, 241.9, 295.2, 352.0, 609.4, 1120.0, 1764.0};
constexpr std::array<double, 7> kEu152Lines = {121.7824, 244.6989, 344.2811, 778.925,
                                               964.031,  1085.82,  1408.029};
constexpr double kSpacingTolerance = 5.0;  // channels
constexpr double kRaSpacing = 55.75;       // keV, mean spacing of 186..352
constexpr double kEuRatio = 1.23;          // spacing 122-245 over spacing 245-344
constexpr double kEuSpacing = 111.25;      // keV, mean spacing of 122..344
constexpr double kOutlierLimit = 25.0;     // keV
constexpr double kWarningLimit = 0.5;
constexpr double kFallbackLimit = 1.0;  // keV: a line farther off its peak is not on it

using Status = AutoCalibrationRun::Status;

std::string F(int width, int decimals, double x) { return FormatFixed(width, decimals, x); }

void Trace(DebugLog* trace, const std::string& line) {
  if (trace) trace->WriteLine(line);
}

// A group of spacings d(j).. that fits the source's pattern, and the gain it gives; 0 when the
// group does not fit. Spacings are 1-based: d[j - 1] is the spacing after peak j.
double GroupGain(const std::vector<double>& d, int j, CalibrationSource source, bool three) {
  const auto at = [&d](int k) { return d[static_cast<std::size_t>(k - 1)]; };
  const int count = static_cast<int>(d.size());
  double mean = 0.0;
  if (source == CalibrationSource::kEu152) {
    if (j + 1 > count || !(std::fabs(kEuRatio * at(j + 1) - at(j)) < kSpacingTolerance)) return 0;
    mean = (at(j) + at(j + 1)) / 2.0;
    return mean > 0.0 ? kEuSpacing / mean : 0.0;
  }
  if (j + 1 > count || !(std::fabs(at(j + 1) - at(j)) < kSpacingTolerance)) return 0.0;
  if (three) {
    if (j + 2 > count || !(std::fabs(at(j + 2) - at(j + 1)) < kSpacingTolerance)) return 0.0;
    mean = (at(j) + at(j + 1) + at(j + 2)) / 3.0;
  } else {
    mean = (at(j) + at(j + 1)) / 2.0;
  }
  // Coinciding peaks give no spacing to take a gain from.
  return mean > 0.0 ? kRaSpacing / mean : 0.0;
}

struct Pattern {
  int j = 0;
  double gain = 0.0;
};

// The groups in the order the procedure tries them: Ra226 first the triples, then the pairs.
std::vector<Pattern> Patterns(const std::vector<double>& d, CalibrationSource source) {
  std::vector<Pattern> found;
  const int p = static_cast<int>(d.size()) + 1;  // number of peaks
  if (source == CalibrationSource::kEu152) {
    for (int j = 1; j <= p - 2; ++j) {
      if (const double g = GroupGain(d, j, source, false); g > 0) found.push_back({j, g});
    }
    return found;
  }
  for (int j = 1; j <= p - 3; ++j) {
    if (const double g = GroupGain(d, j, source, true); g > 0) found.push_back({j, g});
  }
  for (int j = 1; j <= p - 2; ++j) {
    if (const double g = GroupGain(d, j, source, false); g > 0) found.push_back({-j, g});
  }
  return found;
}

std::vector<double> Spacings(std::span<const double> peaks) {
  std::vector<double> d;
  for (std::size_t k = 1; k < peaks.size(); ++k) d.push_back(peaks[k] - peaks[k - 1]);
  return d;
}

// Every item's line to the nearest peak (the lowest on a tie): channel and error 1.
void MatchReferenceLines(EnergyCalibration& enc, std::span<const double> peaks, double g, double a0,
                         DebugLog* trace) {
  Trace(trace, "ac0,bc0= " + F(9, 3, g) + F(9, 3, a0));
  double sum = 0.0;
  for (int i = 1; i <= enc.enc_count; ++i) {
    CalibrationItem& item = enc.enc_points[i];
    std::size_t best = 0;
    for (std::size_t k = 1; k < peaks.size(); ++k) {
      if (std::fabs(item[1] - (g * peaks[k] + a0)) < std::fabs(item[1] - (g * peaks[best] + a0))) {
        best = k;
      }
    }
    item[0] = peaks[best];
    item[2] = 1.0;
    const double r = item[1] - (g * item[0] + a0);
    sum += r * r;
  }
  Trace(trace, "chi2=" + F(9, 1, sum / std::max(1, enc.enc_count)));
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    Trace(trace, F(9, 3, item[1]) + F(9, 3, item[0]) + F(10, 3, g * item[0] + a0));
  }
}

// The offset of one pass: the mean excess of the side with more items, from the other side's
// count, a quarter of it in pass 1 and an eighth in pass 2.
double PassOffset(const EnergyCalibration& enc, double g, double a0, int pass) {
  double s_plus = 0.0, s_minus = 0.0;
  int n_plus = 0, n_minus = 0;
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    const double d = g * item[0] + a0 - item[1];
    if (d > 0) {
      s_plus += std::fabs(d);
      ++n_plus;
    } else {
      s_minus += std::fabs(d);
      ++n_minus;
    }
  }
  s_plus /= std::max(1, n_minus);
  s_minus /= std::max(1, n_plus);
  double offset = 0.0;
  if (n_plus > n_minus) offset = -s_plus;
  if (n_plus < n_minus) offset = s_minus;
  return offset * 0.25 / pass;
}

// Drops the one item farthest from the line g·x + a0 when it is more than 25 keV off.
void DropOutlier(EnergyCalibration& enc, double g, double a0, DebugLog* trace) {
  double worst_distance = 0.0;
  int worst = 1;
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    const double d = std::fabs(g * item[0] + a0 - item[1]);
    if (d > worst_distance) {
      worst_distance = d;
      worst = i;
    }
  }
  Trace(trace, F(9, 3, worst_distance) + F(5, 0, worst));
  if (worst_distance <= kOutlierLimit) return;
  for (int i = worst; i < enc.enc_count; ++i) enc.enc_points[i] = enc.enc_points[i + 1];
  --enc.enc_count;
}

double MaxDiscrepancy(const EnergyCalibration& enc) {
  double d = 0.0;
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    d = std::max(d, std::fabs(item[1] - LinearEnergy(enc, item[0])));
  }
  return d;
}

void TraceFit(DebugLog* trace, const EnergyCalibration& enc, double chi2) {
  if (!trace) return;
  Trace(trace,
        " Fitted par=" + F(9, 3, enc.enc_slope) + F(9, 3, enc.enc_intercept) + F(15, 2, chi2));
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    const double fitted = LinearEnergy(enc, item[0]);
    Trace(trace, "Aft " + F(9, 3, item[1]) + F(9, 3, item[0]) + F(10, 3, fitted) +
                     F(10, 3, item[1] - fitted));
  }
}

const char* NoPatternMessage(CalibrationSource source) {
  return source == CalibrationSource::kRa226 ? "No peaks 186, 242,295 KeV"
                                             : "No peaks 122, 245, 344 KeV";
}

}  // namespace

std::span<const double> ReferenceLines(CalibrationSource source) {
  if (source == CalibrationSource::kEu152) return kEu152Lines;
  return kRa226Lines;
}

std::vector<double> ReferenceLinesIn(CalibrationSource source, double emin, double emax) {
  std::vector<double> lines;
  for (const double e : ReferenceLines(source)) {
    if (emin <= e && e <= emax) lines.push_back(e);
  }
  return lines;
}

std::vector<int> PatternCandidates(std::span<const double> peaks, CalibrationSource source) {
  std::vector<int> starts;
  for (const Pattern& p : Patterns(Spacings(peaks), source)) starts.push_back(p.j);
  return starts;
}

AutoCalibrationRun RunAutoCalibration(const Calibrations& cal, std::span<const double> peaks,
                                      CalibrationSource source, double emin, double emax,
                                      DebugLog* trace, int pattern) {
  AutoCalibrationRun run;
  EnergyCalibration& enc = cal.enc;
  const std::vector<double> lines = ReferenceLinesIn(source, emin, emax);
  enc.enc_count = 0;
  for (const double e : lines) {
    if (enc.enc_count >= kMaxCalibrationItems) break;
    enc.enc_points[++enc.enc_count] = {0.0, e, 1.0};
  }
  if (enc.enc_count < 2) {
    run.status = Status::kWrongEnergies;
    run.message = "Wrong number of energies";
    return run;
  }
  enc.enc_mode = kEnergyLinear;
  enc.enc_present = true;

  const std::vector<double> d = Spacings(peaks);
  for (const double s : d) Trace(trace, F(8, 2, s));
  const std::vector<Pattern> patterns = Patterns(d, source);
  const auto chosen = pattern == 0
                          ? patterns.begin()
                          : std::find_if(patterns.begin(), patterns.end(),
                                         [pattern](const Pattern& p) { return p.j == pattern; });
  if (chosen == patterns.end()) {
    run.status = Status::kNoPattern;
    run.message = NoPatternMessage(source);
    return run;
  }
  run.pattern = chosen->j;
  const double g = chosen->gain;
  double a0 = 0.0;
  MatchReferenceLines(enc, peaks, g, a0, trace);
  for (int pass = 1; pass <= 2; ++pass) {
    Trace(trace, F(5, 0, pass));
    a0 = PassOffset(enc, g, a0, pass);
    MatchReferenceLines(enc, peaks, g, a0, trace);
  }
  DropOutlier(enc, g, a0, trace);
  run.gain = g;
  run.offset = a0;

  // A straight line needs two items on different channels: after the outlier went, or with every
  // line on one peak, ScaledChannel would divide by zero.
  if (!EnergyItemsProblem(enc.enc_points, enc.enc_count, kEnergyLinear).empty()) {
    run.status = Status::kUnusable;
    run.message = "Calibration failed";
    return run;
  }
  const double chi2 = FitEnergyLine(cal);
  TraceFit(trace, enc, chi2);
  run.discrepancy = MaxDiscrepancy(enc);
  Trace(trace, "chi2, chibest=" + F(9, 1, run.discrepancy));
  return run;
}

namespace {

// A gain and an offset that put the anchor lines of a group of marked peaks on their energies.
struct Hypothesis {
  double gain = 0.0, offset = 0.0;
};

// Groups of marked peaks, neighbours or not, spaced as the source's lines: Ra226 four peaks at
// nearly equal spacings (the lines 186..352 differ by up to 7 %), Eu152 three peaks whose
// spacings are in the ratio of the lines 122, 245, 344 keV within 2.5 %. Each gives the gain and
// offset of its outer lines.
std::vector<Hypothesis> Hypotheses(std::span<const double> p, CalibrationSource source) {
  std::vector<Hypothesis> found;
  const std::size_t n = p.size();
  const std::span<const double> lines = ReferenceLines(source);
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      const double s = p[b] - p[a];
      if (!(s > 0.0)) continue;
      for (std::size_t c = b + 1; c < n; ++c) {
        const double t = p[c] - p[b];
        if (source == CalibrationSource::kEu152) {
          const double ratio = (lines[1] - lines[0]) / (lines[2] - lines[1]);
          if (t > s) break;
          if (!(std::fabs(s / t - ratio) < 0.025 * ratio)) continue;
          const double g = (lines[2] - lines[0]) / (p[c] - p[a]);
          found.push_back({g, lines[0] - g * p[a]});
          continue;
        }
        if (t > 1.08 * s) break;
        if (!(std::fabs(t - s) < 0.08 * s)) continue;
        for (std::size_t d = c + 1; d < n; ++d) {
          const double u = p[d] - p[c];
          if (u > 1.08 * t) break;
          if (!(std::fabs(u - t) < 0.08 * t)) continue;
          const double g = (lines[3] - lines[0]) / (p[d] - p[a]);
          found.push_back({g, lines[0] - g * p[a]});
        }
      }
    }
  }
  return found;
}

// The unweighted straight line E = g·x + a0 through the items.
Hypothesis LineThroughItems(const EnergyCalibration& enc) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  const int n = enc.enc_count;
  for (int i = 1; i <= n; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    sx += item[0];
    sy += item[1];
    sxx += item[0] * item[0];
    sxy += item[0] * item[1];
  }
  const double det = n * sxx - sx * sx;
  if (!(det > 0.0)) return {};
  const double g = (n * sxy - sx * sy) / det;
  return {g, (sy - g * sx) / n};
}

// One hypothesis carried through: the lines matched, the line through the pairs, matched again,
// the worst item dropped beyond 25 keV, the straight line fitted.
AutoCalibrationRun TryHypothesis(const Calibrations& cal, std::span<const double> peaks,
                                 const std::vector<double>& lines, Hypothesis h) {
  EnergyCalibration& enc = cal.enc;
  enc.enc_count = 0;
  for (const double e : lines) enc.enc_points[++enc.enc_count] = {0.0, e, 1.0};
  enc.enc_mode = kEnergyLinear;
  enc.enc_present = true;
  MatchReferenceLines(enc, peaks, h.gain, h.offset, nullptr);
  if (const Hypothesis line = LineThroughItems(enc); line.gain > 0.0) h = line;
  MatchReferenceLines(enc, peaks, h.gain, h.offset, nullptr);
  DropOutlier(enc, h.gain, h.offset, nullptr);
  AutoCalibrationRun run;
  run.gain = h.gain;
  run.offset = h.offset;
  if (!EnergyItemsProblem(enc.enc_points, enc.enc_count, kEnergyLinear).empty()) {
    run.status = Status::kUnusable;
    run.message = "Calibration failed";
    return run;
  }
  FitEnergyLine(cal);
  // A line more than 1 keV off the fitted line sits on a neighbour of its peak (a weak line that
  // was not marked takes the nearest strong one): it goes, and the line is fitted again.
  while (enc.enc_count > 3) {
    int worst = 1;
    double worst_distance = 0.0;
    for (int i = 1; i <= enc.enc_count; ++i) {
      const double d = std::fabs(enc.enc_points[i][1] - LinearEnergy(enc, enc.enc_points[i][0]));
      if (d > worst_distance) {
        worst_distance = d;
        worst = i;
      }
    }
    if (worst_distance <= kFallbackLimit) break;
    for (int i = worst; i < enc.enc_count; ++i) enc.enc_points[i] = enc.enc_points[i + 1];
    --enc.enc_count;
    FitEnergyLine(cal);
  }
  run.discrepancy = MaxDiscrepancy(enc);
  return run;
}

// More lines on their peaks first, then the smaller discrepancy.
bool Better(const AutoCalibrationRun& run, int count, const AutoCalibrationRun& best,
            int best_count) {
  if (run.status != Status::kDone) return false;
  if (best.status != Status::kDone) return true;
  return count > best_count || (count == best_count && run.discrepancy < best.discrepancy);
}

}  // namespace

AutoCalibrationRun RunAutoCalibrationFallback(const Calibrations& cal,
                                              std::span<const double> peaks,
                                              CalibrationSource source, double emin, double emax) {
  AutoCalibrationRun best;
  const std::vector<double> lines = ReferenceLinesIn(source, emin, emax);
  if (lines.size() < 2 || lines.size() > static_cast<std::size_t>(kMaxCalibrationItems)) {
    best.status = Status::kWrongEnergies;
    best.message = "Wrong number of energies";
    return best;
  }
  best.status = Status::kNoPattern;
  best.message = NoPatternMessage(source);
  const EnergyCalibration start = cal.enc;
  EnergyCalibration best_enc = start;
  for (const Hypothesis& h : Hypotheses(peaks, source)) {
    cal.enc = start;
    const AutoCalibrationRun run = TryHypothesis(cal, peaks, lines, h);
    if (Better(run, cal.enc.enc_count, best, best_enc.enc_count)) {
      best = run;
      best_enc = cal.enc;
    }
  }
  cal.enc = best_enc;
  return best;
}

AutoCalibrationRun CalibrateWithFallback(const Calibrations& cal, std::span<const double> peaks,
                                         CalibrationSource source, double emin, double emax,
                                         DebugLog* trace, bool* fell_back) {
  if (fell_back) *fell_back = false;
  const EnergyCalibration start = cal.enc;
  const AutoCalibrationRun stated = RunAutoCalibration(cal, peaks, source, emin, emax, trace);
  if (stated.status == Status::kWrongEnergies ||
      (stated.status == Status::kDone && stated.discrepancy <= kWarningLimit)) {
    return stated;
  }
  const EnergyCalibration stated_enc = cal.enc;
  cal.enc = start;
  const AutoCalibrationRun other = RunAutoCalibrationFallback(cal, peaks, source, emin, emax);
  if (other.status == Status::kDone &&
      (stated.status != Status::kDone || other.discrepancy < stated.discrepancy)) {
    Trace(trace, " Other pattern: gain=" + F(9, 5, other.gain) + F(9, 3, other.offset) +
                     " chi2, chibest=" + F(9, 1, other.discrepancy));
    if (fell_back) *fell_back = true;
    return other;
  }
  cal.enc = stated_enc;
  return stated;
}

bool DiscrepancyWarning(int count, double discrepancy) {
  return std::sqrt(std::max(0, count) * discrepancy) > kWarningLimit;
}

std::vector<std::string> AutoCalibrationReport(const EnergyCalibration& enc, double discrepancy) {
  std::vector<std::string> lines = {"Max discrepancy(KeV)= " + F(10, 2, discrepancy), "",
                                    "   E_calib   Channel       E fitted", ""};
  for (int i = 1; i <= enc.enc_count; ++i) {
    const CalibrationItem& item = enc.enc_points[i];
    lines.push_back(F(10, 3, item[1]) + F(10, 3, item[0]) + F(15, 3, LinearEnergy(enc, item[0])));
  }
  return lines;
}

namespace {

DialogContent SourceDialog(const AutoCalibrationContext& ctx) {
  DialogContent dialog = OpenDialogForm("Auto energy calibration", 170, 330, 430);
  dialog.help_lines = HelpLines(HelpTopic::kAutoCalibration, ctx.rus_help);
  ShowLabel(dialog, 0, 5, 20, "Select the source for calibration");
  ShowChoiceList(dialog, 0, 5, 45, 300, 90, {"   Ra226", "   Eu152"}, 0);
  ShowLabel(dialog, 1, 5, 150, "Specify the max energy of spectrum peaks");
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 40;
  grid.top = 180;
  grid.rows = grid.visible_rows = 2;
  grid.field_width = 8;
  grid.value_columns = 1;
  grid.column_widths = {120, 100};
  grid.labels = {" E_min (Kev) =", " E_max (Kev) ="};
  grid.cells = {{FormatGridCell(grid.field_width, 100)}, {FormatGridCell(grid.field_width, 1770)}};
  ShowLabel(dialog, 2, 10, 250,
            " Number of marked peaks for calibration = " + std::to_string(ctx.peak_count));
  ShowLabel(dialog, 3, 10, 270, " Max energy of Ra peaks=1770; Eu=1410 KeV.");
  return dialog;
}

double CellValue(const DialogContent& dialog, std::size_t row) {
  const auto& cells = dialog.grid.cells;
  int readable = 1;
  return EntryToReal(row < cells.size() && !cells[row].empty() ? cells[row][0] : "", readable);
}

void ShowReport(const EnergyCalibration& enc, double discrepancy, bool rus_help,
                UserInterface& ui) {
  DialogContent report = OpenDialogForm("Auto energy calibration", 170, 400, 430);
  report.help_lines = HelpLines(HelpTopic::kAutoCalibration, rus_help);
  ShowListBox(report, 3, 40, 380, 300, AutoCalibrationReport(enc, discrepancy));
  ui.ShowDialog(report);
}

}  // namespace

bool AutoEnergyCalibration(const AutoCalibrationContext& ctx, UserInterface& ui) {
  if (ctx.peak_count < 5) {
    ui.ShowNote("Too little peaks for auto-calibration");
    return false;
  }
  std::vector<double> peaks;
  for (int k = 1; k <= std::min(ctx.peak_count, ctx.peak_list.capacity()); ++k) {
    peaks.push_back(ctx.peak_list[k]);
  }
  std::sort(peaks.begin(), peaks.end());
  std::unique_ptr<DebugLog> trace;
  if (ctx.debug_mode) {
    trace = std::make_unique<DebugLog>(ctx.trace_file);
  }

  DialogContent dialog = SourceDialog(ctx);
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const auto source =
      dialog.choice_lists[0].selected == 1 ? CalibrationSource::kEu152 : CalibrationSource::kRa226;
  const double emin = CellValue(dialog, 0), emax = CellValue(dialog, 1);

  // Worked out on a copy: a failed or refused calibration leaves the one in force as it was.
  EnergyCalibration enc = ctx.cal.enc;
  const Calibrations cal{enc, ctx.cal.efc, ctx.cal.work};
  const AutoCalibrationRun run = RunAutoCalibration(cal, peaks, source, emin, emax, trace.get());
  if (trace) trace->Flush();
  if (run.status == Status::kWrongEnergies) {
    ui.ShowNote(run.message);
    return false;
  }
  if (run.status == Status::kNoPattern) ui.ShowNote(run.message);
  if (run.status != Status::kDone ||
      (DiscrepancyWarning(enc.enc_count, run.discrepancy) &&
       !ui.AskYesNo("Warning, discrepancy more than 0.5KeV; Proceed?", true))) {
    ui.ShowNote("Calibration failed");
    return false;
  }
  ctx.cal.enc = enc;
  ShowReport(enc, run.discrepancy, ctx.rus_help, ui);
  return true;
}

}  // namespace pektra
