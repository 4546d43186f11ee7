#include "core/analysis_state.h"

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
  spectrum.w1 = 4.0;
  spectrum.w2 = 6.0;
  spectrum.delta_w = 3.5;
  width_slope = (spectrum.w2 - spectrum.w1) / (spectrum.a2 - spectrum.a1);
  width_offset = spectrum.w1 - spectrum.a1 * width_slope;
  spectrum.file_type = kBinary16;
  spectrum.b1 = 2;
  spectrum.b2 = 4095;
  spectrum.dback = -3;
  spectrum.file_name.clear();

  max_interval = 128;
  norm_coefficient = 1.0;
  // The window shown starts as [1, 4096]; the first input or graph command sets it from b1, b2.
  interval_begin = 1;
  interval_end = 4096;
  interval_length = 4096;
  enc_first_channel = 1.0;
  enc_last_channel = 4096.0;
  pos_factor = 1.0;
  amp_factor = 1.0;
  delta_pos = 5.0;
  current_interval = 1;
  compression_factor = 2;
  niter = 7;
  step = 0.99;
  damper = 0.01;
  enc_count = 0;
  enc_mode = 0;
  efc_count = 0;
  efc_mode = 0;
  smoothing = 0.5;
  sens = 1.0;
  resol = -1.0;
  scale_mode = 1;
  width_by_channel = 0;
  trim_coefficient = 0.5;
  result_count = 0;
  // The flags.
  results_unsaved = false;
  enc_present = false;
  efc_present = false;
  debug_mode = false;
  graph_mode = 0;
  cadre_mode = 0;
  mark_list_count = 0;
  // Last the file names and the name list.
  enc_file = "enc.dat";
  efc_file = "efc.dat";
  mark_file = "mark.dat";
  name_list_file = "spfn.tab";
  name_count = 0;
  name_list.clear();
}

}  // namespace pektra
