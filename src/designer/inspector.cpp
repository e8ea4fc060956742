#include "designer/inspector.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/line_file.h"
#include "core/text.h"
#include "designer/commands.h"
#include "designer/design_surface.h"
#include "report/component.h"
#include "report/datasets.h"
#include "report/report.h"
#include "report/serializer.h"
#include "report/values.h"

namespace orvena::designer {

using report::PropInfo;
using report::PropKind;
using report::PropRole;

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QColor to_qcolor(int64_t v) {
  if (v < 0 || v == report::kNoColor) return QColor();
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

int64_t from_qcolor(const QColor& c) {
  return static_cast<int64_t>(c.red()) | (static_cast<int64_t>(c.green()) << 8) |
         (static_cast<int64_t>(c.blue()) << 16);
}

QIcon swatch(int64_t v) {
  QPixmap pixmap(12, 12);
  const QColor c = to_qcolor(v);
  pixmap.fill(c.isValid() ? c : QColor(Qt::white));
  QPainter p(&pixmap);
  p.setPen(Qt::gray);
  p.drawRect(0, 0, 11, 11);
  if (!c.isValid()) p.drawLine(0, 11, 11, 0);  // no colour
  return QIcon(pixmap);
}

// The standard dialogs; fonts offer what the font service can draw: a scalable family, a size in
// points and the four style bits.
std::optional<QColor> standard_colour(QWidget* parent, const QColor& initial) {
  QColor c = QColorDialog::getColor(initial, parent, "Kolor");
  if (!c.isValid()) return std::nullopt;
  return c;
}

std::optional<QFont> standard_font(QWidget* parent, const QFont& initial) {
  bool ok = false;
  QFont f = QFontDialog::getFont(&ok, initial, parent, "Czcionka",
                                 QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
  if (!ok) return std::nullopt;
  return f;
}

std::optional<QString> standard_text(QWidget* parent, const QString& title, const QString& text) {
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto* edit = new QPlainTextEdit(text);
  edit->setObjectName("text");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(edit);
  layout->addWidget(buttons);
  dialog.resize(480, 320);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return edit->toPlainText();
}

QString font_text(const report::Font& f) {
  QString s = QString("%1, %2 pt").arg(qs(f.name)).arg(f.size());
  if (f.style & report::kFontBold) s += ", pogrubiona";
  if (f.style & report::kFontItalic) s += ", kursywa";
  return s;
}

constexpr int kPathRole = Qt::UserRole;

}  // namespace

Inspector::Inspector(DesignSurface& surface, QUndoStack& stack, const editor::Prompts& prompts,
                     QWidget* parent)
    : QWidget(parent), m_surface(surface), m_stack(stack), m_prompts(prompts) {
  setObjectName("inspector");
  m_title = new QLabel;
  m_title->setObjectName("inspector_title");
  m_tabs = new QTabWidget;
  auto make_tree = [this](const char* name) {
    auto* tree = new QTreeWidget;
    tree->setObjectName(name);
    tree->setColumnCount(2);
    tree->setHeaderLabels({"Właściwość", "Wartość"});
    tree->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    tree->setColumnWidth(0, 145);
    tree->setAlternatingRowColors(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
      if (!m_rebuilding) m_expanded.insert(item->data(0, kPathRole).toString());
    });
    connect(tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
      if (!m_rebuilding) m_expanded.remove(item->data(0, kPathRole).toString());
    });
    return tree;
  };
  m_properties = make_tree("properties");
  m_events = make_tree("events");
  connect(m_events, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const std::string path = item->data(0, kPathRole).toString().toStdString();
    event_activated({path});
  });
  m_tabs->addTab(m_properties, "Właściwości");
  m_tabs->addTab(m_events, "Zdarzenia");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_title);
  layout->addWidget(m_tabs, 1);
  if (!m_dialogs.colour) m_dialogs.colour = standard_colour;
  if (!m_dialogs.font) m_dialogs.font = standard_font;
  if (!m_dialogs.text) m_dialogs.text = standard_text;
  connect(&m_stack, &QUndoStack::indexChanged, this, [this] { refresh_if_changed(); });
  rebuild();
}

Inspector::~Inspector() = default;

