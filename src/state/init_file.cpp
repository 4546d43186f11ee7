#include "state/init_file.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

#include "calib/calibration.h"
#include "core/arithmetic.h"
#include "core/file_names.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/startup.h"

namespace pektra {

namespace {

constexpr std::size_t kMaxKeyLength = 11;
constexpr int kMaxBlockPoints = 30;  // points one calibration block may hold
constexpr int kMaxCommandNumbers = 5;

// The numbers of one command's data. Callers put the present values in first: the data of a
// command cut short by the end of the file replace only the values they reach.
using Numbers = OneBasedArray<double>;

int ReadNumbers(std::istream& in, Numbers& numbers, int n) {
  return ReadNumbersFromFile(in, 1, n, numbers);
}

// A channel bound from the file: whole, inside 1..16384.
int ChannelBound(double value) { return std::clamp(RoundToInt(value), 1, kMaxChannels); }

// "IS": a1, a2, type, skip, reverse, then the spectrum file name on the next data line.
void InputTheSpectrum(std::istream& in, AnalysisState& state) {
  TSpectrum& sp = state.spectrum;
  Numbers v(kMaxCommandNumbers, 0.0);
  v[1] = sp.a1;
  v[2] = sp.a2;
  v[3] = sp.file_type;
  v[4] = state.input.skip_header ? 1.0 : 0.0;
  v[5] = state.input.reverse_bytes ? 1.0 : 0.0;
  if (ReadNumbers(in, v, 5) == 0) return;
  sp.a1 = ChannelBound(v[1]);
  sp.a2 = ChannelBound(v[2]);
  OrderPair(sp.a1, sp.a2);
  // The type picks one of the four readers; anything else would select none.
  sp.file_type = std::clamp(RoundToInt(v[3]), static_cast<int>(kBinary16), static_cast<int>(kXY));
  state.input.skip_header = v[4] == 1.0;
  state.input.reverse_bytes = v[5] == 1.0;
  // The name is the whole line, even when it looks like a command or is empty; an empty name is
  // how a state without spectrum is written. At the end of the file the old name stays.
  const std::string name = ReadDataLine(in);
  if (in.fail()) return;
  sp.file_name = name;
  const std::string directory = DirectoryPart(name);
  if (!directory.empty()) state.input.spectrum_dir = directory;
}

// "SAB": the interval under analysis, also kept as the init file's bounds.
void SetTheAnalysisBounds(std::istream& in, AnalysisState& state) {
  TSpectrum& sp = state.spectrum;
  Numbers v(2, 0.0);
  v[1] = sp.b1;
  v[2] = sp.b2;
  if (ReadNumbers(in, v, 2) == 0) return;
  sp.b1 = ChannelBound(v[1]);
  sp.b2 = ChannelBound(v[2]);
  OrderPair(sp.b1, sp.b2);
  state.view.interval_begin = sp.b1;
  state.view.interval_end = sp.b2;
  state.view.interval_length = sp.b2 - sp.b1 + 1;
  state.input.ini_b1 = sp.b1;
  state.input.ini_b2 = sp.b2;
}

// "EWI": w1, w2, DeltaW, and the width line through w1 at a1 and w2 at a2.
void EnterTheWidthInformation(std::istream& in, AnalysisState& state) {
  TSpectrum& sp = state.spectrum;
  Numbers v(3, 0.0);
  v[1] = sp.w1;
  v[2] = sp.w2;
  v[3] = sp.delta_w;
  if (ReadNumbers(in, v, 3) == 0) return;
  sp.w1 = v[1];
  sp.w2 = v[2];
  sp.delta_w = v[3];
  if (sp.a2 == sp.a1) {
    // A one-channel spectrum has no slope; the previous width line stays usable.
    if (state.debug_log) {
      state.debug_log->WriteLine("Init file: a1 = a2 = " + std::to_string(sp.a1) +
                                 ", width line kept");
    }
    return;
  }
  state.width.width_slope = (sp.w2 - sp.w1) / (sp.a2 - sp.a1);
  state.width.width_offset = sp.w1 - sp.a1 * state.width.width_slope;
}

void EnterVariableWidth(std::istream& in, AnalysisState& state) {
  TSpectrum& sp = state.spectrum;
  Numbers v(2, 0.0);
  v[1] = sp.width_variable;
  v[2] = sp.delta_width_v;
  if (ReadNumbers(in, v, 2) == 0) return;
  sp.width_variable = v[1];
  sp.delta_width_v = v[2];
}

void MarkTheSpectrum(std::istream& in, AnalysisState& state) {
  Numbers v(4, 0.0);
  v[1] = static_cast<int>(state.marking.mark_mode);
  v[2] = state.marking.sens;
  v[3] = state.marking.resol;
  v[4] = state.marking.ndf;
  if (ReadNumbers(in, v, 4) == 0) return;
  state.marking.mark_mode = static_cast<MarkMode>(RoundToInt(v[1]));
  state.marking.sens = v[2];
  state.marking.resol = v[3];
  state.marking.ndf = RoundToInt(v[4]);
}

// Settings of one number, each with the variable it sets.
struct RealSetting {
  const char* key;
  double& (*field)(AnalysisState&);
};
constexpr RealSetting kRealSettings[] = {
    {"COVAR", [](AnalysisState& s) -> double& { return s.processing.covar; }},
    {"SMAST", [](AnalysisState& s) -> double& { return s.processing.small_stat; }},
    {"ORDER", [](AnalysisState& s) -> double& { return s.processing.order; }},
    {"CHIO", [](AnalysisState& s) -> double& { return s.processing.chibc; }},
    {"DPOS", [](AnalysisState& s) -> double& { return s.fit.delta_pos; }},
    {"STEP", [](AnalysisState& s) -> double& { return s.fit.step; }},
    {"DAMP", [](AnalysisState& s) -> double& { return s.fit.damper; }},
};

struct WholeSetting {
  const char* key;
  int& (*field)(AnalysisState&);
  int low, high;  // accepted range
};
constexpr int kAnyLow = std::numeric_limits<int>::min();
constexpr int kAnyHigh = std::numeric_limits<int>::max();
constexpr WholeSetting kWholeSettings[] = {
    {"MAXINT", [](AnalysisState& s) -> int& { return s.marking.max_interval; }, kAnyLow, kAnyHigh},
    {"MI", [](AnalysisState& s) -> int& { return s.marking.max_interval; }, kAnyLow, kAnyHigh},
    {"NITER", [](AnalysisState& s) -> int& { return s.fit.niter; }, kAnyLow, kAnyHigh},
};

// Reads one number; false when the file ended first.
bool ReadOneNumber(std::istream& in, double& value) {
  Numbers v(1, value);
  if (ReadNumbers(in, v, 1) == 0) return false;
  value = v[1];
  return true;
}

// "EDENC" and "EDEFC": npt and mode, then npt points of three numbers, one read per point (the
// numbers left on a point's line are dropped). Zero points are skipped; at most 30 are read.
void EnterCalibrationData(std::istream& in, AnalysisState& state, bool energy) {
  OneBasedArray<CalibrationItem>& points = energy ? state.enc.enc_points : state.efc.efc_points;
  int& count = energy ? state.enc.enc_count : state.efc.efc_count;
  int& mode = energy ? state.enc.enc_mode : state.efc.efc_mode;
  bool& present = energy ? state.enc.enc_present : state.efc.efc_present;

  Numbers v(3, 0.0);
  v[1] = count;
  v[2] = mode;
  if (ReadNumbers(in, v, 2) == 0) return;
  const int npt = std::clamp(RoundToInt(v[1]), 0, kMaxBlockPoints);
  const int new_mode = RoundToInt(v[2]);

  OneBasedArray<CalibrationItem> items(kMaxCalibrationItems, CalibrationItem{});
  int kept = 0;
  for (int i = 0; i < npt; ++i) {
    v.fill(0.0);  // a point cut short by the end of the file has zeros for what is missing
    ReadNumbers(in, v, 3);
    if (IsNonZeroItem(v[1], v[2], v[3])) items[++kept] = CalibrationItem{v[1], v[2], v[3]};
  }
  SortCalibrationItems(items, kept);

  points = items;
  count = kept;
  mode = new_mode;
  if (energy) {
    // Interpolation needs two items, the linear calibration two different channels; with less the
    // items are kept (they can be completed in the dialogs) but not applied.
    present = kept >= 2 && (mode != kEnergyLinear || items[1][0] != items[kept][0]);
    if (present && mode == kEnergyLinear) FitEnergyLine(CalibrationsOf(state));
  } else {
    present = kept >= 1;  // one item is a constant coefficient, as the screen entry allows
  }
}

// Carries out one command; its data are read from `in`.
void RunCommand(const std::string& key, std::istream& in, AnalysisState& state) {
  if (key == "IS") return InputTheSpectrum(in, state);
  if (key == "SAB") return SetTheAnalysisBounds(in, state);
  if (key == "EWI") return EnterTheWidthInformation(in, state);
  if (key == "EVWI") return EnterVariableWidth(in, state);
  if (key == "MS") return MarkTheSpectrum(in, state);
  if (key == "EDENC") return EnterCalibrationData(in, state, /*energy=*/true);
  if (key == "EDEFC") return EnterCalibrationData(in, state, /*energy=*/false);
  if (key == "SGM") {  // the graph scale picks one of four scales
    double value = static_cast<int>(state.view.scale_mode);
    if (ReadOneNumber(in, value)) {
      state.view.scale_mode = static_cast<ScaleMode>(std::clamp(RoundToInt(value), 1, 4));
    }
    return;
  }
  if (key == "DBACK" || key == "DB") {
    double value = state.spectrum.dback;
    if (ReadOneNumber(in, value)) state.spectrum.dback = RoundToInt(value);
    return;
  }
  for (const RealSetting& setting : kRealSettings) {
    if (key == setting.key) {
      ReadOneNumber(in, setting.field(state));
      return;
    }
  }
  for (const WholeSetting& setting : kWholeSettings) {
    if (key == setting.key) {
      double value = setting.field(state);
      if (ReadOneNumber(in, value)) {
        setting.field(state) = std::clamp(RoundToInt(value), setting.low, setting.high);
      }
      return;
    }
  }
}

// Builds one line of right-aligned fields. A value too wide for its field widens it (asterisks
// would read back as a comment), and a full field gets a blank in front so that neighbouring
// numbers never run together.
class FieldLine {
 public:
  FieldLine& Text(std::string_view text) {
    line_ += text;
    return *this;
  }
  FieldLine& Whole(int width, int value) { return Field(width, std::to_string(value)); }
  FieldLine& Real(int width, int decimals, double value) {
    constexpr int kWideEnough = 400;  // any finite double fits
    std::string text = FormatFixed(width, decimals, value);
    if (!text.empty() && text.front() == '*') text = FormatFixed(kWideEnough, decimals, value);
    text.erase(0, text.find_first_not_of(' '));
    return Field(width, text);
  }
  const std::string& str() const { return line_; }

