#include "designer/report_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/text.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/paper.h"
#include "report/report.h"

namespace orvena::designer {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

QDialogButtonBox* ok_cancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QCheckBox* check(const char* name, const QString& text, bool on) {
  auto* box = new QCheckBox(text);
  box->setObjectName(name);
  box->setChecked(on);
  return box;
}

// The sizes offered by name; every other code of the paper table stays as the template has it.
struct NamedPaper {
  const char* name;
  int code;
};
constexpr NamedPaper kNamedPapers[] = {{"A3", 8},        {"A4", 9},     {"A5", 11},
                                       {"B5 (JIS)", 13}, {"Letter", 1}, {"Legal", 5}};
constexpr const char* kCustomPaperName = "własny";

QDoubleSpinBox* millimetres(const char* name, double value, double max) {
  auto* box = new QDoubleSpinBox;
  box->setObjectName(name);
  box->setDecimals(1);
  box->setRange(0, max);
  box->setSuffix(" mm");
  box->setValue(value);
  return box;
}

}  // namespace

// ---- Report options ------------------------------------------------------------------------------

ReportOptionsDialog::ReportOptionsDialog(const report::Report& report, QWidget* parent) : QDialog(parent) {
  setObjectName("report_options");
  setWindowTitle("Opcje raportu");
  const auto& o = report.report_options;
  const auto& e = report.engine_options;
  m_title = new QLineEdit(qs(o.name));
  m_title->setObjectName("title");
  m_author = new QLineEdit(qs(o.author));
  m_author->setObjectName("author");
  m_description = new QPlainTextEdit(qs(core::join_crlf(o.description)).replace("\r\n", "\n"));
  m_description->setObjectName("description");
  m_description->setTabChangesFocus(true);
  m_double_pass = check("double_pass", "Dwa przebiegi (liczba stron znana na każdej stronie)", e.double_pass);
  m_convert_nulls = check("convert_nulls", "Puste pola jako zero lub pusty tekst", e.convert_nulls);
  m_ignore_div_by_zero = check("ignore_div_by_zero", "Pomijaj dzielenie przez zero", e.ignore_dev_by_zero);
  m_print_if_empty = check("print_if_empty", "Drukuj raport bez danych", e.print_if_empty);
  m_max_mem_size = new QSpinBox;
  m_max_mem_size->setObjectName("max_mem_size");
  m_max_mem_size->setRange(1, 100000);
  m_max_mem_size->setSuffix(" MB");
  m_max_mem_size->setValue(static_cast<int>(e.max_mem_size));

  auto* about = new QGroupBox("Raport");
  auto* form = new QFormLayout(about);
  form->addRow("Tytuł:", m_title);
  form->addRow("Autor:", m_author);
  form->addRow("Opis:", m_description);
  auto* engine = new QGroupBox("Silnik");
  auto* engine_layout = new QFormLayout(engine);
  engine_layout->addRow(m_double_pass);
  engine_layout->addRow(m_convert_nulls);
  engine_layout->addRow(m_ignore_div_by_zero);
  engine_layout->addRow(m_print_if_empty);
  engine_layout->addRow("Pamięć na strony:", m_max_mem_size);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(about);
  layout->addWidget(engine);
  layout->addWidget(ok_cancel(this));
}

void ReportOptionsDialog::apply_to(report::Report& report) const {
  auto& o = report.report_options;
  auto& e = report.engine_options;
  o.name = m_title->text().toStdString();
  o.author = m_author->text().toStdString();
  o.description = core::split_lines(m_description->toPlainText().toStdString());
  e.double_pass = m_double_pass->isChecked();
  e.convert_nulls = m_convert_nulls->isChecked();
  e.ignore_dev_by_zero = m_ignore_div_by_zero->isChecked();
  e.print_if_empty = m_print_if_empty->isChecked();
  e.max_mem_size = m_max_mem_size->value();
}

// ---- Page settings -------------------------------------------------------------------------------