void Inspector::set_components(std::vector<report::Component*> components) {
  if (components == m_components) return;
  m_components = std::move(components);
  m_lives.assign(m_components.begin(), m_components.end());
  rebuild();
}

void Inspector::refresh() {
  rebuild();
}

std::string Inspector::shown_state() const {
  std::string out;
  for (size_t i = 0; i < m_components.size(); ++i) {
    if (!m_lives[i]) return {};  // gone: the rows must go too
    const report::Component& c = *m_components[i];
    report::Serializer serializer(c.report());
    out += c.name() + '\n' + serializer.obj_to_xml(c) + '\n';
  }
  return out;
}

void Inspector::refresh_if_changed() {
  const std::string state = shown_state();
  if (!state.empty() && state == m_state) return;
  rebuild();
}

// ---- Rows ---------------------------------------------------------------------------------------

void Inspector::rebuild() {
  m_rebuilding = true;
  const int scroll = m_properties->verticalScrollBar()->value();
  // Editors of the old rows go later: one of them may be the sender of the change that got here.
  // Until then they are deaf, or one losing the focus would commit its text again.
  for (QWidget* editor : std::as_const(m_editors)) {
    disconnect(editor, nullptr, this, nullptr);
    editor->removeEventFilter(this);
  }
  m_properties->clear();
  m_events->clear();
  m_editors.clear();
  m_rows.clear();
  m_copies.clear();
  // Objects no longer in a report (deleted, an insert undone) are not shown.
  std::vector<report::Component*> alive;
  for (size_t i = 0; i < m_components.size(); ++i)
    if (m_lives[i] && m_components[i]->report()) alive.push_back(m_components[i]);
  if (alive.size() != m_components.size()) {
    m_components = alive;
    m_lives.assign(alive.begin(), alive.end());
  }
  for (report::Component* c : m_components) m_copies.push_back(snapshot(*c));
  if (m_components.empty())
    m_title->clear();
  else if (m_components.size() == 1)
    m_title->setText(
        QString("%1: %2").arg(qs(m_components.front()->name()), qs(m_components.front()->class_name())));
  else
    m_title->setText(QString("Zaznaczone obiekty: %1").arg(m_components.size()));
  if (!m_components.empty()) {
    add_name_row();
    const auto objects = read_objects();
    add_rows(m_properties, nullptr, common_rows(objects, RowFilter::Properties));
    add_rows(m_events, nullptr, common_rows(objects, RowFilter::Events));
  }
  m_properties->verticalScrollBar()->setValue(scroll);
  m_state = shown_state();
  m_rebuilding = false;
}

std::vector<report::Persistent*> Inspector::read_objects() const {
  std::vector<report::Persistent*> out;
  for (const auto& c : m_copies) out.push_back(c.get());
  return out;
}

void Inspector::add_name_row() {
  if (m_components.size() != 1) return;
  auto* item = new QTreeWidgetItem(m_properties, {"Name"});
  item->setData(0, kPathRole, "Name");
  auto* edit = new QLineEdit(qs(m_components.front()->name()));
  edit->setFrame(false);
  m_properties->setItemWidget(item, 1, edit);
  m_rows["Name"] = item;
  m_editors["Name"] = edit;
  report::Component* component = m_components.front();
  connect(edit, &QLineEdit::editingFinished, this, [this, edit, component] {
    const std::string name = core::trim(edit->text().toStdString());
    if (name == component->name()) return;
    if (!report::is_valid_identifier(name)) return refuse(QString(kNotAName).arg(qs(name)));
    auto command = std::make_unique<RenameCommand>(m_surface, *component, name);
    try {
      command->apply();
    } catch (const std::exception& e) {
      return refuse(QString::fromUtf8(e.what()));
    }
    m_stack.push(command.release());
  });
}

void Inspector::add_rows(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<PropRow>& rows) {
  for (const PropRow& row : rows) {
    const QString key = qs(path_text(row.path));
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, qs(row.prop->name));
    item->setData(0, kPathRole, key);
    m_rows[key] = item;
    if (QWidget* editor = make_editor(row)) {
      tree->setItemWidget(item, 1, editor);
      m_editors[key] = editor;
    }
    if (row.prop->kind == PropKind::Set) add_set_members(item, row);
    add_rows(tree, item, row.children);
    if (m_expanded.contains(key)) item->setExpanded(true);
  }
}

