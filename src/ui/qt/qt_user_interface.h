// The user-interface port on Qt Widgets: message windows, questions, the data-entry dialog
// rendered from its struct, file dialogs, pictures painted from display lists, the fit display,
// waiting for a click.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>
#include <optional>

#include "core/user_interface.h"
#include "ui/qt/picture_painter.h"  // PaintPicture, for the callers that paint pictures themselves

class QWidget;

namespace pektra {

class TForm1;

class QtUserInterface : public UserInterface {
 public:
  // Takes the window's clicks on the large graph and its OK / Cancel while a command waits.
  QtUserInterface(TForm1& window, double screen_scale, int font_size);
  ~QtUserInterface() override;
  QtUserInterface(const QtUserInterface&) = delete;
  QtUserInterface& operator=(const QtUserInterface&) = delete;

  void set_screen_scale(double scale) { screen_scale_ = scale; }
  void set_font_size(int size) { font_size_ = size; }

  // Hands a click on the large graph or its OK / Cancel to the waiting command (the first one
  // while it waits); false (and nothing happens) when no command waits.
  bool PostGraphEvent(const GraphEvent& event);
  // Whether a command is waiting for a click on the large graph.
  bool waiting_for_graph() const { return waiting_; }
  // The window of ShowWaitWindow, null when none is shown.
  QWidget* wait_window() const { return wait_window_.data(); }

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
  bool SavePictureFile(const Picture& picture, const std::string& file_name) override;
  void ShowGraphButtons(const GraphButtons& buttons) override;
  void ShowHint(const std::string& text, int left, int top, Color color) override;
  void MenusChanged() override;
  void ShowFitDisplay(const FitDisplayView& view) override;
  void ShowWaitWindow(const std::string& caption) override;
  void DisplaySettingsChanged(const DisplaySettings& settings) override;

 private:
  int Scaled(double design_units) const;
  // Keeps the picture last shown in an area, for an SVG file of it.
  void Remember(PictureArea area, const Picture& picture);

  TForm1& window_;
  double screen_scale_;
  int font_size_;
  std::optional<GraphEvent> pending_event_;
  std::string pending_open_file_;  // the answer of the next open-file question; "" asks
  bool waiting_ = false;
  QPointer<QWidget> wait_window_;                // a child of the window: gone with it
  std::array<std::optional<Picture>, 3> shown_;  // by PictureArea
};

// Writes an image as a BMP file (a PNG file when the name ends in ".png"), whole or not at all;
// false when it cannot be written.
bool SaveBmp(const QImage& image, const std::string& file_name);
// Writes a picture as an SVG file when the name ends in ".svg" (any case), otherwise painted at
// the screen scale as SaveBmp writes it; whole or not at all.
bool SavePictureAs(const Picture& picture, double screen_scale, const std::string& file_name);
bool IsSvgName(const std::string& file_name);

}  // namespace pektra
