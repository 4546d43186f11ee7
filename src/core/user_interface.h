// The user-interface port: every command talks to the user through this interface, in the
// program's own vocabulary. The Qt window implements it; tests use a scripted double.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/dialog.h"
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

  // True when the file does not exist; otherwise asks "<file_name> already exists.Overwrite?" as a
  // warning with Yes and No and returns false only for No.
  bool ConfirmOverwrite(const std::string& file_name);
};

}  // namespace pektra
