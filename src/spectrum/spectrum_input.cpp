#include "spectrum/spectrum_input.h"

#include <algorithm>
#include <string>

#include "core/analysis_state.h"
#include "core/dialog.h"
#include "core/file_names.h"
#include "core/user_interface.h"
#include "spectrum/spectrum_readers.h"

namespace pektra {
namespace {

// In the order of SpectrumFileType.
const char* const kFileTypeItems[] = {" 2 bytes per word binary", " 4 bytes per word binary",
                                      " ASCII free field format",
                                      " ASCII  threes:  X,  Y,  [ error ]"};
enum ReadingOption { kSkipHeader, kReverseBytes, kRestoreIniBounds, kStartAtA1 };
const char* const kReadingOptionItems[] = {" Skip the header ", " Reverse the bytes ",
                                           " Restore ini-bounds ", " Starting channel = 1"};

DialogContent SpectrumInputDialog(const AnalysisState& state) {
  DialogContent dialog = OpenDialogForm("Spectrum input", 250, 330, 430);
  ShowLabel(dialog, 0, 5, 5, "Select the file type:");
  ShowChoiceList(dialog, 0, 5, 28, 310, 110, {std::begin(kFileTypeItems), std::end(kFileTypeItems)},
                 std::clamp(state.spectrum.file_type, 1, 4) - 1);
  ShowLabel(dialog, 1, 5, 155, "Select the spectrum type:");
  ShowCheckList(dialog, 5, 178, 310, 110,
                {std::begin(kReadingOptionItems), std::end(kReadingOptionItems)},
                {state.skip_header, state.reverse_bytes, true, state.start_at_a1});
  return dialog;
}

bool Checked(const DialogContent& dialog, ReadingOption option) {
  const auto& checked = dialog.check_list.checked;
  return static_cast<std::size_t>(option) < checked.size() && checked[option];
}

// What the command sets before reading, so that "No" to the unsaved-results question can put it
// back.
struct InputSettings {
  std::string file_name;
  int file_type;
  bool skip_header, reverse_bytes, start_at_a1;
  int b1, b2;
  std::string spectrum_dir;

  static InputSettings Of(const AnalysisState& state) {
    const TSpectrum& sp = state.spectrum;
    return {sp.file_name, sp.file_type, state.skip_header, state.reverse_bytes, state.start_at_a1,
            sp.b1,        sp.b2,        state.spectrum_dir};
  }
  void RestoreTo(AnalysisState& state) const {
    TSpectrum& sp = state.spectrum;
    sp.file_name = file_name;
    sp.file_type = file_type;
    state.skip_header = skip_header;
    state.reverse_bytes = reverse_bytes;
    state.start_at_a1 = start_at_a1;
    sp.b1 = b1;
    sp.b2 = b2;
    state.spectrum_dir = spectrum_dir;
  }
};

}  // namespace

bool ReadSpectrum(AnalysisState& state, UserInterface& ui) {
  state.dialog_ok = 1;
  if (state.results_unsaved) {
    if (!ui.AskYesNo("Former results not saved. Proceed?")) {
      state.dialog_ok = 0;
      return false;
    }
    state.results_unsaved = false;
  }
  TSpectrum& sp = state.spectrum;
  const ReadOptions options{state.skip_header, state.reverse_bytes, state.start_at_a1};
  const Outcome outcome = ReadSpectrumFile(sp, sp.file_type, sp.a1, options);
  if (!outcome.message.empty()) ui.ShowNote(outcome.message);
  if (sp.b1 < sp.a1 || sp.b1 > sp.a2) sp.b1 = std::min(sp.a1 + 1, sp.a2);
  if (sp.b2 < sp.a1 || sp.b2 > sp.a2) sp.b2 = std::max(sp.a2 - 1, sp.a1);
  state.interval_begin = sp.b1;
  state.interval_end = sp.b2;
  sp.UpdateRange();
  state.graph_mode = 0;
  state.result_count = 0;
  state.result_offset = 0;
  return outcome.ok;
}

bool FinishSpectrumInput(AnalysisState& state, UserInterface& ui, bool read_ok) {
  TSpectrum& sp = state.spectrum;
  if (!read_ok || sp.max_counts == 0) {
    state.status_text = {"++++ Error, wrong reading", ""};
    state.dialog_ok = 0;
    return false;
  }
  if (sp.max_counts < 1) {
    ui.ShowNote("Poor data scale, max < 1");
    sp.max_counts = 1.0;
  }
  state.status_text = {" Spectrum read in. ", ""};
  if (sp.b2 < sp.b1) std::swap(sp.b1, sp.b2);
  state.interval_begin = sp.b1;
  state.interval_end = sp.b2;
  state.interval_length = sp.b2 - sp.b1 + 1;
  sp.ApplyVarianceFormula(state.covar);
  return true;
}

void InputTheSpectrum(AnalysisState& state, UserInterface& ui,
                      const std::vector<std::string>& help_lines) {
  state.dialog_ok = 1;
  TSpectrum& sp = state.spectrum;
  const std::string own_name = FileNamePart(sp.file_name);
  const bool has_extension = own_name.find('.') != std::string::npos;
  const auto chosen =
      ui.AskOpenFile({"  Select the file", state.spectrum_dir, has_extension ? own_name : "*.*"});
  if (!chosen) {
    state.dialog_ok = 0;
    return;
  }
  if (!FileExists(*chosen)) {
    ui.ShowNote("No file " + *chosen);
    state.dialog_ok = 0;
    return;
  }
  DialogContent dialog = SpectrumInputDialog(state);
  dialog.help_lines = help_lines;
  ui.ShowDialog(dialog);
  if (!dialog.ok) {
    state.dialog_ok = 0;
    return;
  }

  const InputSettings before = InputSettings::Of(state);
  sp.file_name = *chosen;
  sp.file_type = std::clamp(dialog.choice_lists[0].selected, 0, 3) + 1;
  state.skip_header = Checked(dialog, kSkipHeader);
  state.reverse_bytes = Checked(dialog, kReverseBytes);
  state.start_at_a1 = Checked(dialog, kStartAtA1);
  // Bounds that are not set (0) or lie outside the new spectrum are moved inside by ReadSpectrum.
  const bool restore = Checked(dialog, kRestoreIniBounds);
  sp.b1 = restore ? state.ini_b1 : sp.a1;
  sp.b2 = restore ? state.ini_b2 : sp.a2;
  state.spectrum_dir = DirectoryPart(*chosen);

  const bool read_ok = ReadSpectrum(state, ui);
  if (state.dialog_ok == 0) {  // the unsaved results are kept
    before.RestoreTo(state);
    return;
  }
  FinishSpectrumInput(state, ui, read_ok);
}

}  // namespace pektra
