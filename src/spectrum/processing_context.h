// The parts of the analysis state that the commands changing the spectrum's counts read and
// change: the spectrum, its processing settings, the numeric work arrays and random generator,
// the view (scale, status text) and the undo stack, on which each command keeps the spectrum
// before it commits a change.
#pragma once

#include "core/debug_log.h"
#include "core/view_state.h"
#include "numeric/work_arrays.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"
#include "spectrum/spectrum_undo.h"

namespace pektra {

struct SpectrumProcessingContext {
  TSpectrum& spectrum;
  ProcessingSettings& processing;
  NumericWork& work;
  RandomState& random;
  ViewState& view;
  SpectrumUndo& undo;
  DebugLog* debug_log = nullptr;  // where the corrected channels are listed
  bool rus_help = false;          // the language of the dialogs' help texts
};

}  // namespace pektra
