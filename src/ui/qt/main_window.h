// The main window: menu bar, the large graph area with its buttons, the interactive fit display
// (fit picture, information panel, result grid and their buttons), the hint line and the two
// status lines. Sizes are design units times the screen scale.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "core/user_interface.h"
#include "state/analysis_state.h"

class QAction;
class QKeyEvent;
class QMenu;
class QDragEnterEvent;
class QDropEvent;
class QTableWidget;
class QTimer;
class QToolButton;

namespace pektra {

class CommandTable;

// The fixed banner shown as the main window's caption.
inline constexpr const char* kMainCaption =
    "  PEKTRA  -  processing of gamma-ray and X-ray spectra  -  2010";

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(AnalysisState& state, QWidget* parent = nullptr);

  // Builds the menu bar from the command table and routes the menu, the buttons and clicks on
  // the pictures to it.
  void SetCommandTable(CommandTable* table);
  // Enables the menus and their items as the table derives them from the view state (after every
  // command, and at once when a command in progress changes them).
  void RefreshMenus();

  // Places the window and its parts for the present screen scale and font size: the stated size is
  // the size it opens at and the smallest it can be made; a larger window draws a larger graph.
  void ApplyLayout();
  void ShowStatus(const QString& line1, const QString& line2);
  // Hides the pictures, the result grid, every button and label, gives the window back its
  // button-face colour; graph_mode 0.
  void ClearForm();
  // Shows a painted large graph (its buttons are set by ShowGraphButtons).
  void ShowLargeGraph(const QImage& image);
  const QImage& large_graph() const { return large_graph_; }
  // The large graph's "OK" / "Cancel" and the two cadre buttons.
  void ShowGraphButtons(const GraphButtons& buttons);
  // The hint line Label3 at a design position; an empty text hides it.
  void ShowHint(const QString& text, int left, int top, const QColor& color);

  // The interactive fit display (fit_display_widgets.cpp): the window turns green and shows the
  // painted fit picture, the information panel, the result grid and the buttons.
  void ShowFitDisplay(const FitDisplayView& view, const QImage& fit_picture,
                      const QImage& info_panel);
  // Renews one picture of the fit display.
  void ShowFitPicture(const QImage& image);
  void ShowFitInfo(const QImage& image);
  const QImage& fit_picture() const { return fit_picture_; }
  const QImage& fit_info() const { return fit_info_; }

  // Asked before the window closes (the Exit logic); returning false keeps it open.
  std::function<bool()> close_guard;
  // A click on the large graph (picture pixels) or its OK / Cancel, for a command waiting for
  // it; returns whether a waiting command took it.
  std::function<bool(const GraphEvent& event)> graph_event_hook;
  // The port the zoom and pan of the large graph draw through (set by QtUserInterface).
  UserInterface* view_ui = nullptr;
  // Answers the next open-file question with this name, without asking (set by QtUserInterface).
  std::function<void(const std::string& file_name)> answer_open_file;

  // Reads a spectrum file through "Input the Spectrum" with its questions, the file question
  // answered with `file_name` (a dropped file, a recent one). Returns whether it was read.
  bool ReadSpectrumFile(const QString& file_name);
  // The last spectra read (at most 8, newest first), kept with QSettings.
  static QStringList RecentSpectra();
  // The type and reading options a recent spectrum was read with; none for an entry without.
  static std::optional<InputAnswers> RecentAnswers(const QString& file_name);
  // Reads a recent spectrum again as ReadSpectrumFile does, the type dialog answered with the
  // remembered type and options (asked when there are none).
  bool ReadRecentSpectrum(const QString& file_name);
  QMenu* recent_menu() const { return recent_menu_; }

  QLabel* Label1 = nullptr;             // first status line
  QLabel* Label2 = nullptr;             // second status line
  QLabel* Label3 = nullptr;             // hint line of the graphs
  QLabel* Image1 = nullptr;             // fit picture
  QLabel* Image2 = nullptr;             // information panel of the fit
  QLabel* Image3 = nullptr;             // large graph area
  QTableWidget* StringGrid6 = nullptr;  // result grid of the fit display
  QPushButton* Button1 = nullptr;       // "Change"
  QPushButton* Button2 = nullptr;       // "Next"
  QPushButton* Button4 = nullptr;       // "Previous"
  QPushButton* Button9 = nullptr;       // "Fit -> BMP+File"
  QPushButton* Button10 = nullptr;      // "OK" of the large graph
  QPushButton* Button11 = nullptr;      // "Cancel" of the large graph
  QPushButton* Button12 = nullptr;      // "Next cadre"
  QPushButton* Button13 = nullptr;      // "Previous cadre"
  QPushButton* Button14 = nullptr;      // "Graph Single Peaks"
  QToolButton* quick_scale = nullptr;   // Normal / LN, in the large graph's top right corner
  std::vector<QAction*> menu_titles;    // per menu: its title (for "Test" the command itself)
  std::vector<std::vector<QAction*>> menu_actions;  // per menu: its items

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The keys of the large graph: L quick scale, Home whole spectrum, Left / Right step.
  void keyPressEvent(QKeyEvent* event) override;
  // The large graph follows the window's size, drawn again once the resizing pauses.
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Scaled(double design_units) const;
  void AfterCommand();
  // How the large graph draws the spectrum (the Graph menu's check items), kept with QSettings.
  void LoadGraphDrawing();
  void SaveGraphDrawing();
  // After "Input the Spectrum": a spectrum read goes to the top of the recent spectra.
  void RememberSpectrumRead();
  void FillRecentMenu();
  // Runs one of the command table's entry points for a button, then refreshes the menus.
  void ConnectCommand(QPushButton* button, void (CommandTable::*entry)());
  // A button of the large graph: the event goes to a waiting command, else nowhere.
  void ConnectGraphEvent(QPushButton* button, GraphEvent::Kind kind);
  void SetWindowColor(const QColor& color);
  // Wheel, drag and double-click on the large graph; returns whether the event was taken.
  bool LargeGraphMouse(QEvent* event);
  // A click on the large graph: to a waiting pick, else the read-out.
  void LargeGraphClick(const GraphEvent& click);
  // Gives the large graph the design size the window has room for and draws it again.
  void FollowWindowSize();

  // fit_display_widgets.cpp
  void CreateFitDisplayWidgets(QWidget* central);
  void LayoutFitDisplay();
  void HideFitDisplay();
  void FillResultGrid(const std::vector<std::array<std::string, 7>>& grid);

  AnalysisState& state_;
  CommandTable* table_ = nullptr;
  QImage large_graph_;
  QImage fit_picture_;
  QImage fit_info_;
  QMenu* recent_menu_ = nullptr;
  std::optional<QPoint> drag_from_;  // the press on the large graph a drag started from
  bool dragged_ = false;             // the pointer moved far enough to pan
  // The status lines as given; each label shows its line shortened to the window's width.
  QString status_lines_[2];
  void FitStatusLines();
  QTimer* resize_pause_ = nullptr;  // runs out when the window has not been resized for a moment
  std::pair<bool, bool> drawing_saved_{false, true};  // histogram, fitted curves as last stored
};

}  // namespace pektra
