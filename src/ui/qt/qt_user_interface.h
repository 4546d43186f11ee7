// The user-interface port on Qt Widgets: message windows, questions, the data-entry dialog
// rendered from its struct, file dialogs, pictures painted from display lists, waiting for a click.
#pragma once

#include <QImage>
#include <optional>

#include "core/user_interface.h"
#include "ui/qt/picture_painter.h"  // PaintPicture, for the callers that paint pictures themselves

class QWidget;

namespace pektra {

class TForm1;

class QtUserInterface : public UserInterface {
 public:
  QtUserInterface(TForm1& window, double screen_scale, int font_size);

  void set_screen_scale(double scale) { screen_scale_ = scale; }
  void set_font_size(int size) { font_size_ = size; }

  // Called by the window when the user clicks the large graph or presses its OK / Cancel buttons.
  void PostGraphEvent(const GraphEvent& event);
  // Whether a command is waiting for a click on the large graph.
  bool waiting_for_graph() const { return waiting_; }

  void ShowNote(const std::string& text) override;
  bool AskYesNo(const std::string& text, bool warning) override;
  bool AskOkCancel(const std::string& text) override;
  void ShowDialog(DialogContent& dialog) override;
  std::optional<std::string> AskOpenFile(const FileQuestion& question) override;
  std::vector<std::string> AskOpenFiles(const FileQuestion& question) override;
  std::optional<std::string> AskSaveFile(const FileQuestion& question) override;
  GraphEvent WaitForGraphEvent() override;
  void ShowStatus(const std::string& line1, const std::string& line2) override;
  void ShowPicture(PictureArea area, const Picture& picture) override;
  void ShowHelp(const std::vector<std::string>& lines) override;
  void ClearForm() override;
  bool SavePicture(PictureArea area, const std::string& file_name) override;

 private:
  int Scaled(double design_units) const;

  TForm1& window_;
  double screen_scale_;
  int font_size_;
  std::optional<GraphEvent> pending_event_;
  bool waiting_ = false;
};

}  // namespace pektra
