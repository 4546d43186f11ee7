// The main window: menu bar, the large graph area and the two status lines. Sizes are design
// units times the screen scale.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <functional>

#include "core/analysis_state.h"

namespace pektra {

// The fixed banner shown as the main window's caption.
inline constexpr const char* kMainCaption =
    "  PEKTRA  -  processing of gamma-ray and X-ray spectra  -  2010";

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(AnalysisState& state, QWidget* parent = nullptr);

  // Places the window and its parts for the present screen scale and font size.
  void ApplyLayout();
  void ShowStatus(const QString& line1, const QString& line2);

  // Asked before the window closes (the Exit logic); returning false keeps it open.
  std::function<bool()> close_guard;

  QLabel* Label1 = nullptr;  // first status line
  QLabel* Label2 = nullptr;  // second status line
  QLabel* Image3 = nullptr;  // large graph area

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  int Scaled(double design_units) const;

  AnalysisState& state_;
};

}  // namespace pektra
