#include "spectrum/spectrum_input.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/dialog.h"
#include "core/file_names.h"
#include "core/user_interface.h"
#include "spectrum/spectrum_readers.h"
#include "spectrum/spectrum_type_guess.h"

namespace pektra {
namespace {

constexpr const char* kInputCommand = "Input the Spectrum";

// In the order of SpectrumFileType.
const char* const kFileTypeItems[] = {
    " 2 bytes per word binary", " 4 bytes per word binary", " ASCII free field format",
    " ASCII  threes:  X,  Y,  [ error ]", " Standard format (detected)"};
enum ReadingOption { kSkipHeader, kReverseBytes, kRestoreIniBounds, kStartAtA1 };
const char* const kReadingOptionItems[] = {" Skip the header ", " Reverse the bytes ",
                                           " Restore ini-bounds ", " Starting channel = 1"};

DialogContent SpectrumInputDialog(const SpectrumInputContext& ctx) {
  DialogContent dialog = OpenDialogForm("Spectrum input", 250, 330, 430);
  ShowLabel(dialog, 0, 5, 5, "Select the file type:");
  ShowChoiceList(dialog, 0, 5, 28, 310, 124, {std::begin(kFileTypeItems), std::end(kFileTypeItems)},
                 std::clamp(ctx.spectrum.file_type, 1, 5) - 1);
  ShowLabel(dialog, 1, 5, 155, "Select the spectrum type:");
  ShowCheckList(dialog, 5, 178, 310, 110,
                {std::begin(kReadingOptionItems), std::end(kReadingOptionItems)},
                {ctx.input.skip_header, ctx.input.reverse_bytes, true, ctx.input.start_at_a1});
  return dialog;
}

bool Checked(const DialogContent& dialog, ReadingOption option) {
  const auto& checked = dialog.check_list.checked;
  return static_cast<std::size_t>(option) < checked.size() && checked[option];
}

// What the command sets before reading, so that "No" to the unsaved-results question or a failed
// read can put it back.
struct InputSettings {
  SpectrumInput input;
  std::string file_name;
  int file_type, b1, b2;