QWidget* Inspector::make_editor(const PropRow& row) {
  const PropInfo& p = *row.prop;
  switch (p.kind) {
    case PropKind::Boolean:
    case PropKind::Enumeration:
      return ordinal_editor(row);
    case PropKind::Set: {
      // The members are rows of their own below; this one names those that are in.
      auto* label = new QLabel;
      if (auto v = common_ordinal(row.path)) {
        QStringList in;
        for (size_t i = 0; i < p.names.size(); ++i)
          if (*v & (int64_t{1} << i)) in << qs(p.names[i]);
        label->setText("[" + in.join(",") + "]");
      }
      return label;
    }
    case PropKind::Integer:
      return p.role == PropRole::Color ? colour_editor(row) : number_editor(row);
    case PropKind::Float:
      return number_editor(row);
    case PropKind::String:
      return text_editor(row);
    case PropKind::StringList:
      return lines_editor(row);
    case PropKind::Reference:
      return reference_editor(row);
    case PropKind::Object: {
      auto target = resolve(*m_copies.front(), row.path);
      const report::Persistent* inner = target ? target->prop->object(*target->object) : nullptr;
      if (!inner) return nullptr;
      if (&inner->class_info() == &report::Font::static_class()) return font_editor(row);
      if (&inner->class_info() == &report::Picture::static_class()) return picture_editor(row);
      return nullptr;
    }
  }
  return nullptr;
}

// ---- Values ---------------------------------------------------------------------------------------

std::optional<int64_t> Inspector::common_ordinal(const PropPath& path) const {
  std::optional<int64_t> out;
  for (auto* o : read_objects()) {
    auto t = resolve(*o, path);
    if (!t) return std::nullopt;
    const int64_t v = t->prop->get_ordinal(*t->object);
    if (out && *out != v) return std::nullopt;
    out = v;
  }
  return out;
}

std::optional<double> Inspector::common_float(const PropPath& path) const {
  std::optional<double> out;
  for (auto* o : read_objects()) {
    auto t = resolve(*o, path);
    if (!t) return std::nullopt;
    const double v = t->prop->get_float(*t->object);
    if (out && *out != v) return std::nullopt;
    out = v;
  }
  return out;
}

std::optional<std::string> Inspector::common_string(const PropPath& path) const {
  std::optional<std::string> out;
  for (auto* o : read_objects()) {
    auto t = resolve(*o, path);
    if (!t) return std::nullopt;
    std::string v = t->prop->kind == PropKind::StringList ? core::join_crlf(t->prop->get_lines(*t->object))
                                                          : t->prop->get_string(*t->object);
    if (out && *out != v) return std::nullopt;
    out = std::move(v);
  }
  return out;
}

double Inspector::factor(const PropInfo& p) const {
  return p.role == PropRole::Length || p.role == PropRole::Size ? unit_factor(m_surface.grid_unit()) : 1;
}

bool Inspector::commit(const PropPath& path, const std::function<void(const PropTarget&)>& set) {
  auto edit = [path, set](report::Component& c) {
    auto target = resolve(c, path);
    if (!target) return;
    set(*target);
    // As the template reader does: a font set on the object is its own from now on.
    if (path.front() == "Font") c.font_changed();
  };
  auto command = std::make_unique<PropertyCommand>(QString("Zmiana: %1").arg(qs(path_text(path))), m_surface,
                                                   m_components, edit);
  try {
    command->apply();
  } catch (const std::exception& e) {
    refuse(QString::fromUtf8(e.what()));
    return false;
  }
  m_stack.push(command.release());
  return true;
}

void Inspector::refuse(const QString& message) {
  // The rows show the model again before the message: its box takes the focus, and an editor
  // losing it must find nothing left to commit.
  rebuild();
  m_prompts.show_error(this, message);
}

// ---- Editors --------------------------------------------------------------------------------------

