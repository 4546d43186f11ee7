#include "state/startup.h"

#include <filesystem>
#include <memory>

#include "core/debug_log.h"
#include "core/display_settings.h"
#include "core/user_interface.h"
#include "state/analysis_state.h"
#include "state/init_file.h"

namespace pektra {

std::string WorkFilePath(const std::string& work_dir, std::string_view name) {
  return (std::filesystem::path(work_dir) / std::filesystem::path(name)).string();
}

std::vector<std::string> StartUp(AnalysisState& state, const std::string& work_dir) {
  state.display.screen_scale = 1.0;
  state.display.font_size = 10;
  state.files.work_dir = work_dir;
  state.files.ini_path = WorkFilePath(work_dir, kInitFileName);
  state.input.spectrum_dir = work_dir;
  state.display.rus_help = SystemLocaleIsRussian();  // unless pektra.fn says
  ReadDisplaySettings(WorkFilePath(work_dir, kDisplaySettingsFileName), state.display);

  // The log so far lived in memory; from now on it is the file, created empty.
  state.debug_log = std::make_shared<DebugLog>(WorkFilePath(work_dir, kDebugLogName));
  state.SetDefaults();
  InitMessages messages;
  ReadInitFile(state.files.ini_path, state, messages);
  return messages;
}

bool RequestExit(AnalysisState& state, UserInterface& ui) {
  if (state.results.results_unsaved && !ui.AskYesNo("Results not saved. Quit?")) return false;
  if (state.view.debug_mode && state.debug_log) state.debug_log->CloseAndEraseIfTiny();
  // The program ends either way; a settings file that cannot be written keeps its old content.
  WriteDisplaySettings(WorkFilePath(state.files.work_dir, kDisplaySettingsFileName), state.display);
  return true;
}

}  // namespace pektra
