#pragma once
// The report's options (double pass, title, author, engine options) and a page's settings (paper
// size and orientation, margins, columns) in dialogs. A dialog only collects the values; the
// designer applies them with apply_to() as one undoable command.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace orvena::report {
class Report;
class ReportPage;
}  // namespace orvena::report

namespace orvena::designer {

class ReportOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  ReportOptionsDialog(const report::Report& report, QWidget* parent = nullptr);
  void apply_to(report::Report& report) const;

 private:
  QLineEdit* m_title;
  QLineEdit* m_author;
  QPlainTextEdit* m_description;
  QCheckBox* m_double_pass;
  QCheckBox* m_convert_nulls;
  QCheckBox* m_ignore_div_by_zero;
  QCheckBox* m_print_if_empty;
  QSpinBox* m_max_mem_size;
};

class PageSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  PageSettingsDialog(const report::ReportPage& page, QWidget* parent = nullptr);
  // Sets the page; its bands across the page follow the new printable width.
  void apply_to(report::ReportPage& page) const;

 private:
  void paper_chosen();
  void orientation_chosen();
  QComboBox* m_paper;
  QComboBox* m_orientation;
  QDoubleSpinBox* m_width;
  QDoubleSpinBox* m_height;
  QDoubleSpinBox* m_margins[4];  // left, top, right, bottom
  QSpinBox* m_columns;
  int m_shown_orientation = 0;
};

}  // namespace orvena::designer