QWidget* Inspector::ordinal_editor(const PropRow& row) {
  const PropInfo& p = *row.prop;
  const std::optional<int64_t> value = common_ordinal(row.path);
  const PropPath path = row.path;
  if (p.kind == PropKind::Boolean) {
    auto* box = new QCheckBox;
    if (value)
      box->setChecked(*value != 0);
    else
      box->setCheckState(Qt::PartiallyChecked);
    connect(box, &QCheckBox::clicked, this, [this, path](bool on) {
      commit(path, [on](const PropTarget& t) { t.prop->set_ordinal(*t.object, on ? 1 : 0); });
    });
    return box;
  }
  auto* combo = new QComboBox;
  for (std::string_view name : p.names) combo->addItem(qs(name));
  combo->setCurrentIndex(value ? static_cast<int>(*value) : -1);
  connect(combo, &QComboBox::activated, this, [this, path, value](int index) {
    if (value && *value == index) return;
    commit(path, [index](const PropTarget& t) { t.prop->set_ordinal(*t.object, index); });
  });
  return combo;
}

void Inspector::add_set_members(QTreeWidgetItem* item, const PropRow& row) {
  const std::optional<int64_t> value = common_ordinal(row.path);
  for (size_t i = 0; i < row.prop->names.size(); ++i) {
    const QString key = qs(path_text(row.path)) + "." + qs(row.prop->names[i]);
    auto* member = new QTreeWidgetItem(item, {qs(row.prop->names[i])});
    member->setData(0, kPathRole, key);
    auto* box = new QCheckBox;
    const int64_t bit = int64_t{1} << i;
    if (value)
      box->setChecked(*value & bit);
    else
      box->setCheckState(Qt::PartiallyChecked);
    item->treeWidget()->setItemWidget(member, 1, box);
    m_rows[key] = member;
    m_editors[key] = box;
    connect(box, &QCheckBox::clicked, this, [this, path = row.path, bit](bool on) {
      commit(path, [on, bit](const PropTarget& t) {
        const int64_t v = t.prop->get_ordinal(*t.object);
        t.prop->set_ordinal(*t.object, on ? (v | bit) : (v & ~bit));
      });
    });
  }
}

QWidget* Inspector::number_editor(const PropRow& row) {
  const PropInfo& p = *row.prop;
  const bool is_float = p.kind == PropKind::Float;
  const double unit = factor(p);
  const std::string abbreviation = unit != 1 || p.role == PropRole::Length || p.role == PropRole::Size
                                       ? std::string(unit_abbreviation(m_surface.grid_unit()))
                                       : std::string();
  QString shown;
  if (is_float) {
    if (auto v = common_float(row.path))
      shown = qs(format_number(*v / unit)) + (abbreviation.empty() ? "" : " " + qs(abbreviation));
  } else if (auto v = common_ordinal(row.path)) {
    shown = QString::number(*v);
  }
  auto* edit = new QLineEdit(shown);
  edit->setFrame(false);
  connect(edit, &QLineEdit::editingFinished, this,
          [this, edit, shown, path = row.path, is_float, unit, abbreviation, prop = row.prop] {
            const QString text = edit->text().trimmed();
            if (text == shown) return;
            if (!is_float) {
              bool ok = false;
              const qlonglong v = text.toLongLong(&ok);
              if (!ok) return refuse(QString(kNotAnInteger).arg(text));
              if (prop->role == PropRole::Size && v < 0)
                return refuse(QString(kNegative).arg(qs(prop->name)));
              commit(path, [v](const PropTarget& t) { t.prop->set_ordinal(*t.object, v); });
              return;
            }
            const std::optional<double> v = parse_number(text.toStdString(), abbreviation);
            if (!v) return refuse(QString(kNotANumber).arg(text));
            if (prop->role == PropRole::Size && *v < 0) return refuse(QString(kNegative).arg(qs(prop->name)));
            const double units = *v * unit;
            commit(path, [units](const PropTarget& t) { t.prop->set_float(*t.object, units); });
          });
  return edit;
}

