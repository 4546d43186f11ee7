// The menu of the main window as a command table: every menu with its captions in order, and
// for each command its precondition, its work, the redraw and the status lines. The window
// adapter builds its menu bar from this table and runs commands through it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "marking/marking_state.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

struct MenuItem {
  std::string caption;   // with its "&" accelerator where it has one; "Undo" changes at run time
  std::string name;      // the caption without blanks and "&", followed by 1 (fixed)
  std::string shortcut;  // a key sequence in the form "Ctrl+Z"; empty for none
  bool separator = false;
  bool available = true;  // false: its command comes later; shown disabled
  bool enabled = true;
  // A check item: shown with a check mark while `checked`, which RefreshEnabling derives from the
  // state the item switches.
  bool checkable = false;
  bool checked = false;
  std::function<void()> action;
};

struct MenuDefinition {
  std::string caption;
  std::vector<MenuItem> items;  // empty for "Test", whose title is itself the command
  bool enabled = true;
};

class CommandTable {
 public:
  CommandTable(AnalysisState& state, UserInterface& ui);

  std::vector<MenuDefinition>& menus() { return menus_; }
  const std::vector<MenuDefinition>& menus() const { return menus_; }

  // Runs item `item` of menu `menu` (for "Test", item 0 is the title itself). Nothing happens
  // for a separator or a disabled item. Every command runs inside one boundary: an exception
  // that escapes it is shown as "Internal error in <caption>: <what>" and written to the debug
  // log, and the program goes on with the state as the command left it.
  void Run(std::size_t menu, std::size_t item);
  // Runs the command with this caption (the first that has it); false when there is none.
  bool RunCaption(const std::string& caption);

  // Draws what graph_mode says: the spectrum (1) or the interval (3).
  void Redraw();
  // The buttons of the large graph.
  void NextCadre();
  void PreviousCadre();
  // A click on the large graph (picture pixels).
  void GraphClick(int x, int y);
  // The interactive fit display: a click on the fit picture (picture pixels) and its buttons.
  void FitPictureClick(int x, int y);
  void NextInterval();
  void PreviousInterval();
  void FitToBmp();
  void GraphSinglePeaks();
  void ChangeFit();

  // Sets each menu's and item's `enabled` from the view state (the enabling rules: menus off
  // while a pick waits, "Mark" and "Cut the Cadre" by the graphs and the fit display), and the
  // caption of "Undo" ("Undo Compress the Spectrum"), enabled while there is something to undo;
  // the check marks of the check items.
  void RefreshEnabling();
  // True while a command runs: the window starts no other one meanwhile.
  bool running() const { return running_; }

  // Set by Exit once the exit logic agreed: the window then closes.
  bool quit_confirmed() const { return quit_confirmed_; }

 private:
  void Build();
  void Guarded(const std::string& caption, const std::function<void()>& command);
  void ShowStatusText();
  void Marking(MarkMode mode);
  void Reset();
  // The end of the commands that change the spectrum: graph_mode 1, Redraw, the status lines.
  void RedrawAndStatus();
  void TestMenu();

  AnalysisState& state_;
  UserInterface& ui_;
  std::vector<MenuDefinition> menus_;
  bool quit_confirmed_ = false;
  bool running_ = false;
};

}  // namespace pektra