PageSettingsDialog::PageSettingsDialog(const report::ReportPage& page, QWidget* parent) : QDialog(parent) {
  setObjectName("page_settings");
  setWindowTitle("Ustawienia strony");
  m_paper = new QComboBox;
  m_paper->setObjectName("paper");
  for (const auto& p : kNamedPapers) m_paper->addItem(p.name, p.code);
  m_paper->addItem(kCustomPaperName, report::kCustomPaper);
  int index = m_paper->findData(page.paper_size());
  if (index < 0) {
    // A code of the table without a name here keeps its code.
    m_paper->insertItem(0, QString("kod %1").arg(page.paper_size()), page.paper_size());
    index = 0;
  }
  m_paper->setCurrentIndex(index);
  m_orientation = new QComboBox;
  m_orientation->setObjectName("orientation");
  m_orientation->addItems({"pionowa", "pozioma"});
  m_shown_orientation = static_cast<int>(page.orientation());
  m_orientation->setCurrentIndex(m_shown_orientation);
  m_width = millimetres("paper_width", page.paper_width(), report::kMaxPaperMm);
  m_height = millimetres("paper_height", page.paper_height(), report::kMaxPaperMm);
  m_width->setMinimum(report::kMinPaperMm);
  m_height->setMinimum(report::kMinPaperMm);
  const double margins[] = {page.left_margin, page.top_margin, page.right_margin, page.bottom_margin};
  const char* names[] = {"left_margin", "top_margin", "right_margin", "bottom_margin"};
  for (int i = 0; i < 4; ++i) m_margins[i] = millimetres(names[i], margins[i], 1000);
  m_columns = new QSpinBox;
  m_columns->setObjectName("columns");
  m_columns->setRange(0, 100);
  m_columns->setValue(static_cast<int>(page.columns()));

  auto* paper = new QGroupBox("Papier");
  auto* paper_form = new QFormLayout(paper);
  paper_form->addRow("Rozmiar:", m_paper);
  paper_form->addRow("Szerokość:", m_width);
  paper_form->addRow("Wysokość:", m_height);
  paper_form->addRow("Orientacja:", m_orientation);
  auto* margin_box = new QGroupBox("Marginesy");
  auto* margin_form = new QFormLayout(margin_box);
  margin_form->addRow("Lewy:", m_margins[0]);
  margin_form->addRow("Górny:", m_margins[1]);
  margin_form->addRow("Prawy:", m_margins[2]);
  margin_form->addRow("Dolny:", m_margins[3]);
  auto* columns_box = new QGroupBox("Kolumny");
  auto* columns_form = new QFormLayout(columns_box);
  columns_form->addRow("Liczba kolumn:", m_columns);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(paper);
  layout->addWidget(margin_box);
  layout->addWidget(columns_box);
  layout->addWidget(ok_cancel(this));

  connect(m_paper, &QComboBox::activated, this, [this] { paper_chosen(); });
  connect(m_orientation, &QComboBox::activated, this, [this] { orientation_chosen(); });
  // Dimensions typed by hand make the paper a custom one, as the page itself does.
  for (QDoubleSpinBox* box : {m_width, m_height})
    connect(box, &QDoubleSpinBox::editingFinished, this, [this] {
      auto p = report::find_paper(m_paper->currentData().toInt());
      const bool landscape = m_orientation->currentIndex() == 1;
      if (p && (std::abs(m_width->value() - (landscape ? p->height : p->width) / 10.0) > 0.05 ||
                std::abs(m_height->value() - (landscape ? p->width : p->height) / 10.0) > 0.05))
        m_paper->setCurrentIndex(m_paper->findData(report::kCustomPaper));
    });
}

void PageSettingsDialog::paper_chosen() {
  auto p = report::find_paper(m_paper->currentData().toInt());
  if (!p) return;
  const bool landscape = m_orientation->currentIndex() == 1;
  m_width->setValue((landscape ? p->height : p->width) / 10.0);
  m_height->setValue((landscape ? p->width : p->height) / 10.0);
}

void PageSettingsDialog::orientation_chosen() {
  if (m_orientation->currentIndex() == m_shown_orientation) return;
  m_shown_orientation = m_orientation->currentIndex();
  const double w = m_width->value();
  m_width->setValue(m_height->value());
  m_height->setValue(w);
}

void PageSettingsDialog::apply_to(report::ReportPage& page) const {
  page.set_orientation(static_cast<report::Orientation>(m_orientation->currentIndex()));
  const int code = m_paper->currentData().toInt();
  if (code < report::kCustomPaper && report::find_paper(code)) {
    page.set_paper_size(code);
  } else {
    page.set_paper_width(m_width->value());
    page.set_paper_height(m_height->value());
  }
  page.left_margin = m_margins[0]->value();
  page.top_margin = m_margins[1]->value();
  page.right_margin = m_margins[2]->value();
  page.bottom_margin = m_margins[3]->value();
  page.set_columns(m_columns->value());
  for (const auto& child : page.objects())
    if (auto* band = dynamic_cast<report::Band*>(child.get()); band && !band->vertical)
      band->set_width(page.columns() > 1 && dynamic_cast<report::DataBand*>(band)
                          ? page.column_width * report::kUnitsPerMm
                          : page.printable_width());
}

}  // namespace orvena::designer
