// Writing the init file: "Save the Init-file" and its layout of right-aligned fields.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "state/analysis_state.h"
#include "state/init_file.h"
#include "state/startup.h"

namespace pektra {

namespace {

// x in the fixed form of its field when that reads back as the same number, else the shortest
// text that does (0.00041 in a field with 3 decimals, 1234567.5 in a field of 9), so a saved
// init file restores every value exactly. The reader's exponents stop at 300, so a value below
// 1e-300 is written with all its decimals.
std::string ExactText(int width, int decimals, double x) {
  const auto reads_back = [x](const std::string& text) {
    bool ok = true;
    return StrToReal(text, ok) == x;
  };
  std::string text = FormatFixed(width, decimals, x);
  text.erase(0, text.find_first_not_of(' '));
  if (text.empty() || text.front() == '*' || !reads_back(text)) text = FormatShortest(x);
  if (!reads_back(text)) {
    char buffer[400];
    text.assign(buffer,
                std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed).ptr);
  }
  return text;
}

// Builds one line of right-aligned fields. A value too wide for its field widens it, and a full
// field gets a blank in front so that neighbouring numbers never run together.
class FieldLine {
 public:
  FieldLine& Text(std::string_view text) {
    line_ += text;
    return *this;
  }
  FieldLine& Whole(int width, int value) { return Field(width, std::to_string(value)); }
  FieldLine& Real(int width, int decimals, double value) {
    return Field(width, ExactText(width, decimals, value));
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

// The settings of the settings dialogs that the commands above do not carry, one command each,
// written when they differ from the presets, so an init file of the presets stays as it was.
// WIDTHBYCH is always written: pektra-batch presets it otherwise than the window.
void WriteSettingCommands(std::ostream& out, const AnalysisState& state) {
  const AnalysisState preset;
  const TSpectrum& sp = state.spectrum;
  if (sp.width_variable != preset.spectrum.width_variable ||
      sp.delta_width_v != preset.spectrum.delta_width_v) {
    out << ".......Enter Variable Width Information\n"
        << "* width_variable  delta_width_v\n"
        << FieldLine().Real(12, 6, sp.width_variable).Real(12, 6, sp.delta_width_v).str() << '\n';
  }
  const auto real = [&out](const char* key, double value, double preset_value) {
    if (value != preset_value) out << "......." << key << '\n' << ExactText(0, 0, value) << '\n';
  };
  real("COVAR", state.processing.covar, preset.processing.covar);
  real("SMAST", state.processing.small_stat, preset.processing.small_stat);
  real("ORDER", state.processing.order, preset.processing.order);
  real("CHIO", state.processing.chibc, preset.processing.chibc);
  real("SMOOTH", state.marking.smoothing, preset.marking.smoothing);
  real("KWIDTH", state.marking.k_width, preset.marking.k_width);
  real("ADINT", state.marking.ad_interv, preset.marking.ad_interv);
  real("NITER", state.fit.niter, preset.fit.niter);
  real("STEP", state.fit.step, preset.fit.step);
  real("DAMP", state.fit.damper, preset.fit.damper);
  real("DPOS", state.fit.delta_pos, preset.fit.delta_pos);
  real("NORMC", state.results.norm_coefficient, preset.results.norm_coefficient);
  real("NORMBYC", state.results.norm_by_coefficient ? 1 : 0,
       preset.results.norm_by_coefficient ? 1 : 0);
  real("SGM", static_cast<int>(state.view.scale_mode), static_cast<int>(preset.view.scale_mode));
  real("TRIM", state.view.trim_coefficient, preset.view.trim_coefficient);
  // After "Enter the Width Information", which draws the line from w1 to w2 over the spectrum.
  // After "Enter the Width Information", which draws the line from w1 at a1 to w2 at a2: written
  // when "Set  Width Dependence" or a search drew another one.
  double slope = state.width.width_slope, offset = state.width.width_offset;
  if (sp.a2 != sp.a1) {
    slope = (sp.w2 - sp.w1) / (sp.a2 - sp.a1);
    offset = sp.w1 - sp.a1 * slope;
  }
  if (state.width.width_slope != slope || state.width.width_offset != offset) {
    real("WSLOPE", state.width.width_slope, std::nan(""));
    real("WOFFSET", state.width.width_offset, std::nan(""));
  }
  out << ".......WIDTHBYCH\n" << state.fit.width_by_channel << '\n';
}

}  // namespace

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
  // Always written: pektra-batch presets the refinement on, the window off, and the file must
  // say which of them the analysis had.
  const RefineSettings& refine = state.marking.refinement;
  {
    out << ".......Refine the Peaks by the Fit\n"
        << "* on  accept   merge residual  lone\n"
        << FieldLine()
               .Whole(5, refine.refine ? 1 : 0)
               .Real(8, 2, refine.accept_sigma)
               .Real(8, 2, refine.merge_fwhm)
               .Real(8, 2, refine.residual_sigma)
               .Real(8, 2, refine.lone_sigma)
               .str()
        << '\n';
  }
  // The peak model, written only when it is not the Gauss of the presets.
  const TPeakModel& model = state.peak_model;
  if (model.real_from_range || model.model_type == kModelReal) {
    out << ".......Set the Peak Model\n"
        << "* type (0 Real)  first  last  edge\n"
        << FieldLine()
               .Whole(5, kModelReal)
               .Whole(8, model.model_first)
               .Whole(8, model.model_last)
               .Whole(5, model.model_edge)
               .str()
        << '\n';
  } else if (model.model_type != kModelGauss) {
    out << ".......Set the Peak Model\n"
        << "* type (1 Gauss, 3 IAEA, 7 Detector4)\n"
        << FieldLine().Whole(5, model.model_type).str() << '\n';
  }
  out << ".......Maximum Interval\n"
      << FieldLine().Whole(5, state.marking.max_interval).str() << '\n';
  WriteSettingCommands(out, state);
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
  // Success is told on the status line by the command (one message is enough).
  return true;
}

}  // namespace pektra