  static InputSettings Of(const SpectrumInputContext& ctx) {
    const TSpectrum& sp = ctx.spectrum;
    return {ctx.input, sp.file_name, sp.file_type, sp.b1, sp.b2};
  }
  void RestoreTo(const SpectrumInputContext& ctx) const {
    ctx.input = input;
    ctx.spectrum.file_name = file_name;
    ctx.spectrum.file_type = file_type;
    ctx.spectrum.b1 = b1;
    ctx.spectrum.b2 = b2;
  }
};

}  // namespace

bool ReadSpectrum(const SpectrumInputContext& ctx, UserInterface& ui) {
  ctx.view.dialog_ok = 1;
  if (ctx.results.results_unsaved && !ui.AskYesNo("Former results not saved. Proceed?")) {
    ctx.view.dialog_ok = 0;
    return false;
  }
  // Read into a copy: a file that turns out unreadable, or holds nothing but zeros, leaves the
  // spectrum, the window and the results (still unsaved) as they were.
  TSpectrum sp = ctx.spectrum;
  const ReadOptions options{ctx.input.skip_header, ctx.input.reverse_bytes, ctx.input.start_at_a1};
  const Outcome outcome = ReadSpectrumFile(sp, sp.file_type, sp.a1, options);
  if (!outcome.message.empty()) ui.ShowNote(outcome.message);
  if (!outcome.ok) return false;
  if (sp.b1 < sp.a1 || sp.b1 > sp.a2) sp.b1 = std::min(sp.a1 + 1, sp.a2);
  if (sp.b2 < sp.a1 || sp.b2 > sp.a2) sp.b2 = std::max(sp.a2 - 1, sp.a1);
  sp.UpdateRange();
  if (sp.max_counts == 0) return false;

  if (ctx.undo) ctx.undo->Push(kInputCommand, ctx.spectrum);
  ctx.spectrum = std::move(sp);
  ctx.view.interval_begin = ctx.spectrum.b1;
  ctx.view.interval_end = ctx.spectrum.b2;
  ctx.view.graph_mode = GraphMode::kNothing;
  ctx.results.results_unsaved = false;
  ctx.results.result_count = 0;
  ctx.results.result_offset = 0;
  ctx.results.fitted_curves.clear();
  return true;
}

bool FinishSpectrumInput(const SpectrumInputContext& ctx, UserInterface& ui, bool read_ok) {
  TSpectrum& sp = ctx.spectrum;
  if (!read_ok || sp.max_counts == 0) {
    ctx.view.status_text = {"++++ Error, wrong reading", ""};
    ctx.view.dialog_ok = 0;
    return false;
  }
  if (sp.max_counts < 1) {
    ui.ShowNote("Poor data scale, max < 1");
    sp.max_counts = 1.0;
  }
  ctx.view.status_text = {" Spectrum read in. ", ""};
  if (sp.b2 < sp.b1) std::swap(sp.b1, sp.b2);
  ctx.view.interval_begin = sp.b1;
  ctx.view.interval_end = sp.b2;
  ctx.view.interval_length = sp.b2 - sp.b1 + 1;
  sp.ApplyVarianceFormula(ctx.processing.covar);
  return true;
}

void InputTheSpectrum(const SpectrumInputContext& ctx, UserInterface& ui,
                      const std::vector<std::string>& help_lines) {
  ctx.view.dialog_ok = 1;
  const std::optional<InputAnswers> preset = std::exchange(ctx.input.preset_answers, std::nullopt);
  TSpectrum& sp = ctx.spectrum;
  const std::string own_name = FileNamePart(sp.file_name);
  const bool has_extension = own_name.find('.') != std::string::npos;
  const auto chosen = ui.AskOpenFile(
      {"  Select the file", ctx.input.spectrum_dir, has_extension ? own_name : "*.*"});
  if (!chosen) {
    ctx.view.dialog_ok = 0;
    return;
  }
  if (!FileExists(*chosen)) {
    ui.ShowNote("No file " + *chosen);
    ctx.view.dialog_ok = 0;
    return;
  }
  DialogContent dialog = SpectrumInputDialog(ctx);
  if (preset) {
    // Answered as before: the same type and options, the file read and checked as always.
    dialog.choice_lists[0].selected = std::clamp(preset->file_type, 1, 5) - 1;
    dialog.check_list.checked = {preset->skip_header, preset->reverse_bytes, preset->restore_bounds,
                                 preset->start_at_a1};
  } else {
    // A file in one of the standard formats is offered as such: read as words or numbers it
    // would give a plausible-looking wrong spectrum. The user may still choose otherwise.
    if (HasStandardExtension(*chosen) && GuessStandardFileType(*chosen).type == 5) {
      dialog.choice_lists[0].selected = 4;
    }
    dialog.help_lines = help_lines;
    ui.ShowDialog(dialog);
    if (!dialog.ok) {
      ctx.view.dialog_ok = 0;
      return;
    }
  }

  const InputSettings before = InputSettings::Of(ctx);
  // Undo gives back the spectrum as it was before the command set its name, type and bounds.
  SpectrumSnapshot kept = ctx.undo ? SpectrumSnapshot::Of(sp) : SpectrumSnapshot{};
  sp.file_name = *chosen;
  sp.file_type = std::clamp(dialog.choice_lists[0].selected, 0, 4) + 1;
  ctx.input.skip_header = Checked(dialog, kSkipHeader);
  ctx.input.reverse_bytes = Checked(dialog, kReverseBytes);
  ctx.input.start_at_a1 = Checked(dialog, kStartAtA1);
  // Bounds that are not set (0) or lie outside the new spectrum are moved inside by ReadSpectrum.
  const bool restore = Checked(dialog, kRestoreIniBounds);
  sp.b1 = restore ? ctx.input.ini_b1 : sp.a1;
  sp.b2 = restore ? ctx.input.ini_b2 : sp.a2;
  ctx.input.spectrum_dir = DirectoryPart(*chosen);

  SpectrumInputContext reading = ctx;
  reading.undo = nullptr;
  const bool read_ok = ReadSpectrum(reading, ui);
  if (read_ok && ctx.undo) ctx.undo->Push(kInputCommand, std::move(kept));
  // The name, type, options and bounds belong to the spectrum only once it was read.
  if (!read_ok) before.RestoreTo(ctx);
  if (read_ok) {
    ctx.input.last_answers = InputAnswers{sp.file_type, ctx.input.skip_header,
                                          ctx.input.reverse_bytes, restore, ctx.input.start_at_a1};
  }
  if (ctx.view.dialog_ok == 0) return;  // the unsaved results are kept
  FinishSpectrumInput(ctx, ui, read_ok);
}

}  // namespace pektra
