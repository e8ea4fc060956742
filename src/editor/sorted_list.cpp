#include "editor/sorted_list.h"

#include <QLocale>

namespace orvena::editor {

SortedList::SortedList(QWidget* parent)
    : QListWidget(parent), m_collator(QLocale(QLocale::Polish, QLocale::Poland)) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void SortedList::add(const QString& entry) {
  int row = count();
  for (int i = 0; i < count(); ++i) {
    if (m_collator.compare(entry, item(i)->text()) < 0) {
      row = i;
      break;
    }
  }
  insertItem(row, entry);
}

bool SortedList::contains(const QString& entry) const {
  for (int i = 0; i < count(); ++i)
    if (item(i)->text() == entry) return true;
  return false;
}

bool SortedList::remove_selected() {
  const auto chosen = selectedItems();
  if (chosen.isEmpty()) return false;
  delete takeItem(row(chosen.front()));
  return true;
}

std::optional<QString> SortedList::selected() const {
  const auto chosen = selectedItems();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.front()->text();
}

void SortedList::set_entries(const std::vector<std::string>& entries) {
  clear();
  for (const auto& e : entries) add(QString::fromStdString(e));
}

std::vector<std::string> SortedList::entries() const {
  std::vector<std::string> out;
  out.reserve(count());
  for (int i = 0; i < count(); ++i) out.push_back(item(i)->text().toStdString());
  return out;
}

}  // namespace orvena::editor
