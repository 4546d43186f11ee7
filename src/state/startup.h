// Start and exit of the program, the parts that need no window: the work files in the start
// folder, the defaults, the display settings and the init file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pektra {

struct AnalysisState;
class UserInterface;

inline constexpr const char* kInitFileName = "pektra.ini";
inline constexpr const char* kSavedInitFileName = "pektra.tmp";
inline constexpr const char* kDisplaySettingsFileName = "pektra.fn";

// A work file in the start folder, joined with the platform's separator.
std::string WorkFilePath(const std::string& work_dir, std::string_view name);

// Called once, after the windows exist: display settings at their start values and then from
// pektra.fn, the debug log "a.res" created empty in `work_dir`, the defaults, and last the init
// file pektra.ini. Missing files leave the defaults and are not reported. Returns the messages
// of the values the init file gave and that were refused, for the window to show.
std::vector<std::string> StartUp(AnalysisState& state, const std::string& work_dir);

// Exit: with unsaved results asks "Results not saved. Quit?"; No returns false with nothing
// changed. Otherwise closes the debug log in debug mode (deleting it when it holds less than 4
// bytes), writes the display settings to pektra.fn and returns true.
bool RequestExit(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
