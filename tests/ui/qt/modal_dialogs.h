// For the window tests: playing the user on a modal dialog that a command is about to show, and
// on the window's menus.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/qt/main_window.h"

namespace pektra::testing {

// Runs `act` on the next modal dialog once it is shown.
inline void OnNextDialog(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

// The control of the dialog with this caption, or null.
template <typename Control>
Control* Captioned(QDialog& dialog, const QString& caption) {
  for (auto* control : dialog.findChildren<Control*>()) {
    if (control->text() == caption) return control;
  }
  return nullptr;
}

// Chooses the window's menu item with this caption, as a click on it does.
inline void RunMenuItem(TForm1& window, const std::string& caption) {
  for (const std::vector<QAction*>& actions : window.menu_actions) {
    for (QAction* action : actions) {
      if (action->text().toStdString() == caption) {
        action->trigger();
        return;
      }
    }
  }
  ADD_FAILURE() << "no menu item " << caption;
}

}  // namespace pektra::testing
