#pragma once
// The report: root of the object tree, its option objects and collections, and the operations
// the rest of the system calls (load, save, prepare, clear) with their error reporting.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/datetime.h"
#include "core/version.h"
#include "report/component.h"
#include "report/datasets.h"
#include "report/report_options.h"
#include "report/serializer.h"

namespace orvena::report {

class DataPage;
class EngineContext;

// ---- Collection items -------------------------------------------------------------------------

class DataSetItem : public Persistent {
 public:
  explicit DataSetItem(Report* report) : report(report) {}
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  DataLink data;
  Report* report;
};

class Variable : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string name;
  std::string value;  // an expression, kept as text
};

class StyleItem : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string name;
  Font font;
  Frame frame;
  bool apply_font = true, apply_fill = true, apply_frame = true;
  FillHolder fill;
};

// ---- Hooks the host supplies ------------------------------------------------------------------

// Where the error reporter shows a message in the message-box mode (a modal box for an operator,
// the run log for an unattended run).
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void show_error(const std::string& caption, const std::string& message) = 0;
};

// The generation step of PrepareReport (script and page generation) and the prepared-pages
// store it fills. The default does nothing and succeeds: no pages are made.
class ReportGenerator {
 public:
  virtual ~ReportGenerator() = default;
  virtual void clear_prepared_pages(Report& report) {}
  // Returns whether generation succeeded; may throw, PrepareReport reports it.
  virtual bool generate(Report& report) { return true; }
};

// Progress of generation, export or printing. A progress window listens; its cancel button sets
// the report's `terminated` flag.
enum class ProgressKind : uint8_t { Running, Exporting, Printing };

class ProgressListener {
 public:
  virtual ~ProgressListener() = default;
  virtual void start(ProgressKind kind) {}
  // "Tworzenie strony 3", "Eksportowanie strony 3", ...
  virtual void step(ProgressKind kind, const std::string& message) {}
  virtual void stop(ProgressKind kind) {}
};

// Script steps (statements and loop passes) one preparation may take before its script is ended
// with an error: far more than any real report needs, and still a bound on an endless loop.
inline constexpr uint64_t kDefaultScriptStepLimit = 1'000'000'000;

// Opens the designer window on a report. The host fills it with its designer (a report with
// none designs nothing), so that the engine needs no window toolkit.
class DesignerPort {
 public:
  virtual ~DesignerPort() = default;
  // Modal: returns when the window has closed. Otherwise returns at once, and the window calls
  // Report::designer_closed() when it closes.
  virtual void open_designer(Report& report, bool modal, bool mdi_child) = 0;
};

// ---- The report --------------------------------------------------------------------------------

class Report : public Component {
 public:
  Report();
  ~Report() override;
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  // ---- Persistent properties ----
  std::string version = core::kVersion;
  std::string parent_report;
  DataLink data;
  bool dot_matrix_report = false;
  EngineOptions engine_options;
  std::string ini_file = "\\Software\\Orvena";
  bool old_style_progress = false;
  std::string preview;  // name of an attached preview control
  PreviewOptions preview_options;
  PrintOptions print_options;
  ReportOptions report_options;
  std::string script_language = "PascalScript";
  std::vector<std::string> script_text = {"begin", "", "end."};
  bool show_progress = true;
  bool store_in_dfm = true;
  std::string on_run_dialogs, on_start_report, on_stop_report, on_report_print;

  std::vector<std::unique_ptr<DataSetItem>> datasets;
  std::vector<std::unique_ptr<Variable>> variables;
  std::vector<std::unique_ptr<StyleItem>> styles;
  DataSetItem& add_dataset_item();

  // ---- State ----
  const std::filesystem::path& file_name() const { return m_file_name; }
  // The designer names the file it saved to (or none for a new report).
  void set_file_name(const std::filesystem::path& file) { m_file_name = file; }
  // Sorted, duplicates (ignoring case) dropped.
  const std::vector<std::string>& errors() const { return m_errors; }
  void add_error(const std::string& text);
  void clear_errors();
  // What the last preparation wants the reader to know without failing it (a text cut to the
  // layout limit, say), in the order they came, each once. Kept through the reload that ends a
  // preparation; the next preparation starts without them.
  const std::vector<std::string>& notices() const { return m_notices; }
  void add_notice(const std::string& text);
  // The errors of the last load with their places in the file, in reading order.
  const std::vector<Diagnostic>& diagnostics() const { return m_diagnostics; }
  const std::vector<std::string>& system_variables() const { return m_system_variables; }
  bool terminated = false;
  bool modified = false;

