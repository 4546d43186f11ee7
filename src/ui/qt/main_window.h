// The main window: menu bar, the large graph area with its buttons and the two status lines.
// Sizes are design units times the screen scale.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <functional>
#include <vector>

#include "state/analysis_state.h"

class QAction;

namespace pektra {

class CommandTable;

// The fixed banner shown as the main window's caption.
inline constexpr const char* kMainCaption =
    "  PEKTRA  -  processing of gamma-ray and X-ray spectra  -  2010";

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(AnalysisState& state, QWidget* parent = nullptr);

  // Builds the menu bar from the command table and routes the menu, the graph's buttons and
  // clicks on the graph to it.
  void SetCommandTable(CommandTable* table);
  // Enables the menu items as the table says (after every command).
  void RefreshMenus();

  // Places the window and its parts for the present screen scale and font size.
  void ApplyLayout();
  void ShowStatus(const QString& line1, const QString& line2);
  // Hides the graph, its buttons and the status lines; graph_mode 0.
  void ClearForm();
  // Shows a painted large graph with the buttons its mode needs.
  void ShowLargeGraph(const QImage& image);
  const QImage& large_graph() const { return large_graph_; }

  // Asked before the window closes (the Exit logic); returning false keeps it open.
  std::function<bool()> close_guard;
  // A click on the large graph in picture pixels, for a command waiting for it.
  std::function<bool(int x, int y)> graph_click_hook;

  QLabel* Label1 = nullptr;         // first status line
  QLabel* Label2 = nullptr;         // second status line
  QLabel* Image3 = nullptr;         // large graph area
  QPushButton* Button12 = nullptr;  // "Next Cadre"
  QPushButton* Button13 = nullptr;  // "Previous Cadre"
  std::vector<std::vector<QAction*>> menu_actions;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int Scaled(double design_units) const;
  void AfterCommand();

  AnalysisState& state_;
  CommandTable* table_ = nullptr;
  QImage large_graph_;
};

}  // namespace pektra
