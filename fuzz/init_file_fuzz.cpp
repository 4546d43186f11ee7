// Feeds raw bytes to the init-file reader, checks the state it leaves, then writes the state as an
// init file and reads that back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "core/debug_log.h"
#include "state/analysis_state.h"
#include "state/init_file.h"

namespace {

using namespace pektra;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// The defaults, and the variables the defaults leave alone, back at their start values. A fresh
// state per input would cost more than the reading itself.
void Reset(AnalysisState& state) {
  state.SetDefaults();
  state.processing.covar = 0.01;
  state.processing.small_stat = 20.0;
  state.processing.order = 10.0;
  state.processing.chibc = 1.25;
  state.input.skip_header = false;
  state.input.reverse_bytes = false;
  state.input.spectrum_dir = "/work";
  state.input.ini_b1 = state.input.ini_b2 = 0;
  state.enc.enc_points.fill(CalibrationItem{});
  state.efc.efc_points.fill(CalibrationItem{});
  state.enc.enc_intercept = 0.0;
  state.enc.enc_slope = 1.0;
  state.debug_log = std::make_shared<DebugLog>();  // a memory log must not grow from run to run
}

void CheckItems(const OneBasedArray<CalibrationItem>& items, int count) {
  Check(count >= 0 && count <= 30);
  for (int i = 1; i <= count; ++i) {
    Check(items[i][0] + items[i][1] + items[i][2] != 0.0);
    if (i > 1) Check(items[i - 1][0] <= items[i][0]);
  }
  for (int i = count + 1; i <= items.capacity(); ++i) Check(items[i] == CalibrationItem{});
}

void CheckState(const AnalysisState& s) {
  const TSpectrum& sp = s.spectrum;
  Check(1 <= sp.a1 && sp.a1 <= sp.a2 && sp.a2 <= 16384);
  Check(1 <= sp.b1 && sp.b1 <= sp.b2 && sp.b2 <= 16384);
  Check(sp.file_type >= 1 && sp.file_type <= 4);
  Check(static_cast<int>(s.view.scale_mode) >= 1 && static_cast<int>(s.view.scale_mode) <= 4);
  for (const double x :
       {sp.w1, sp.w2, sp.delta_w, sp.width_variable, sp.delta_width_v, s.width.width_slope,
        s.width.width_offset, s.marking.sens, s.marking.resol, s.fit.step, s.fit.damper}) {
    Check(std::isfinite(x));
  }
  CheckItems(s.enc.enc_points, s.enc.enc_count);
  CheckItems(s.efc.efc_points, s.efc.efc_count);
  Check(!s.enc.enc_present || s.enc.enc_count >= 2);
  Check(sp.file_name.size() <= 255);
}

std::string Written(const AnalysisState& state) {
  std::ostringstream out;
  WriteInitFile(out, state);
  return out.str();
}

void Read(AnalysisState& state, const std::string& text) {
  Reset(state);
  std::istringstream in(text);
  ReadInitFile(in, state);
  CheckState(state);
}

bool Near(double back, double written, int decimals) {
  return std::fabs(back - written) <=
         0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-15 * std::fabs(written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static AnalysisState* const state = new AnalysisState;
  static AnalysisState* const back = new AnalysisState;
  Read(*state, std::string(reinterpret_cast<const char*>(data), size));

  const std::string text = Written(*state);
  Read(*back, text);
  const TSpectrum& sp = state->spectrum;
  const TSpectrum& bsp = back->spectrum;
  Check(bsp.a1 == sp.a1 && bsp.a2 == sp.a2 && bsp.file_type == sp.file_type);
  Check(back->input.skip_header == state->input.skip_header &&
        back->input.reverse_bytes == state->input.reverse_bytes);
  Check(bsp.b1 == sp.b1 && bsp.b2 == sp.b2 && bsp.dback == sp.dback);
  Check(back->marking.mark_mode == state->marking.mark_mode &&
        back->marking.ndf == state->marking.ndf);
  Check(back->marking.max_interval == state->marking.max_interval);
  Check(Near(bsp.w1, sp.w1, 3) && Near(bsp.w2, sp.w2, 4) && Near(bsp.delta_w, sp.delta_w, 3));
  Check(Near(back->marking.sens, state->marking.sens, 2) &&
        Near(back->marking.resol, state->marking.resol, 2));
  // Items that round to zero are dropped on the way back; no item is made up.
  Check(back->enc.enc_count <= state->enc.enc_count && back->efc.efc_count <= state->efc.efc_count);
  if (state->enc.enc_count > 0) Check(back->enc.enc_mode == state->enc.enc_mode);
  if (state->efc.efc_count > 0) Check(back->efc.efc_mode == state->efc.efc_mode);
  const std::string& name = sp.file_name;
  if (name.empty() || name.back() != '\r') Check(bsp.file_name == name);

  // After one round the written text is stable.
  const std::string again = Written(*back);
  Read(*state, again);
  Check(Written(*state) == again);
  return 0;
}
