#include "ui/qt/table_cells.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QTableWidget>
#include <algorithm>
#include <climits>

namespace pektra {

void MakeReadOnlyCopyable(QTableWidget* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setSelectionBehavior(QAbstractItemView::SelectItems);
  auto* copy = new QAction(table);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(copy, &QAction::triggered, table, [table] {
    const QString text = SelectedCellsText(*table);
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
  });
  table->addAction(copy);
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