QWidget* Inspector::text_editor(const PropRow& row) {
  const std::optional<std::string> value = common_string(row.path);
  const QString shown = value ? qs(*value) : QString();
  auto* edit = new QLineEdit(shown);
  edit->setFrame(false);
  connect(edit, &QLineEdit::editingFinished, this, [this, edit, shown, path = row.path] {
    const QString text = edit->text();
    if (text == shown) return;
    const std::string v = text.toStdString();
    commit(path, [v](const PropTarget& t) { t.prop->set_string(*t.object, v); });
  });
  if (row.prop->role == PropRole::Event) {
    edit->setProperty("event", qs(path_text(row.path)));
    edit->installEventFilter(this);
  }
  return edit;
}

QWidget* Inspector::lines_editor(const PropRow& row) {
  const std::optional<std::string> value = common_string(row.path);
  const QString text = value ? qs(*value) : QString();
  auto* button = new QPushButton(text.section('\n', 0, 0).replace('\r', "") + " …");
  button->setFlat(true);
  button->setStyleSheet("text-align: left");
  connect(button, &QPushButton::clicked, this, [this, text, path = row.path, name = qs(row.prop->name)] {
    QString plain = text;
    plain.replace("\r\n", "\n");
    const std::optional<QString> edited = m_dialogs.text(this, name, plain);
    if (!edited || *edited == plain) return;
    std::vector<std::string> lines = core::split_lines(edited->toStdString());
    commit(path, [lines](const PropTarget& t) { t.prop->set_lines(*t.object, lines); });
  });
  return button;
}

QWidget* Inspector::reference_editor(const PropRow& row) {
  const PropInfo& p = *row.prop;
  auto* combo = new QComboBox;
  std::vector<report::Component*> targets = {nullptr};
  combo->addItem(QString());
  report::Report* report = m_components.front()->report();
  if (auto* r = dynamic_cast<report::Report*>(m_components.front())) report = r;
  if (report && p.refers_to && &p.refers_to() == &report::DataSet::static_class()) {
    // The sources the report sees, by the names expressions use.
    for (auto& [name, ds] : report->get_data_set_list(report::Report::DataSetKinds::All)) {
      targets.push_back(ds);
      combo->addItem(qs(name));
    }
  } else if (report && p.refers_to) {
    for (report::Component* c : report->all_objects()) {
      if (!c->is(p.refers_to()) ||
          std::find(m_components.begin(), m_components.end(), c) != m_components.end())
        continue;
      targets.push_back(c);
      combo->addItem(qs(c->name()));
    }
  }
  std::optional<report::Component*> current;
  for (auto* o : read_objects()) {
    auto t = resolve(*o, row.path);
    report::Component* v = t ? t->prop->get_reference(*t->object) : nullptr;
    if (current && *current != v) {
      current.reset();
      break;
    }
    current = v;
  }
  int index = -1;
  if (current) {
    auto it = std::find(targets.begin(), targets.end(), *current);
    if (it != targets.end()) index = static_cast<int>(it - targets.begin());
  }
  combo->setCurrentIndex(index);
  connect(combo, &QComboBox::activated, this, [this, targets, index, path = row.path](int chosen) {
    if (chosen == index || chosen < 0) return;
    report::Component* target = targets[static_cast<size_t>(chosen)];
    commit(path, [target](const PropTarget& t) { t.prop->set_reference(*t.object, target); });
  });
  return combo;
}

QWidget* Inspector::colour_editor(const PropRow& row) {
  const std::optional<int64_t> value = common_ordinal(row.path);
  auto* combo = new QComboBox;
  for (const auto& c : named_colours())
    combo->addItem(swatch(c.value), qs(c.name), QVariant::fromValue(c.value));
  int index = value ? combo->findData(QVariant::fromValue(*value)) : -1;
  if (value && index < 0) {
    combo->insertItem(0, swatch(*value), qs(colour_text(*value)), QVariant::fromValue(*value));
    index = 0;
  }
  combo->addItem("inny…");
  combo->setCurrentIndex(index);
  connect(combo, &QComboBox::activated, this, [this, combo, value, path = row.path](int chosen) {
    const QVariant data = combo->itemData(chosen);
    int64_t v = 0;
    if (!data.isValid()) {
      const std::optional<QColor> c = m_dialogs.colour(this, value ? to_qcolor(*value) : QColor(Qt::black));
      if (!c) return refresh();
      v = from_qcolor(*c);
    } else {
      v = data.value<int64_t>();
    }
    if (value && *value == v) return;
    commit(path, [v](const PropTarget& t) { t.prop->set_ordinal(*t.object, v); });
  });
  return combo;
}

