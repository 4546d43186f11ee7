// Reading the init file. Every value is checked against the range that the dialogs allow for
// its setting before it is stored: a value outside is refused with a message that names the
// setting, and the setting keeps its previous value.
#include "state/init_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>

#include "calib/calibration.h"
#include "calib/file_calibration.h"
#include "core/arithmetic.h"
#include "core/file_names.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace pektra {

namespace {

constexpr std::size_t kMaxKeyLength = 11;
constexpr int kMaxCommandNumbers = 5;
constexpr double kAny = std::numeric_limits<double>::infinity();

// The numbers of one command's data. Callers put the present values in first: the data of a
// command cut short replace only the values they reach.
using Numbers = OneBasedArray<double>;

// A line beginning with three dots (after blanks) is a command line, never data: the command lines
// begin with seven, no number begins with two and no usual file name with three.
bool IsCommandLine(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t");
  return start != std::string_view::npos && line.substr(start, 3) == "...";
}

// The values a setting accepts. Whole settings are rounded (halves to even) before the test.
struct Rule {
  const char* name;  // as the message names it
  bool whole;
  double low, high;
  bool above_low = false;  // low itself is refused
};

std::string Allowed(const Rule& rule) {
  const std::string low = FormatShortest(rule.low), high = FormatShortest(rule.high);
  if (rule.above_low) {
    return "above " + low + (rule.high == kAny ? std::string() : " up to " + high);
  }
  return rule.high == kAny ? low + " or more" : low + " to " + high;
}

// A setting's value as a number, also for the settings kept as an enumeration.
template <typename T>
double AsNumber(T value) {
  if constexpr (std::is_enum_v<T>) {
    return static_cast<int>(value);
  } else {
    return static_cast<double>(value);
  }
}

// The lines of the init file with one line of look-ahead: a command's data stop at a command
// line, which is then read as the next command.
class InitLines {
 public:
  explicit InitLines(std::istream& in) : in_(in) {}
  bool Next(std::string& line) {
    if (held_) {
      line = std::move(*held_);
      held_.reset();
      return true;
    }
    return ReadWholeLine(in_, line);
  }
  void PutBack(std::string line) { held_ = std::move(line); }

 private:
  std::istream& in_;
  std::optional<std::string> held_;
};

// Carries out the commands of one init file on the state and collects its messages.
class InitReader {
 public:
  InitReader(std::istream& in, AnalysisState& state) : lines_(in), state_(state) {}
  InitMessages Run();

 private:
  int ReadNumbers(Numbers& numbers, int n);
  std::optional<std::string> ReadNameLine();
  bool ReadOneNumber(double& value);

  void Refuse(const Rule& rule, double value, double previous);
  // Stores `value` when the rule accepts it; otherwise says so and keeps the target.
  template <typename T>
  void Store(const Rule& rule, double value, T& target) {
    const double previous = AsNumber(target);
    const double stored = rule.whole ? RoundHalfEven(value) : value;
    const bool inside = std::isfinite(stored) &&
                        (rule.above_low ? stored > rule.low : stored >= rule.low) &&
                        stored <= rule.high;
    if (!inside) return Refuse(rule, value, previous);
    if constexpr (std::is_same_v<T, double>) {
      target = stored;
    } else {
      target = static_cast<T>(static_cast<int>(stored));
    }
  }

  void RunCommand(const std::string& key);
  void InputTheSpectrum();
  void SetTheAnalysisBounds();
  void EnterTheWidthInformation();
  void EnterVariableWidth();
  void MarkTheSpectrum();
  void RefineThePeaks();
  void SetThePeakModel();
  void EnterCalibrationData(bool energy);
  bool OneNumberSetting(const std::string& key);

