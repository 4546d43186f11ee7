// pektra: the window of the spectrum workbench. It takes no arguments.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "state/analysis_state.h"
#include "state/startup.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace {

// Without a display Qt aborts with a long message about platform plugins; say it in one line and
// name the ways that do work.
bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "pektra: no display (DISPLAY is not set); start it on a desktop, over "
                 "\"ssh -X\", or under a virtual display: xvfb-run %s\n",
                 argc > 0 ? argv[0] : "pektra");
    return 2;
  }
  QApplication application(argc, argv);

  pektra::AnalysisState state;
  std::error_code error;
  const std::vector<std::string> refused =
      pektra::StartUp(state, std::filesystem::current_path(error).string());

  pektra::TForm1 window(state);
  pektra::QtUserInterface ui(window, state.display.screen_scale, state.display.font_size);
  pektra::CommandTable commands(state, ui);
  window.SetCommandTable(&commands);
  window.close_guard = [&state, &ui] { return pektra::RequestExit(state, ui); };
  window.show();
  if (!refused.empty()) {
    std::string note = "pektra.ini:";
    for (const std::string& line : refused) note += "\n" + line;
    ui.ShowNote(note);
  }
  return application.exec();
}
