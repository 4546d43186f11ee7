// Reading a spectrum into the analysis state: the type dispatch with what comes before (the
// unsaved-results question) and after it (interval bounds, range, result table, variance).
#pragma once

#include <string>
#include <vector>

#include "core/result_rows.h"
#include "core/view_state.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"
#include "spectrum/spectrum_undo.h"

namespace pektra {

class UserInterface;

// The parts of the analysis state that reading a spectrum reads and changes.
struct SpectrumInputContext {
  TSpectrum& spectrum;
  SpectrumInput& input;
  const ProcessingSettings& processing;
  ResultTable& results;
  ViewState& view;
  // Where a spectrum read in keeps the one it replaces, for Undo; none when null.
  SpectrumUndo* undo = nullptr;
};

// Reads spectrum.file_name as spectrum.file_type with the state's reading options, from channel
// a1. Asks "Former results not saved. Proceed?" while results are unsaved (No: nothing is read,
// dialog_ok 0). After a successful read b1 / b2 are moved inside the spectrum, the shown window
// follows them, the range is updated, graph_mode is 0 and the result table is empty (and no longer
// unsaved). Returns whether the reader succeeded and found a count other than 0; its message, if
// any, was shown. A failed read changes nothing: the spectrum, the window and the results stay.
// A successful one keeps the spectrum it replaces on ctx.undo ("Input the Spectrum").
bool ReadSpectrum(const SpectrumInputContext& ctx, UserInterface& ui);

// What the input command does after a successful read: refuses an all-zero spectrum, warns
// "Poor data scale, max < 1", orders b1 / b2, sets the window and applies the variance formula.
// Leaves " Spectrum read in. " or "++++ Error, wrong reading" in status_text; returns success.
bool FinishSpectrumInput(const SpectrumInputContext& ctx, UserInterface& ui, bool read_ok);

// The command "Input the Spectrum": asks for an existing file (starting in spectrum_dir), then for
// its type and the reading options, and reads it. dialog_ok is 1 when a spectrum was read in, 0
// when the user cancelled, the file is missing, the unsaved results were kept or the reading
// failed; the status text says which for a read. Cancelling or keeping the results leaves the
// state as it was. A spectrum read in keeps the one before on ctx.undo, as it was before the
// command began. With input.preset_answers the dialog is not shown and those answers are taken
// (once); the answers of a spectrum read in are kept in input.last_answers.
void InputTheSpectrum(const SpectrumInputContext& ctx, UserInterface& ui,
                      const std::vector<std::string>& help_lines = {});

}  // namespace pektra
