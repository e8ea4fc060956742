#pragma once
// The data tree: the sources the report sees with their fields, the report's variables and the
// system variables, optionally the script library's functions. Fields and variables are dragged
// onto bands (the drag carries a data_sources.h entry under kDataMime); a double click asks for
// the name to be inserted (the expression editor).
#include <QTreeWidget>

namespace orvena::report {
class Report;
}

namespace orvena::designer {

class DataTree : public QTreeWidget {
  Q_OBJECT

 public:
  enum class Functions : uint8_t { Hidden, Listed };
  DataTree(report::Report& report, Functions functions, QWidget* parent = nullptr);

  // Read again from the report and its sources (a query run meanwhile brings its fields).
  void refresh();
  // The item of a field or a variable, for tests and screenshots ("DaneOrvena", "kwota").
  QTreeWidgetItem* find_entry(const QString& group_or_source, const QString& name) const;
  // What an expression writes for the item (DaneOrvena."kwota", Page#, IntToStr); empty for
  // group items.
  static QString expression_of(const QTreeWidgetItem* item);
  static QString function_of(const QTreeWidgetItem* item);

 Q_SIGNALS:
  void insert_requested(const QString& text, bool function);

 protected:
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  QStringList mimeTypes() const override;

 private:
  report::Report& m_report;
  Functions m_functions;
};

inline constexpr const char* kVariablesGroup = "Zmienne raportu";
inline constexpr const char* kSystemGroup = "Zmienne systemowe";
inline constexpr const char* kFunctionsGroup = "Funkcje";

}  // namespace orvena::designer
