#include "state/contexts.h"

namespace pektra {

SpectrumInputContext SpectrumInputOf(AnalysisState& state) {
  return {state.spectrum, state.input, state.processing, state.results, state.view, &state.undo};
}

SpectrumProcessingContext SpectrumProcessingOf(AnalysisState& state) {
  return {state.spectrum,
          state.processing,
          state.work,
          state.random,
          state.view,
          state.undo,
          state.debug_log.get(),
          state.display.rus_help};
}

Calibrations CalibrationsOf(AnalysisState& state) { return {state.enc, state.efc, state.work}; }

CalibrationContext CalibrationOf(AnalysisState& state) {
  return {state.enc,
          state.efc,
          state.work,
          state.files,
          state.display,
          state.marking.peak_list,
          state.marking.peak_count,
          state.results};
}

MarkingContext MarkingOf(AnalysisState& state) {
  return {state.spectrum, state.width, state.peak_model, state.peak_search,
          state.marking,  state.enc,   state.efc,        state.results,
          state.view,     state.files, state.work,       state.debug_log.get(),
          state.display};
}

FitContext FitOf(AnalysisState& state) {
  return {state.spectrum,   state.peak_model, state.fitter,
          state.fit,        state.marking,    state.results,
          state.processing, state.view,       state.debug_log.get()};
}

ReportContext ReportOf(AnalysisState& state) {
  return {state.spectrum, state.peak_model, state.marking, state.results, state.enc,
          state.efc,      state.work,       state.view,    state.files,   state.debug_log.get(),
          state.display};
}

}  // namespace pektra
