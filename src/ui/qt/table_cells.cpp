#include "ui/qt/table_cells.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTableWidget>
#include <algorithm>
#include <climits>
#include <functional>
#include <utility>
#include <vector>

namespace pektra {

namespace {

// Ctrl+C on the table puts `text()` on the clipboard. The key is taken before the view's own
// handling, which would copy only the current cell.
class CopyKey : public QObject {
 public:
  CopyKey(QTableWidget* table, std::function<QString()> text)
      : QObject(table), text_(std::move(text)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
      const QString text = text_();
      if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<QString()> text_;
};

void InstallCopy(QTableWidget* table, std::function<QString()> text) {
  table->installEventFilter(new CopyKey(table, std::move(text)));
}

}  // namespace

void MakeReadOnlyCopyable(QTableWidget* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setSelectionBehavior(QAbstractItemView::SelectItems);
  InstallCopy(table, [table] { return SelectedCellsText(*table); });
}

void MakeRowsCopyable(QTableWidget* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  InstallCopy(table, [table] { return SelectedRowsText(*table); });
}

QString SelectedRowsText(const QTableWidget& table) {
  std::vector<int> rows;
  for (int r = 0; r < table.rowCount(); ++r) {
    for (int c = 0; c < table.columnCount(); ++c) {
      const QTableWidgetItem* item = table.item(r, c);
      if (item && item->isSelected()) {
        rows.push_back(r);
        break;
      }
    }
  }
  if (rows.empty()) return {};
  QStringList lines;
  QStringList titles;
  for (int c = 0; c < table.columnCount(); ++c) {
    const QTableWidgetItem* head = table.horizontalHeaderItem(c);
    titles << (head ? head->text() : QString());
  }
  lines << titles.join(QLatin1Char('\t'));
  for (const int r : rows) {
    QStringList cells;
    for (int c = 0; c < table.columnCount(); ++c) {
      const QTableWidgetItem* item = table.item(r, c);
      cells << (item ? item->text() : QString());
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString SelectedCellsText(const QTableWidget& table) {
  const QList<QTableWidgetItem*> selected = table.selectedItems();
  if (selected.isEmpty()) return {};
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  for (const QTableWidgetItem* item : selected) {
    top = std::min(top, item->row());
    bottom = std::max(bottom, item->row());
    left = std::min(left, item->column());
    right = std::max(right, item->column());
  }
  QStringList lines;
  for (int r = top; r <= bottom; ++r) {
    QStringList cells;
    for (int c = left; c <= right; ++c) {
      const QTableWidgetItem* item = table.item(r, c);
      cells << (item && item->isSelected() ? item->text() : QString());
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace pektra