  // ---- Operations ----
  // Clears the report and loads the file if it exists (or opens it anyway, failing, when
  // `exception_if_not_found`); returns whether the file existed.
  bool load_from_file(const std::filesystem::path& file, bool exception_if_not_found = false);
  void load_from_stream(std::string_view bytes);
  // Writes through a temporary file renamed into place.
  void save_to_file(const std::filesystem::path& file);
  std::string save_to_stream(bool save_children = true);
  // Steps around generation: dataset check, scratch copy of the report, generation, reload of
  // the template state, error report. Never lets an exception escape.
  bool prepare_report(bool clear_last_report = true);
  // Destroys pages and objects, empties the collections, resets the options and the script.
  void clear() override;
  // The error reporter: by EngineOptions.NewSilentMode a message box ("Błąd"), nothing, or an
  // exception carrying the message.
  void report_error(const std::string& message);
  // Progress notifications: shown through `progress` for exporting and printing when
  // ShowProgress is on (for running too with OldStyleProgress), each followed by `pump`; with
  // EngineOptions.EnableThreadSafe they are skipped altogether.
  void progress_start(ProgressKind kind);
  void progress_step(ProgressKind kind, int number, bool first_of_two_passes = false);
  void progress_stop(ProgressKind kind);
  // The data page, made if missing.
  DataPage& ensure_data_page();
  // Opens the designer on this report; nothing while one is open or when there is no designer.
  // The modified flag is reset first; the caller sees the edited report and its flag afterwards.
  void design_report(bool modal = true, bool mdi_child = false);
  bool designer_open() const { return m_designer_open; }
  // The non-modal designer's window has closed.
  void designer_closed() { m_designer_open = false; }

  // ---- Data sources by name (report_datasets.cpp) ----
  // The first Datasets item whose source's UserName is `alias` ignoring case.
  DataSet* get_dataset(std::string_view alias) const;
  // `Source."Field"` split and looked up in Datasets; no source (and an empty field) when the
  // name has no `."` pair.
  struct DataSetAndField {
    DataSet* data_set = nullptr;
    std::string field;
  };
  DataSetAndField get_dataset_and_field(std::string_view complex_name) const;
  // The source's UserName when it is in Datasets, "(Źródło jest nie dołączone do
  // Report.DataSets)" when not, empty for none.
  std::string get_alias(const DataSet* data_set) const;
  // User names with their sources of the Datasets items that have one, in collection order;
  // OnlyDatabase leaves out sources driven by host callbacks.
  enum class DataSetKinds : uint8_t { All, OnlyDatabase };
  std::vector<std::pair<std::string, DataSet*>> get_data_set_list(DataSetKinds kinds) const;
  // The value an expression reads for `Source."Field"`, with nulls converted by the field's
  // type when EngineOptions.ConvertNulls is on; nullopt when the name is not a field of a source
  // in Datasets (the expression then looks elsewhere).
  std::optional<core::Variant> data_field_value(std::string_view complex_name);
  // The same for a source already found: its field's value, a null converted as the engine
  // options say.
  core::Variant data_field_value(DataSet& data_set, std::string_view field);
  // Start and end of a generation run: every source of Datasets gets this report and
  // initialize(), and finalize() at the end (all of them, even when one fails; the first
  // failure is then rethrown).
  void initialize_data_sets();
  void finalize_data_sets();
  // The object being printed or evaluated, named in the error line of an unknown field.
  Ref<Component> current_object;

  void write_nested(XmlItem& item, const Serializer& s) const override;
  bool read_nested(const XmlItem& child, Serializer& s) override;

  // ---- Hooks ----
  HostComponents* host = nullptr;        // the report's owner window
  MessageSink* message_sink = nullptr;   // message-box mode; none: standard error
  ReportGenerator* generator = nullptr;  // none: generation makes nothing
  DesignerPort* designer = nullptr;      // none: design_report does nothing
  const core::Clock* clock = nullptr;    // none: the system clock
  ProgressListener* progress = nullptr;  // the progress window, if any
  std::function<void()> pump;            // lets the windows process pending messages
  // Asks for a template's password; nullopt for a cancelled entry. None: treated as cancelled.
  std::function<std::optional<std::string>()> ask_password;
  // The generation run under way, if any (it sets and clears this itself).
  EngineContext* run = nullptr;
  // The home folder: pictures named by FileLink are read from it and never from outside it.
  // None: such pictures are refused.
  std::filesystem::path home_folder;
  // The script's step budget for each preparation (the host's setting; kept across loads).
  uint64_t script_step_limit = kDefaultScriptStepLimit;

  // ---- Name index (components of this report by name, ignoring case) ----
  Component* name_index_find(std::string_view name) const;
  void name_index_add(Component* c);
  void name_index_remove(Component* c);

 private:
  void load_tree(std::string_view bytes);
  void report_errors();
  core::DateTime now() const;
  bool progress_shown(ProgressKind kind) const;

  std::filesystem::path m_file_name;
  std::vector<std::string> m_errors;
  std::vector<std::string> m_notices;
  std::vector<Diagnostic> m_diagnostics;
  std::vector<std::string> m_system_variables;
  std::unordered_map<std::string, Component*> m_names;
  bool m_reloading = false;
  bool m_designer_open = false;
  std::string m_accepted_password;
};

// Passwords are kept in files with every character code lowered by 10.
std::string lower_password(std::string_view s);
std::string raise_password(std::string_view s);

}  // namespace orvena::report
