// For the window tests: playing the user on a modal dialog that a command is about to show.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

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

}  // namespace pektra::testing
