#include "state/analysis_state.h"

namespace pektra {

AnalysisState::AnalysisState() {
  // The fitter's settings at creation; each fit adjusts its own copy.
  fitter.settings.eps_min = 0.1;
  fitter.settings.step = 0.99;
  fitter.settings.damp = 0.01;
  fitter.settings.max_iterations = 10;
  fitter.settings.robust_c = 4.0;
  fitter.settings.robust_k = 0.25;
  SetDefaults();
}

void AnalysisState::SetDefaults() {
  // The spectrum's fields first; the width line is derived from them.
  spectrum.a1 = 1;
  spectrum.a2 = 4096;
  spectrum.width_variable = 0.0;
  spectrum.delta_width_v = 0.0;
  spectrum.w1 = kPresetWidthBegin;
  spectrum.w2 = kPresetWidthEnd;
  spectrum.delta_w = kPresetWidthAccuracy;
  width.width_slope = (spectrum.w2 - spectrum.w1) / (spectrum.a2 - spectrum.a1);
  width.width_offset = spectrum.w1 - spectrum.a1 * width.width_slope;
  spectrum.file_type = kBinary16;
  spectrum.b1 = 2;
  spectrum.b2 = 4095;
  spectrum.dback = -3;
  spectrum.file_name.clear();

  marking.max_interval = kPresetMaxInterval;
  results.norm_coefficient = 1.0;
  // The window shown starts as [1, 4096]; the first input or graph command sets it from b1, b2.
  view.interval_begin = 1;
  view.interval_end = 4096;
  view.interval_length = 4096;
  enc.enc_first_channel = 1.0;
  enc.enc_last_channel = 4096.0;
  fit.pos_factor = 1.0;
  fit.amp_factor = 1.0;
  fit.delta_pos = 5.0;
  fit.current_interval = 1;
  processing.compression_factor = 2;
  fit.niter = 7;
  fit.step = 0.99;
  fit.damper = 0.01;
  enc.enc_count = 0;
  enc.enc_mode = kEnergyInterpolated;
  efc.efc_count = 0;
  efc.efc_mode = 0;
  marking.smoothing = 0.5;
  marking.sens = kPresetSensitivity;
  marking.resol = -1.0;
  view.scale_mode = ScaleMode::kNormal;
  fit.width_by_channel = 0;
  view.trim_coefficient = 0.5;
  results.result_count = 0;
  results.fitted_curves.clear();
  // The flags.
  results.results_unsaved = false;
  enc.enc_present = false;
  efc.efc_present = false;
  view.debug_mode = false;
  view.graph_mode = GraphMode::kNothing;
  view.cadre_mode = false;
  marking.mark_list_count = 0;
  // Last the file names and the name list.
  files.enc_file = "enc.dat";
  files.efc_file = "efc.dat";
  files.mark_file = "mark.dat";
  files.name_list_file = "spfn.tab";
  files.name_count = 0;
  files.name_list.clear();
}

}  // namespace pektra