 private:
  FieldLine& Field(int width, const std::string& text) {
    const auto w = static_cast<std::size_t>(width);
    if (text.size() >= w) {
      if (!line_.empty()) line_ += ' ';
    } else {
      line_.append(w - text.size(), ' ');
    }
    line_ += text;
    return *this;
  }
  std::string line_;
};

void WriteCalibrationBlock(std::ostream& out, const char* command,
                           const OneBasedArray<CalibrationItem>& points, int count, int mode) {
  out << command << '\n' << "*      npt  mode   pri\n";
  out << FieldLine().Whole(5, count).Whole(3, mode).Text("  1").str() << '\n';
  const int n = std::min(count, points.capacity());
  for (int i = 1; i <= n; ++i) {
    out << FieldLine()
               .Real(9, 3, points[i][0])
               .Real(9, 3, points[i][1])
               .Real(9, 3, points[i][2])
               .str()
        << '\n';
  }
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

void ReadInitFile(std::istream& in, AnalysisState& state) {
  std::string line;
  while (ReadWholeLine(in, line)) {
    // Comments hold capitals too ("* a1 a2 ..."); they must not form a key.
    if (line.empty() || line.front() == '*') continue;
    const std::string key = CommandKey(line);
    if (key == "STOP") return;
    RunCommand(key, in, state);
  }
}

bool ReadInitFile(const std::string& file_name, AnalysisState& state) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return false;
  ReadInitFile(in, state);
  return true;
}

void WriteInitFile(std::ostream& out, const AnalysisState& state) {
  const TSpectrum& sp = state.spectrum;
  out << ".......Input the Spectrum\n"
      << "* a1   a2   mode skip  reverse /mode:1-2byte,2-4,3-text\n"
      << "* spectrum file name\n"
      << FieldLine()
             .Whole(5, sp.a1)
             .Whole(8, sp.a2)
             .Whole(3, sp.file_type)
             .Text(state.input.skip_header ? "  1" : "  0")
             .Text(state.input.reverse_bytes ? "  1" : "  0")
             .str()
      << '\n'
      << sp.file_name << '\n';
  out << ".......Set the Analysis Bounds\n"
      << FieldLine().Whole(8, sp.b1).Whole(8, sp.b2).str() << '\n';
  out << ".......Enter the Width Information\n"
      << "*      w1   w2  DeltaW\n"
      << FieldLine().Real(9, 3, sp.w1).Real(9, 4, sp.w2).Real(9, 3, sp.delta_w).str() << '\n';
  out << ".......Degree of the Background\n"
      << "*  0 <= dback <= 3\n"
      << FieldLine().Whole(5, sp.dback).str() << '\n';
  if (state.enc.enc_count > 0) {
    WriteCalibrationBlock(out, ".......Enter Data for ENergy Calibration", state.enc.enc_points,
                          state.enc.enc_count, state.enc.enc_mode);
  }
  if (state.efc.efc_count > 0) {
    WriteCalibrationBlock(out, ".......Enter Data for EFiciency Calibration", state.efc.efc_points,
                          state.efc.efc_count, state.efc.efc_mode);
  }
  out << ".......Mark the Spectrum\n"
      << "* mode   sens    resol   ndf\n"
      << FieldLine()
             .Whole(5, static_cast<int>(state.marking.mark_mode))
             .Real(8, 2, state.marking.sens)
             .Real(8, 2, state.marking.resol)
             .Whole(5, state.marking.ndf)
             .str()
      << '\n';
  out << ".......Maximum Interval\n"
      << FieldLine().Whole(5, state.marking.max_interval).str() << '\n';
  out << ".......STOP\n";
}

bool SaveInitFile(AnalysisState& state, UserInterface& ui) {
  const std::string file_name = WorkFilePath(state.files.work_dir, kSavedInitFileName);
  std::string why;
  const bool written = WriteFileAtomically(
      file_name, [&state](std::ostream& out) { WriteInitFile(out, state); }, &why);
  if (!written) {
    ui.ShowNote("Ini file not saved: cannot write " + file_name + ": " + why);
    return false;
  }
  ui.ShowNote("Ini file saved as pektra.tmp");
  return true;
}

}  // namespace pektra
