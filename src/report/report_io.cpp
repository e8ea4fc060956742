// The report's load, save and prepare operations.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "core/error.h"
#include "core/error_text.h"
#include "core/file_error.h"
#include "core/line_file.h"
#include "core/temp_dir.h"
#include "report/pages.h"
#include "report/report.h"
#include "report/resources.h"

namespace orvena::report {
namespace {

namespace fs = std::filesystem;

// Restores a value when the scope ends, whatever happens in between.
template <class T>
class Restore {
 public:
  Restore(T& target, T temporary) : m_target(target), m_saved(std::move(target)) {
    m_target = std::move(temporary);
  }
  ~Restore() { m_target = std::move(m_saved); }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& m_target;
  T m_saved;
};

// A scratch file for the report copy kept during preparation.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& dir) {
    fs::path folder = dir.empty() ? core::scratch_folder() : fs::path(dir);
    std::string pattern = (folder / "rpXXXXXX").string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw core::file_error(core::FileAction::Create, pattern, std::strerror(errno));
    ::close(fd);
    m_path = pattern;
  }
  ~ScratchFile() {
    std::error_code ec;
    fs::remove(m_path, ec);
  }
  const fs::path& path() const { return m_path; }

 private:
  fs::path m_path;
};

}  // namespace

bool Report::load_from_file(const fs::path& file, bool exception_if_not_found) {
  clear();
  m_file_name.clear();
  std::error_code ec;
  bool exists = fs::is_regular_file(file, ec);
  if (!exists && !exception_if_not_found) return false;
  // A file beyond the reader's size limit is refused before it is read into memory.
  if (exists && fs::file_size(file, ec) > XmlLimits{}.max_input_bytes) {
    m_file_name = file;
    clear_errors();
    add_error("Invalid file format");
    report_errors();
    return true;
  }
  // Throws for a missing or unreadable file, and for one that is no regular file (a FIFO would
  // hang the run, a link to a device would never end).
  std::string bytes = core::read_regular_file(file, XmlLimits{}.max_input_bytes);
  m_file_name = file;
  load_from_stream(bytes);
  return exists;
}

void Report::load_tree(std::string_view bytes) {
  // In thread-safe mode template reads are serialised process-wide.
  static std::mutex thread_safe_reads;
  std::unique_lock<std::mutex> lock(thread_safe_reads, std::defer_lock);
  if (engine_options.enable_thread_safe) lock.lock();
  XmlDocument doc;
  Serializer s(this);
  try {
    doc.load(bytes);
    s.set_source(bytes, doc.old_format());
    s.read_root(doc.root(), *this);
  } catch (const XmlError& e) {
    s.add_error(e.what());
    auto& last = const_cast<Diagnostic&>(s.diagnostics().back());
    last.line = e.line;
    last.column = e.column;
  } catch (const core::Error& e) {
    s.add_error(e.what());
  }
  for (const Diagnostic& d : s.diagnostics()) {
    add_error(d.text);
    m_diagnostics.push_back(d);
  }
}

void Report::load_from_stream(std::string_view bytes) {
  clear_errors();
  // The host's settings survive the load; the template supplies only a few of them.
  EngineOptions host_engine = engine_options;
  PreviewOptions host_preview = preview_options;
  std::string host_ini_file = ini_file, host_preview_name = preview;
  bool host_old_style_progress = old_style_progress, host_show_progress = show_progress,
       host_store_in_dfm = store_in_dfm;

  load_tree(bytes);
  ensure_data_page();

  EngineOptions from_template = engine_options;
  engine_options = host_engine;
  engine_options.convert_nulls = from_template.convert_nulls;
  engine_options.ignore_dev_by_zero = from_template.ignore_dev_by_zero;
  engine_options.double_pass = from_template.double_pass;
  PreviewOptions preview_from_template = preview_options;
  preview_options = host_preview;
  preview_options.outline_visible = preview_from_template.outline_visible;
  preview_options.outline_width = preview_from_template.outline_width;
  preview_options.outline_expand = preview_from_template.outline_expand;
  preview_options.pages_in_cache = preview_from_template.pages_in_cache;
  preview_options.thumbnail_visible = preview_from_template.thumbnail_visible;
  ini_file = host_ini_file;
  preview = host_preview_name;
  old_style_progress = host_old_style_progress;
  show_progress = host_show_progress;
  store_in_dfm = host_store_in_dfm;

  report_options.password = raise_password(report_options.password);
  if (!m_reloading && !report_options.password.empty() && report_options.password != m_accepted_password) {
    std::optional<std::string> entered = ask_password ? ask_password() : std::nullopt;
    if (!entered || *entered != report_options.password) {
      add_error("Invalid password");
      report_errors();
      clear();
      return;
    }
    m_accepted_password = report_options.password;
  }
  if (!m_reloading) report_errors();
}

std::string Report::save_to_stream(bool save_children) {
  Restore<std::string> password(report_options.password, lower_password(report_options.password));
  XmlDocument doc;
  Serializer s(this);
  s.write_root(doc.root(), *this, save_children);
  return doc.save();
}

void Report::save_to_file(const fs::path& file) {
  fs::path base(parent_report);
  bool absolute = base.is_absolute() || (parent_report.size() > 1 && parent_report[1] == ':');
  if (absolute && base.is_absolute()) {
    fs::path relative = base.lexically_relative(fs::absolute(file).parent_path());
    if (!relative.empty()) parent_report = relative.string();
  }
  core::write_file_atomic(file, save_to_stream());
}

bool Report::prepare_report(bool clear_last_report) {
  if (clear_last_report && generator) generator->clear_prepared_pages(*this);
  clear_errors();
  m_notices.clear();
  terminated = false;
  bool result = false;

  for (auto& item : datasets)
    if (!item->data.get()) add_error(resource_format("clDSNotExist", item->data.data_set_name));

  if (m_errors.empty()) {
    std::string scratch;
    std::optional<ScratchFile> scratch_file;
    std::string password = report_options.password;
    int64_t splicing_line = print_options.splicing_line;
    bool saved = false;
    if (engine_options.destroy_forms) {
      report_options.password.clear();
      try {
        scratch = save_to_stream();
        if (engine_options.use_file_cache) {
          scratch_file.emplace(engine_options.temp_dir);
          core::write_file_atomic(scratch_file->path(), scratch);
          scratch.clear();
        }
        saved = true;
      } catch (const std::exception& e) {
        add_error(core::error_text(e));
      }
      report_options.password = password;
    }

    if (saved) {
      try {
        result = generator ? generator->generate(*this) : true;
      } catch (const std::exception& e) {
        add_error(core::error_text(e));
        result = false;
      }
      // Back to the template state: whatever the script or the engine changed is undone. The
      // report is cleared first so that objects made during generation and properties changed
      // to their default values do not survive either.
      std::vector<std::string> kept = m_errors;
      try {
        if (scratch_file) scratch = core::read_file(scratch_file->path());
        Restore<bool> reloading(m_reloading, true);
        clear();
        load_from_stream(scratch);
      } catch (const std::exception& e) {
        kept.push_back(core::error_text(e));
      }
      report_options.password = password;
      print_options.splicing_line = splicing_line;
      clear_errors();
      for (auto& e : kept) add_error(e);
    } else if (engine_options.destroy_forms == false) {
      try {
        result = generator ? generator->generate(*this) : true;
      } catch (const std::exception& e) {
        add_error(core::error_text(e));
        result = false;
      }
    }
  }

  if (!m_errors.empty()) {
    result = false;
    report_errors();
  }
  return result;
}

}  // namespace orvena::report
