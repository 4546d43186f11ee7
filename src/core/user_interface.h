// The user-interface port: every command talks to the user through this interface, in the
// program's own vocabulary. The Qt window implements it; tests use a scripted double.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/dialog.h"
#include "core/display_settings.h"
#include "core/picture.h"

namespace pektra {

// Where a picture is shown in the main window.
enum class PictureArea {
  kLargeGraph,  // spectrum and interval graphs, 600 x 424
  kFitGraph,    // the fit picture of the interactive fit display, 320 x 264
  kFitInfo,     // the information panel of the interactive fit display, 300 x 264
};

// A file question: the title, the folder to start in and the proposed name.
struct FileQuestion {
  std::string title;
  std::string directory;
  std::string proposed_name;
};

// What ended a wait on the large graph: a click (picture coordinates in screen pixels), the graph's
// OK or Cancel button, or the window closing.
struct GraphEvent {
  enum class Kind { kClick, kOk, kCancel, kClosed };
  Kind kind = Kind::kClosed;
  int x = 0, y = 0;
};

// Which buttons of the large graph are shown: "OK" and "Cancel" of "Mark the Peaks ", and the two
// cadre buttons.
struct GraphButtons {
  bool ok_cancel = false;
  bool cadres = false;
  bool operator==(const GraphButtons&) const = default;
};

// The interactive fit display: the fit picture (Image1, 320 x 265), the information panel (Image2,
// 300 x 265), the result grid (StringGrid6: the header row, then two rows per peak, 7 cells each)
// and its buttons. "Fit -> BMP+File", "Graph Single Peaks" and "Change" are always shown;
// "Previous" and "Next" as said. `finished` is the red hint at (345, 190), empty for none.
struct FitDisplayView {
  Picture fit_picture;
  Picture info_panel;
  std::vector<std::array<std::string, 7>> grid;
  bool previous = false;
  bool next = false;
  std::string finished;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The standard message window: the text and one OK button.
  virtual void ShowNote(const std::string& text) = 0;
  // A question with the answers Yes and No; true for Yes. `warning` shows it as a warning.
  virtual bool AskYesNo(const std::string& text, bool warning = false) = 0;
  // A question with the answers OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;

  // Shows the data-entry dialog modally and writes the answers into `dialog`.
  virtual void ShowDialog(DialogContent& dialog) = 0;

  // The open-file question for one existing file; nullopt when cancelled.
  virtual std::optional<std::string> AskOpenFile(const FileQuestion& question) = 0;
  // The open-file question with multiple selection; empty when cancelled.
  virtual std::vector<std::string> AskOpenFiles(const FileQuestion& question) = 0;
  // The save-file question; nullopt when cancelled. It does not ask about overwriting.
  virtual std::optional<std::string> AskSaveFile(const FileQuestion& question) = 0;

  // Waits for a click on the large graph or one of its buttons, processing other events meanwhile.
  virtual GraphEvent WaitForGraphEvent() = 0;

  // The two status lines of the main window; an empty text hides its line.
  virtual void ShowStatus(const std::string& line1, const std::string& line2) = 0;
  // Shows a picture in one of the picture areas of the main window.
  virtual void ShowPicture(PictureArea area, const Picture& picture) = 0;
  // The text window with a help text, modal.
  virtual void ShowHelp(const std::vector<std::string>& lines) = 0;

  // The main window: everything hidden and the window cleared ("Clear the Form").
  virtual void ClearForm() {}
  // Saves the picture last shown in an area as a BMP file; false when it cannot be written.
  virtual bool SavePicture(PictureArea /*area*/, const std::string& /*file_name*/) { return false; }
  // Paints a picture and saves it as a BMP file; false when it cannot be written.
  virtual bool SavePictureFile(const Picture& /*picture*/, const std::string& /*file_name*/) {
    return false;
  }

  // The buttons of the large graph.
  virtual void ShowGraphButtons(const GraphButtons& /*buttons*/) {}
  // The hint line of the graphs (Label3) at a design position; an empty text hides it.
  virtual void ShowHint(const std::string& /*text*/, int /*left*/, int /*top*/, Color /*color*/) {}
  // The enabling of the menus changed (ViewState): shown at once, also in the middle of a command
  // that waits for clicks.
  virtual void MenusChanged() {}
  // Opens (or renews) the interactive fit display: the window turns green and shows its parts.
  virtual void ShowFitDisplay(const FitDisplayView& /*view*/) {}
  // A small window with this caption while a step runs; an empty caption closes it.
  virtual void ShowWaitWindow(const std::string& /*caption*/) {}
  // The window scale, font size or help language changed: the window lays itself out again and
  // shows dialogs and pictures at the new scale from now on.
  virtual void DisplaySettingsChanged(const DisplaySettings& /*settings*/) {}

  // True when the file does not exist; otherwise asks "<file_name> already exists.Overwrite?" as a
  // warning with Yes and No and returns false only for No.
  bool ConfirmOverwrite(const std::string& file_name);
};

}  // namespace pektra
