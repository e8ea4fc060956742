#pragma once
// A list box that keeps itself sorted, as the editor's lists of names, month-days and
// recipients do: entries are placed in alphabetical order (Polish collation, letter case
// ignored) as they are added, so they are shown, and saved, in that order.
#include <QCollator>
#include <QListWidget>
#include <optional>
#include <string>
#include <vector>

namespace orvena::editor {

class SortedList : public QListWidget {
  Q_OBJECT

 public:
  explicit SortedList(QWidget* parent = nullptr);

  // Adds after any equal entries.
  void add(const QString& entry);
  bool contains(const QString& entry) const;
  // Removes the selected entry; false when none is selected.
  bool remove_selected();
  // The selected entry, if any.
  std::optional<QString> selected() const;

  void set_entries(const std::vector<std::string>& entries);
  std::vector<std::string> entries() const;

 private:
  QCollator m_collator;
};

}  // namespace orvena::editor