QWidget* Inspector::font_editor(const PropRow& row) {
  auto target = resolve(*m_copies.front(), row.path);
  const auto& font = static_cast<const report::Font&>(*target->prop->object(*target->object));
  auto* button = new QPushButton(font_text(font) + " …");
  button->setFlat(true);
  button->setStyleSheet("text-align: left");
  QFont initial(qs(font.name));
  initial.setPointSize(std::max(1, font.size()));
  initial.setBold(font.style & report::kFontBold);
  initial.setItalic(font.style & report::kFontItalic);
  initial.setUnderline(font.style & report::kFontUnderline);
  initial.setStrikeOut(font.style & report::kFontStrikeOut);
  connect(button, &QPushButton::clicked, this, [this, initial, path = row.path] {
    const std::optional<QFont> f = m_dialogs.font(this, initial);
    if (!f) return;
    const std::string name = f->family().toStdString();
    const int64_t size = std::max(1, f->pointSize() > 0 ? f->pointSize() : static_cast<int>(f->pointSizeF()));
    int64_t style = 0;
    if (f->bold()) style |= report::kFontBold;
    if (f->italic()) style |= report::kFontItalic;
    if (f->underline()) style |= report::kFontUnderline;
    if (f->strikeOut()) style |= report::kFontStrikeOut;
    commit(path, [name, size, style](const PropTarget& t) {
      auto& font = static_cast<report::Font&>(*t.prop->get_object(*t.object));
      font.name = name;
      font.set_size(size);
      font.style = style;
    });
  });
  return button;
}

QWidget* Inspector::picture_editor(const PropRow& row) {
  auto target = resolve(*m_copies.front(), row.path);
  const auto& pic = static_cast<const report::Picture&>(*target->prop->object(*target->object));
  const QString text = pic.empty() ? QString("(brak)") : QString("%1 B").arg(pic.bytes.size());
  auto* button = new QPushButton(text + " …");
  button->setFlat(true);
  button->setStyleSheet("text-align: left");
  connect(button, &QPushButton::clicked, this, [this, path = row.path] {
    const QString file = m_prompts.choose_file(
        this, "Obrazek", QString(), "Obrazy (*.png *.jpg *.jpeg *.bmp *.gif *.emf *.wmf)", QString());
    if (file.isEmpty()) return;
    std::string bytes;
    try {
      bytes = core::read_file(file.toStdString());
    } catch (const std::exception& e) {
      return refuse(QString::fromUtf8(e.what()));
    }
    const picture::Kind kind = picture_kind(bytes);
    if (kind == picture::Kind::None) return refuse(QString(kNotAPicture).arg(file));
    try {
      // What a writer could not draw is refused here, not at the next report.
      if (kind != picture::Kind::Metafile) picture::decode(kind, bytes);
    } catch (const std::exception& e) {
      return refuse(QString::fromUtf8(e.what()));
    }
    commit(path, [kind, bytes](const PropTarget& t) {
      auto& picture = static_cast<report::Picture&>(*t.prop->get_object(*t.object));
      picture.kind = kind;
      picture.bytes = bytes;
    });
  });
  return button;
}

// ---- Events ---------------------------------------------------------------------------------------

bool Inspector::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    const QString path = watched->property("event").toString();
    if (!path.isEmpty()) {
      event_activated({path.toStdString()});
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Inspector::event_activated(const PropPath& path) {
  if (m_components.size() != 1 || path.size() != 1) return;
  report::Component* c = m_components.front();
  if (isSignalConnected(QMetaMethod::fromSignal(&Inspector::handler_requested))) {
    Q_EMIT handler_requested(qs(c->name()), qs(path.front()));
    return;
  }
  // Without a script tab to write the procedure, the event gets the name it would have there.
  if (common_string(path).value_or("x").empty()) {
    const std::string name = c->name() + path.front();
    commit(path, [name](const PropTarget& t) { t.prop->set_string(*t.object, name); });
  }
}

}  // namespace orvena::designer
