// What every init-file fuzz target checks after a reading: each setting inside the range that its
// dialog allows, the calibrations well formed, and a written init file that reads back exactly.
#pragma once

#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "core/debug_log.h"
#include "state/analysis_state.h"
#include "state/init_file.h"

namespace pektra::fuzz {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The defaults, and the variables the defaults leave alone, back at their start values. A fresh
// state per input would cost more than the reading itself.
inline void Reset(AnalysisState& state) {
  state.SetDefaults();
  state.processing = ProcessingSettings{};
  state.input = SpectrumInput{};
  state.input.spectrum_dir = "/work";
  state.enc.enc_points.fill(CalibrationItem{});
  state.efc.efc_points.fill(CalibrationItem{});
  state.enc.enc_intercept = 0.0;
  state.enc.enc_slope = 1.0;
  state.marking.mark_mode = MarkMode::kAutomatic;
  state.marking.refinement = RefineSettings{};
  state.marking.ndf = 0;
  state.marking.marking_length = 0;  // a marking of an earlier input must not be converted
  state.marking.peak_count = 0;
  state.marking.interval_count = 0;
  state.debug_log = std::make_shared<DebugLog>();  // a memory log must not grow from run to run
}

inline void CheckItems(const OneBasedArray<CalibrationItem>& items, int count) {
  Check(count >= 0 && count <= kMaxCalibrationItems);
  for (int i = 1; i <= count; ++i) {
    Check(items[i][0] + items[i][1] + items[i][2] != 0.0);
    if (i > 1) Check(items[i - 1][0] <= items[i][0]);
  }
  for (int i = count + 1; i <= items.capacity(); ++i) Check(items[i] == CalibrationItem{});
}

inline bool NonNegative(double x) { return x >= 0 && std::isfinite(x); }

inline void CheckState(const AnalysisState& s) {
  const TSpectrum& sp = s.spectrum;
  Check(1 <= sp.a1 && sp.a1 <= sp.a2 && sp.a2 <= kMaxChannels);
  Check(1 <= sp.b1 && sp.b1 <= sp.b2 && sp.b2 <= kMaxChannels);
  Check(sp.file_type >= 1 && sp.file_type <= 5);  // 5: a standard format, detected
  Check(static_cast<int>(s.view.scale_mode) >= 1 && static_cast<int>(s.view.scale_mode) <= 4);
  Check(sp.dback >= -3 && sp.dback <= 3);
  Check(s.marking.max_interval >= 64 && s.marking.max_interval <= 4096);
  Check(s.fit.niter >= 1 && s.fit.niter <= 1000);
  Check(static_cast<int>(s.marking.mark_mode) >= 0 && static_cast<int>(s.marking.mark_mode) <= 4);
  Check(s.marking.ndf == 0 || s.marking.ndf == 1);
  Check(s.fit.step > 0 && s.fit.step <= 1);
  for (const double x : {s.fit.damper, s.fit.delta_pos, s.processing.covar, s.processing.small_stat,
                         s.processing.order, s.processing.chibc, sp.delta_w}) {
    Check(NonNegative(x));
  }
  Check(sp.w1 > 0 && sp.w2 > 0 && s.marking.sens > 0);
  for (const double x : {sp.w1, sp.w2, sp.width_variable, sp.delta_width_v, s.width.width_slope,
                         s.width.width_offset, s.marking.sens, s.marking.resol}) {
    Check(std::isfinite(x));
  }
  const RefineSettings& r = s.marking.refinement;
  Check(r.accept_sigma > 0 && r.accept_sigma <= 100 && r.lone_sigma > 0 && r.lone_sigma <= 100);
  Check(r.residual_sigma > 0 && r.residual_sigma <= 100);
  Check(r.merge_fwhm >= 0 && r.merge_fwhm <= 10);
  Check(s.enc.enc_mode >= 0 && s.enc.enc_mode <= 2);  // interpolated, linear, quadratic
  CheckItems(s.enc.enc_points, s.enc.enc_count);
  CheckItems(s.efc.efc_points, s.efc.efc_count);
  Check(!s.enc.enc_present || s.enc.enc_count >= 2);
  Check(sp.file_name.size() <= 255);
}

inline std::string Written(const AnalysisState& state) {
  std::ostringstream out;
  WriteInitFile(out, state);
  return out.str();
}

// Reads `text` into a reset state and checks it; returns the messages.
inline InitMessages Read(AnalysisState& state, const std::string& text) {
  Reset(state);
  std::istringstream in(text);
  InitMessages messages = ReadInitFile(in, state);
  CheckState(state);
  for (const std::string& message : messages) Check(!message.empty());
  return messages;
}

// Writes the state as an init file, reads it back into `back` and checks that everything the file
// holds came back exactly, without a message, and that the written text is then stable.
inline void CheckRoundTrip(AnalysisState& state, AnalysisState& back) {
  const std::string text = Written(state);
  Check(Read(back, text).empty());
  const TSpectrum& sp = state.spectrum;
  const TSpectrum& bsp = back.spectrum;
  Check(bsp.a1 == sp.a1 && bsp.a2 == sp.a2 && bsp.file_type == sp.file_type);
  Check(back.input.skip_header == state.input.skip_header &&
        back.input.reverse_bytes == state.input.reverse_bytes);
  Check(bsp.b1 == sp.b1 && bsp.b2 == sp.b2 && bsp.dback == sp.dback);
  Check(bsp.w1 == sp.w1 && bsp.w2 == sp.w2 && bsp.delta_w == sp.delta_w);
  Check(back.marking.mark_mode == state.marking.mark_mode &&
        back.marking.sens == state.marking.sens && back.marking.resol == state.marking.resol &&
        back.marking.ndf == state.marking.ndf &&
        back.marking.max_interval == state.marking.max_interval);
  Check(back.marking.refinement == state.marking.refinement);
  Check(back.enc.enc_count == state.enc.enc_count && back.efc.efc_count == state.efc.efc_count);
  Check(back.enc.enc_points == state.enc.enc_points && back.efc.efc_points == state.efc.efc_points);
  if (state.enc.enc_count > 0) Check(back.enc.enc_mode == state.enc.enc_mode);
  if (state.efc.efc_count > 0) Check(back.efc.efc_mode == state.efc.efc_mode);
  const std::string& name = sp.file_name;
  if (name.empty() || name.back() != '\r') Check(bsp.file_name == name);

  const std::string again = Written(back);
  Read(state, again);
  Check(Written(state) == again);
}

}  // namespace pektra::fuzz
