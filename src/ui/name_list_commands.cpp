#include "ui/name_list_commands.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/dialog.h"
#include "core/file_names.h"
#include "core/help_texts.h"
#include "core/user_interface.h"
#include "report/name_list.h"
#include "spectrum/spectrum_input.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace pektra {

namespace {

constexpr const char* kCreateTitle = "Creation of Spectrum Name List";

DialogContent CreateDialog(const AnalysisState& state) {
  DialogContent dialog = OpenDialogForm(kCreateTitle);
  dialog.help_lines = HelpLines(HelpTopic::kGeneral, state.display.rus_help);
  return dialog;
}

void ShowReport(UserInterface& ui, DialogContent dialog, int count) {
  ShowListBox(
      dialog, 20, 40, 270, 120,
      {"  Spectrum Name List", "   has been created", "  " + std::to_string(count) + " items"});
  ui.ShowDialog(dialog);
}

}  // namespace

void CreateNameList(AnalysisState& state, UserInterface& ui) {
  WorkFiles& files = state.files;
  DialogContent mode = CreateDialog(state);
  ShowLabel(mode, 0, 5, 40, "Select the mode:", colors::kAqua, colors::kGreen);
  ShowChoiceList(mode, 0, 5, 70, 310, 60,
                 {"Get the list from DialogBox", "Enter the list from a file"}, 0);
  ShowListBox(mode, 20, 160, 280, 140,
              {" Dialog Box mode:", "click the name set by the mouse", " ",
               "If the names are sequential:", " 1/ Click on the 1st name",
               " 2/ then Click+Shift on the last;",
               "If the names are randomly accessed:", " Click+Ctrl on each; then on Open"});
  ui.ShowDialog(mode);
  if (!mode.ok) return;

  std::vector<std::string> names;
  std::string dropped;
  if (mode.choice_lists[0].selected == 0) {
    names = ui.AskOpenFiles({"      Select the file group", files.work_dir, "*.*"});
    if (names.empty()) {
      state.view.dialog_ok = 0;
      return;
    }
  } else {
    DialogContent which = CreateDialog(state);
    ShowLabel(which, 0, 10, 70, "The spectrum name file = ", colors::kAqua, colors::kGreen);
    which.edit_line = {true, 200, 68, 70, files.name_list_file};
    ui.ShowDialog(which);
    if (!which.ok) return;
    const std::string file_name = which.edit_line.text;
    std::ifstream in(file_name, std::ios::binary);
    if (!in) {
      ui.ShowNote("No file " + file_name);
      return;
    }
    names = ReadNameListLines(in);
  }
  // More names than the list holds: the first ones are kept, and the user is told.
  if (names.size() > static_cast<std::size_t>(kMaxListNames)) {
    ui.ShowNote(std::to_string(names.size()) + " names given, the list holds " +
                std::to_string(kMaxListNames) + ": the first " + std::to_string(kMaxListNames) +
                " are kept");
    names.resize(kMaxListNames);
  }
  files.name_list = std::move(names);
  files.name_count = static_cast<int>(files.name_list.size());
  state.view.dialog_ok = 1;
  ShowReport(ui, CreateDialog(state), files.name_count);
}

void ShowNameList(AnalysisState& state, UserInterface& ui) {
  const WorkFiles& files = state.files;
  const int count = std::min(files.name_count, static_cast<int>(files.name_list.size()));
  if (count <= 0) {
    ui.ShowNote("No spectrum names in the list");
    return;
  }
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += NameListDisplayForm(files.name_list[static_cast<std::size_t>(i)]) + "\n";
  }
  DialogContent dialog = OpenDialogForm("List of spectrum names for processing");
  ShowMemo(dialog, 5, 310, text);
  ui.ShowDialog(dialog);
}

bool SetNextSpectrumName(AnalysisState& state, UserInterface& ui,
                         const std::function<void()>& input_command) {
  const WorkFiles& files = state.files;
  const int count = std::min(files.name_count, static_cast<int>(files.name_list.size()));
  if (count <= 0) {
    ui.ShowNote("No items in the name list");
    return false;
  }
  DialogContent dialog = OpenDialogForm("Set the current spectrum name");
  ShowLabel(dialog, 0, 5, 40, "Select the name:", colors::kAqua, colors::kGreen);
  dialog.combo_box.visible = true;
  dialog.combo_box.left = 25;
  dialog.combo_box.top = 70;
  dialog.combo_box.width = 270;
  for (int i = 0; i < count; ++i) {
    dialog.combo_box.items.push_back(
        NameListDisplayForm(files.name_list[static_cast<std::size_t>(i)]));
  }
  dialog.combo_box.selected = 0;  // the first name: the next one still to do
  ShowCheckList(dialog, 15, 270, 290, 20, {" Spectrum input under default conditions"}, {false});
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  const std::string name =
      files
          .name_list[static_cast<std::size_t>(std::clamp(dialog.combo_box.selected, 0, count - 1))];
  const bool default_conditions =
      !dialog.check_list.checked.empty() && dialog.check_list.checked[0];

  TSpectrum& sp = state.spectrum;
  const std::string previous_name = sp.file_name;
  sp.file_name = name;
  if (default_conditions) {
    const SpectrumInputContext ctx = SpectrumInputOf(state);
    const bool read = ReadSpectrum(ctx, ui);
    // Kept results ask nothing more; a failed read says so in the status.
    if (read || state.view.dialog_ok != 0) FinishSpectrumInput(ctx, ui, read);
    if (!read) state.view.dialog_ok = 0;
  } else {
    const std::string directory = DirectoryPart(name);
    if (!directory.empty()) state.input.spectrum_dir = directory;
    input_command();
  }
  if (state.view.dialog_ok != 1) {
    // Nothing read in: the spectrum in memory keeps its own name.
    if (sp.file_name == name) sp.file_name = previous_name;
    return false;
  }
  DialogContent report = OpenDialogForm("");
  ShowListBox(report, 5, 40, 290, 120,
              {"  " + sp.file_name + "-name set", " ", "After processing this spectrum",
               "and saving the results, its name", "will be deleted from the list"});
  ui.ShowDialog(report);
  return true;
}

}  // namespace pektra