  InitLines lines_;
  AnalysisState& state_;
  InitMessages messages_;
};

void InitReader::Refuse(const Rule& rule, double value, double previous) {
  messages_.push_back(std::string(rule.name) + " " + FormatShortest(value) + " refused, allowed " +
                      Allowed(rule) + "; " + FormatShortest(previous) + " kept");
}

// Reads up to n numbers into numbers[1..n]; returns how many were read. Empty and comment lines
// are skipped, a trailing "*" comment is dropped, a line beginning with "/" ends the data, and so
// does a command line, which is left for the next command. Numbers left on the last line read
// are dropped.
int InitReader::ReadNumbers(Numbers& numbers, int n) {
  int count = 0;
  std::string line;
  while (count < n && lines_.Next(line)) {
    if (line.empty() || line.front() == '*') continue;
    if (IsCommandLine(line)) {
      lines_.PutBack(std::move(line));
      break;
    }
    if (line.front() == '/') break;
    const std::size_t comment = line.find('*');
    if (comment != std::string::npos) line.erase(comment);
    for (const double x : ParseNumbers(line)) {
      numbers[++count] = x;
      if (count == n) break;
    }
  }
  return count;
}

// The next line that is no comment, cut to 255 characters (an empty line is an empty name);
// nothing at the end of the file or at a command line.
std::optional<std::string> InitReader::ReadNameLine() {
  std::string line;
  while (lines_.Next(line)) {
    if (!line.empty() && line.front() == '*') continue;
    if (IsCommandLine(line)) {
      lines_.PutBack(std::move(line));
      return std::nullopt;
    }
    if (line.size() > static_cast<std::size_t>(kMaxLineLength)) line.resize(kMaxLineLength);
    return line;
  }
  return std::nullopt;
}

bool InitReader::ReadOneNumber(double& value) {
  Numbers v(1, value);
  if (ReadNumbers(v, 1) == 0) return false;
  value = v[1];
  return true;
}

const Rule kSpectrumBegin{"a1", true, 1, kMaxChannels};
const Rule kSpectrumEnd{"a2", true, 1, kMaxChannels};
const Rule kSpectrumMode{"spectrum mode", true, kBinary16, kStandard};
const Rule kIntervalBegin{"b1", true, 1, kMaxChannels};
const Rule kIntervalEnd{"b2", true, 1, kMaxChannels};
// The widths as the "Find the Peaks" dialog accepts them.
const Rule kWidthBegin{"w1", false, 0, kAny, true};
const Rule kWidthEnd{"w2", false, 0, kAny, true};
const Rule kWidthAccuracy{"DeltaW", false, 0, kAny};
const Rule kMarkMode{"mark mode", true, 0, 4};
const Rule kSensitivity{"sens", false, 0, kAny, true};
const Rule kAlgorithm{"ndf", true, 0, 1};

// "IS": a1, a2, type, skip, reverse, then the spectrum file name on the next data line.
void InitReader::InputTheSpectrum() {
  TSpectrum& sp = state_.spectrum;
  Numbers v(kMaxCommandNumbers, 0.0);
  v[1] = sp.a1;
  v[2] = sp.a2;
  v[3] = sp.file_type;
  v[4] = state_.input.skip_header ? 1.0 : 0.0;
  v[5] = state_.input.reverse_bytes ? 1.0 : 0.0;
  if (ReadNumbers(v, 5) == 0) return;
  Store(kSpectrumBegin, v[1], sp.a1);
  Store(kSpectrumEnd, v[2], sp.a2);
  OrderPair(sp.a1, sp.a2);
  Store(kSpectrumMode, v[3], sp.file_type);
  state_.input.skip_header = v[4] == 1.0;
  state_.input.reverse_bytes = v[5] == 1.0;
  // The name is the whole line, even when it looks like a command key or is empty; an empty name
  // is how a state without spectrum is written. At the end of the data the old name stays.
  const std::optional<std::string> name = ReadNameLine();
  if (!name) return;
  sp.file_name = *name;
  const std::string directory = DirectoryPart(*name);
  if (!directory.empty()) state_.input.spectrum_dir = directory;
}

// "SAB": the interval under analysis, also kept as the init file's bounds.
void InitReader::SetTheAnalysisBounds() {
  TSpectrum& sp = state_.spectrum;
  Numbers v(2, 0.0);
  v[1] = sp.b1;
  v[2] = sp.b2;
  if (ReadNumbers(v, 2) == 0) return;
  Store(kIntervalBegin, v[1], sp.b1);
  Store(kIntervalEnd, v[2], sp.b2);
  OrderPair(sp.b1, sp.b2);
  state_.view.interval_begin = sp.b1;
  state_.view.interval_end = sp.b2;
  state_.view.interval_length = sp.b2 - sp.b1 + 1;
  state_.input.ini_b1 = sp.b1;
  state_.input.ini_b2 = sp.b2;
}

// "EWI": w1, w2, DeltaW, and the width line through w1 at a1 and w2 at a2.
void InitReader::EnterTheWidthInformation() {
  TSpectrum& sp = state_.spectrum;
  Numbers v(3, 0.0);
  v[1] = sp.w1;
  v[2] = sp.w2;
  v[3] = sp.delta_w;
  if (ReadNumbers(v, 3) == 0) return;
  Store(kWidthBegin, v[1], sp.w1);
  Store(kWidthEnd, v[2], sp.w2);
  Store(kWidthAccuracy, v[3], sp.delta_w);
  if (sp.a2 == sp.a1) {
    // A one-channel spectrum has no slope; the previous width line stays usable.
    if (state_.debug_log) {
      state_.debug_log->WriteLine("Init file: a1 = a2 = " + std::to_string(sp.a1) +
                                  ", width line kept");
    }
    return;
  }
  state_.width.width_slope = (sp.w2 - sp.w1) / (sp.a2 - sp.a1);
  state_.width.width_offset = sp.w1 - sp.a1 * state_.width.width_slope;
}

void InitReader::EnterVariableWidth() {
  TSpectrum& sp = state_.spectrum;
  Numbers v(2, 0.0);
  v[1] = sp.width_variable;
  v[2] = sp.delta_width_v;
  if (ReadNumbers(v, 2) == 0) return;
  sp.width_variable = v[1];
  sp.delta_width_v = v[2];
}

void InitReader::MarkTheSpectrum() {
  MarkingState& marking = state_.marking;
  Numbers v(4, 0.0);
  v[1] = static_cast<int>(marking.mark_mode);
  v[2] = marking.sens;
  v[3] = marking.resol;
  v[4] = marking.ndf;
  if (ReadNumbers(v, 4) == 0) return;
  Store(kMarkMode, v[1], marking.mark_mode);
  Store(kSensitivity, v[2], marking.sens);
  marking.resol = v[3];  // any resolution is taken, as in the dialog
  Store(kAlgorithm, v[4], marking.ndf);
}

// "Refine the Peaks by the Fit": on (1) or off (0), the acceptance threshold (area / error), the
// distance (FWHM) under which two peaks are one, the significance of a residual excess that
// becomes a peak, and the threshold of a lone peak. Numbers left out keep their values.
const Rule kRefine{"refinement", true, 0, 1};
const Rule kAcceptSigma{"acceptance threshold", false, 0, 100, true};
const Rule kMergeFwhm{"merging distance", false, 0, 10};
const Rule kResidualSigma{"residual threshold", false, 0, 100, true};
const Rule kLoneSigma{"lone peak threshold", false, 0, 100, true};

void InitReader::RefineThePeaks() {
  RefineSettings& r = state_.marking.refinement;
  Numbers v(5, 0.0);
  v[1] = r.refine ? 1 : 0;
  v[2] = r.accept_sigma;
  v[3] = r.merge_fwhm;
  v[4] = r.residual_sigma;
  v[5] = r.lone_sigma;
  if (ReadNumbers(v, 5) == 0) return;
  Store(kRefine, v[1], r.refine);
  Store(kAcceptSigma, v[2], r.accept_sigma);
  Store(kMergeFwhm, v[3], r.merge_fwhm);
  Store(kResidualSigma, v[4], r.residual_sigma);
  Store(kLoneSigma, v[5], r.lone_sigma);
}

// "Set the Peak Model": the type, 1 "Gauss", 3 "IAEA", 7 "Detector4" built at once, or 0 "Real"
// with the first and the last channel and the background channels at each edge, formed from
// every spectrum read. A type the program cannot build, or a range that cannot make a model,
// keeps the previous model.
const Rule kModelFirst{"model first channel", true, 1, kMaxChannels};
const Rule kModelLast{"model last channel", true, 1, kMaxChannels};
const Rule kModelEdge{"model edge channels", true, 0, 3};

void InitReader::SetThePeakModel() {
  TPeakModel& model = state_.peak_model;
  Numbers v(4, 0.0);
  v[1] = model.real_from_range ? kModelReal : model.model_type;
  v[2] = model.model_first;
  v[3] = model.model_last;
  v[4] = model.model_edge;
  const int count = ReadNumbers(v, 4);
  if (count == 0) return;
  const double type = v[1];
  auto is = [type](int t) { return type == static_cast<double>(t); };
  if (is(kModelReal)) {
    if (count < 3) {
      messages_.push_back("peak model Real needs its first and last channel; previous model kept");
      return;
    }
    TPeakModel formed = model;
    Store(kModelFirst, v[2], formed.model_first);
    Store(kModelLast, v[3], formed.model_last);
    Store(kModelEdge, v[4], formed.model_edge);
    OrderPair(formed.model_first, formed.model_last);
    const int length = formed.model_last - formed.model_first + 1;
    if (length < 9 || length > 1024) {
      messages_.push_back("peak model channels " + std::to_string(formed.model_first) + " - " +
                          std::to_string(formed.model_last) +
                          " refused, allowed 9 to 1024 channels; previous model kept");
      return;
    }
    formed.real_from_range = true;
    model = formed;
    return;
  }
  if (!is(kModelGauss) && !is(kModelIaea) && !is(kModelDetector4)) {
    messages_.push_back("peak model type " + FormatShortest(type) +
                        " refused, allowed 0, 1, 3 or 7; previous model kept");
    return;
  }
  TPeakModel built = model;
  built.model_type = static_cast<int>(type);
  built.real_from_range = false;
  const Outcome outcome = built.BuildStandardModel();
  if (!outcome.ok) {
    messages_.push_back(outcome.message + "; previous model kept");
    return;
  }
  model = built;
}

// Settings of one number, each with the variable it sets and the values it accepts: the ranges
// of the settings dialogs, and for max_interval that of the "Find the Peaks" dialog, through
// which every search passes.
template <typename T>
struct OneNumber {
  const char* key;
  T& (*field)(AnalysisState&);
  Rule rule;
};
const OneNumber<double> kRealSettings[] = {
    {"COVAR",
     [](AnalysisState& s) -> double& { return s.processing.covar; },
     {"COVAR", false, 0, kAny}},
    {"SMAST",
     [](AnalysisState& s) -> double& { return s.processing.small_stat; },
     {"SMAST", false, 0, kAny}},
    {"ORDER",
     [](AnalysisState& s) -> double& { return s.processing.order; },
     {"ORDER", false, 0, kAny}},
    {"CHIO",
     [](AnalysisState& s) -> double& { return s.processing.chibc; },
     {"CHIO", false, 0, kAny}},
    {"DPOS", [](AnalysisState& s) -> double& { return s.fit.delta_pos; }, {"DPOS", false, 0, kAny}},
    {"STEP", [](AnalysisState& s) -> double& { return s.fit.step; }, {"STEP", false, 0, 1, true}},
    {"DAMP", [](AnalysisState& s) -> double& { return s.fit.damper; }, {"DAMP", false, 0, kAny}},
    // The rest of the settings dialogs, with the same ranges.
    {"SMOOTH",
     [](AnalysisState& s) -> double& { return s.marking.smoothing; },
     {"SMOOTH", false, -kAny, kAny}},
    {"KWIDTH",
     [](AnalysisState& s) -> double& { return s.marking.k_width; },
     {"KWIDTH", false, 0, kAny, true}},
    {"ADINT",
     [](AnalysisState& s) -> double& { return s.marking.ad_interv; },
     {"ADINT", true, -kAny, kAny}},
    {"NORMC",
     [](AnalysisState& s) -> double& { return s.results.norm_coefficient; },
     {"NORMC", false, -kAny, kAny}},
    {"TRIM",
     [](AnalysisState& s) -> double& { return s.view.trim_coefficient; },
     {"TRIM", false, 0, kAny, true}},
    {"WSLOPE",
     [](AnalysisState& s) -> double& { return s.width.width_slope; },
     {"WSLOPE", false, -kAny, kAny}},
    {"WOFFSET",
     [](AnalysisState& s) -> double& { return s.width.width_offset; },
     {"WOFFSET", false, -kAny, kAny}},
};
const OneNumber<int> kWholeSettings[] = {
    {"DBACK", [](AnalysisState& s) -> int& { return s.spectrum.dback; }, {"dback", true, -3, 3}},
    {"DB", [](AnalysisState& s) -> int& { return s.spectrum.dback; }, {"dback", true, -3, 3}},
    {"MAXINT",
     [](AnalysisState& s) -> int& { return s.marking.max_interval; },
     {"Maximum Interval", true, 64, 4096}},
    {"MI",
     [](AnalysisState& s) -> int& { return s.marking.max_interval; },
     {"Maximum Interval", true, 64, 4096}},
    {"NITER", [](AnalysisState& s) -> int& { return s.fit.niter; }, {"NITER", true, 1, 1000}},
    {"WIDTHBYCH",
     [](AnalysisState& s) -> int& { return s.fit.width_by_channel; },
     {"WIDTHBYCH", true, 0, 1}},
};
// 1: the areas are normalised by norm_coefficient; 0: to the peak nearest that channel.
const Rule kNormByCoefficient{"NORMBYC", true, 0, 1};
const Rule kScaleMode{"SGM", true, 1, 4};  // 1 Normal, 2 SQRT, 3 LN, 4 Trimmed

// "EDENC" and "EDEFC": npt and mode, then npt points of three numbers, one read per point (the
// numbers left on a point's line are dropped). Zero points are skipped; at most the 60 items a
// calibration holds are read.
void InitReader::EnterCalibrationData(bool energy) {
  OneBasedArray<CalibrationItem>& points = energy ? state_.enc.enc_points : state_.efc.efc_points;
  int& count = energy ? state_.enc.enc_count : state_.efc.efc_count;
  int& mode = energy ? state_.enc.enc_mode : state_.efc.efc_mode;
  bool& present = energy ? state_.enc.enc_present : state_.efc.efc_present;

  Numbers v(3, 0.0);
  v[1] = count;
  v[2] = mode;
  if (ReadNumbers(v, 2) == 0) return;
  int npt = std::max(0, RoundToInt(v[1]));
  if (npt > kMaxCalibrationItems) {
    messages_.push_back(std::string(energy ? "energy" : "efficiency") + " calibration npt " +
                        FormatShortest(v[1]) + " is more than the " +
                        std::to_string(kMaxCalibrationItems) + " items it holds; " +
                        std::to_string(kMaxCalibrationItems) + " read");
    npt = kMaxCalibrationItems;
  }
  if (energy) {
    Store(Rule{"energy calibration mode", true, kEnergyInterpolated, kEnergyQuadratic}, v[2], mode);
  } else {
    mode = RoundToInt(v[2]);  // the efficiency calibration has one kind only
  }

  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  int kept = 0;
  for (int i = 0; i < npt; ++i) {
    v.fill(0.0);  // a point cut short by the end of the data has zeros for what is missing
    if (ReadNumbers(v, 3) == 0) break;
    if (IsNonZeroItem(v[1], v[2], v[3])) items[++kept] = CalibrationItem{v[1], v[2], v[3]};
  }
  SortCalibrationItems(items, kept);

  points = items;
  count = kept;
  if (energy) {
    // Interpolation needs two items, the linear calibration two different channels; with less the
    // items are kept (they can be completed in the dialogs) but not applied.
    present = kept >= 2 && (mode != kEnergyLinear || items[1][0] != items[kept][0]);
    if (present && mode == kEnergyLinear) FitEnergyLine(CalibrationsOf(state_));
    // The quadratic of a spectrum file, written as three items on it.
    if (present && mode == kEnergyQuadratic) QuadraticFromItems(state_.enc);
  } else {
    present = kept >= 1;  // one item is a constant coefficient, as the screen entry allows
  }
}

// The commands of one number; false when the key is none of them.
bool InitReader::OneNumberSetting(const std::string& key) {
  if (key == "SGM") {
    double value = 0;
    if (ReadOneNumber(value)) Store(kScaleMode, value, state_.view.scale_mode);
    return true;
  }
  if (key == "NORMBYC") {
    double value = 0;
    if (ReadOneNumber(value)) Store(kNormByCoefficient, value, state_.results.norm_by_coefficient);
    return true;
  }
  for (const auto& setting : kRealSettings) {
    if (key != setting.key) continue;
    double value = 0;
    if (ReadOneNumber(value)) Store(setting.rule, value, setting.field(state_));
    return true;
  }
  for (const auto& setting : kWholeSettings) {
    if (key != setting.key) continue;
    double value = 0;
    if (ReadOneNumber(value)) Store(setting.rule, value, setting.field(state_));
    return true;
  }
  return false;
}

// Carries out one command; it reads its own data.
void InitReader::RunCommand(const std::string& key) {
  if (key == "IS") return InputTheSpectrum();
  if (key == "SAB") return SetTheAnalysisBounds();
  if (key == "EWI") return EnterTheWidthInformation();
  if (key == "EVWI") return EnterVariableWidth();
  if (key == "MS") return MarkTheSpectrum();
  if (key == "RPF") return RefineThePeaks();
  if (key == "SPM") return SetThePeakModel();
  if (key == "EDENC") return EnterCalibrationData(/*energy=*/true);
  if (key == "EDEFC") return EnterCalibrationData(/*energy=*/false);
  OneNumberSetting(key);
}

InitMessages InitReader::Run() {
  std::string line;
  while (lines_.Next(line)) {
    // Comments hold capitals too ("* a1 a2 ..."); they must not form a key.
    if (line.empty() || line.front() == '*') continue;
    const std::string key = CommandKey(line);
    if (key == "STOP") break;
    RunCommand(key);
  }
  if (state_.debug_log) {
    for (const std::string& message : messages_)
      state_.debug_log->WriteLine("Init file: " + message);
  }
  return std::move(messages_);
}

}  // namespace

std::string CommandKey(std::string_view line) {
  std::string key;
  for (const char c : line) {
    if (c >= 'A' && c <= 'Z') {
      key.push_back(c);
      if (key.size() == kMaxKeyLength) break;
    }
  }
  return key;
}

bool IsOneNumberCommand(std::string_view key) {
  if (key == "SGM" || key == "NORMBYC") return true;
  for (const auto& setting : kRealSettings) {
    if (key == setting.key) return true;
  }
  for (const auto& setting : kWholeSettings) {
    if (key == setting.key) return true;
  }
  return false;
}

InitMessages ReadInitFile(std::istream& in, AnalysisState& state) {
  return InitReader(in, state).Run();
}

bool ReadInitFile(const std::string& file_name, AnalysisState& state, InitMessages& messages) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  messages = ReadInitFile(in, state);
  return true;
}

}  // namespace pektra
