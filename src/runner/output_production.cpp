#include "runner/output_production.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "core/encoding.h"
#include "core/error.h"
#include "core/error_text.h"
#include "core/file_error.h"
#include "core/locale.h"
#include "core/paths.h"

namespace orvena::runner {

std::string failed_step_line(ProductionStep step, std::string_view format_pliku, std::string_view reason) {
  std::string line;
  switch (step) {
    case ProductionStep::Query:
      line = ">> Nie udało się ponownie wykonać zapytania SQL: ";
      break;
    case ProductionStep::File:
      line = ">> Nie udało się zapisać pliku raportu: ";
      break;
    case ProductionStep::Template:
      line = ">> Nie udało się wczytać szablonu raportu: ";
      break;
    case ProductionStep::Preparation:
      line = ">> Nie udało się przygotować raportu z szablonu: ";
      break;
    case ProductionStep::Export:
      line = ">> Nie udało się wyeksportować raportu do formatu \"" + std::string(format_pliku) + "\": ";
      break;
    case ProductionStep::Report:
      line = ">> Nie udało się utworzyć raportu: ";
      break;
  }
  // The log is read line by line: a reason of several lines (the report's error list) stays on one.
  std::string flat;
  bool gap = false;
  for (char c : reason) {
    if (c == '\r' || c == '\n') {
      gap = !flat.empty();
      continue;
    }
    if (gap) flat += ' ';
    gap = false;
    flat += c;
  }
  return line + flat;
}

ProductionResult UnavailableReportProducer::produce(const ExportRequest& request, db::Query&) {
  throw ProductionError(ProductionStep::Export, std::string("Eksport w formacie \"") +
                                                    std::string(report_format(request.format).name) +
                                                    "\" nie jest dostępny w tej wersji programu.");
}

OutputProduction::OutputProduction(db::Query& dataset, const SqlBuffer& sql, std::filesystem::path templates,
                                   ReportProducer& producer)
    : m_dataset(dataset), m_sql(sql), m_templates(std::move(templates)), m_producer(producer) {}

void OutputProduction::reopen_query() {
  try {
    m_dataset.close();
    m_dataset.set_command_text(m_sql.text());
    m_dataset.open();
  } catch (const std::exception& e) {
    throw ProductionError(ProductionStep::Query, e.what());
  }
}

namespace {

// Runs a file operation, naming the file step when it fails.
template <typename F>
auto file_step(F&& f) {
  try {
    return f();
  } catch (const ProductionError&) {
    throw;
  } catch (const std::exception& e) {
    throw ProductionError(ProductionStep::File, core::error_text(e));
  }
}

}  // namespace

PartialFile::PartialFile(const std::filesystem::path& final_path) : m_final(final_path) {
  // ".~XXXXXX.<extension>": hidden, ours by its prefix, and it keeps the extension for the
  // writers. Not the whole name: a name of 250 bytes, which the folder takes, would pass the
  // 255-byte limit with the prefix.
  constexpr size_t kMaxKeptExtension = 16;
  std::string suffix = final_path.extension().string();
  if (suffix.size() > kMaxKeptExtension) suffix.clear();
  std::string name = (final_path.parent_path() / (std::string(kPartialPrefix) + "XXXXXX")).string() + suffix;
  int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd < 0) throw core::file_error(core::FileAction::Create, final_path, std::strerror(errno));
  ::fchmod(fd, 0644);  // mkstemps makes it private; a report is as readable as any other file
  ::close(fd);
  m_path = name;
}

PartialFile::~PartialFile() {
  if (!m_committed) ::unlink(m_path.c_str());
}

void PartialFile::commit() {
  if (::rename(m_path.c_str(), m_final.c_str()) != 0)
    throw core::file_error(core::FileAction::Create, m_final, std::strerror(errno));
  m_committed = true;
}

std::filesystem::path template_path(const std::filesystem::path& templates, const std::string& plik_raportu) {
  namespace fs = std::filesystem;
  const fs::path name = fs::path(plik_raportu).lexically_normal();
  const fs::path path = templates / name;
  bool inside = !name.is_absolute() && (name.empty() || *name.begin() != "..");
  if (inside) {
    // A link in the folder may lead anywhere; where it leads is what would be read.
    std::error_code ec1, ec2;
    const fs::path real_folder = fs::weakly_canonical(templates, ec1);
    const fs::path real_path = fs::weakly_canonical(path, ec2);
    inside = ec1 || ec2 || core::is_within(real_path, real_folder);
  }
  if (!inside)
    throw ProductionError(
        ProductionStep::Template,
        "Szablon raportu \"" + plik_raportu + "\" leży poza folderem Dane/Szablony - nie wczytano go.");
  return path;
}

ProductionResult OutputProduction::export_report(ReportFormat format, const std::filesystem::path& do_pliku,
                                                 const std::string& plik_raportu) {
  if (report_format(format).source != Source::Template)
    throw std::logic_error("INTERNAL ERROR: export_report for a format without a template");
  const std::filesystem::path template_file = template_path(m_templates, plik_raportu);
  reopen_query();
  // The dataset stays open afterwards; the next job closes it first.
  std::optional<PartialFile> file;
  if (m_staging == Staging::BesideFinalName) file_step([&] { file.emplace(do_pliku); });
  ProductionResult result;
  try {
    result = m_producer.produce({format, file ? file->path() : do_pliku, template_file}, m_dataset);
  } catch (const ProductionError&) {
    throw;
  } catch (const std::exception& e) {
    throw ProductionError(ProductionStep::Report, core::error_text(e));
  }
  if (file) file_step([&] { file->commit(); });
  return result;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Appends a delimited value in Windows-1250, doubling the delimiter inside it.
void append_delimited(std::string& out, std::string_view utf8, char delimiter) {
  out += delimiter;
  size_t start = 0;
  for (size_t at; (at = utf8.find(delimiter, start)) != std::string_view::npos; start = at + 1) {
    core::append_from_utf8(out, utf8.substr(start, at + 1 - start), core::CodePage::Windows1250);
    out += delimiter;
  }
  core::append_from_utf8(out, utf8.substr(start), core::CodePage::Windows1250);
  out += delimiter;
}

// A number as the result set writes one: [-]digits[,digits][E(+|-)digits]. Anything else in a
// numeric column (SQLite lets a decimal column hold text) must go between delimiters, or a
// separator or delimiter inside it would split the row.
bool is_number_text(std::string_view s) {
  size_t i = 0;
  auto digits = [&] {
    size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i > start;
  };
  if (i < s.size() && s[i] == '-') ++i;
  if (!digits()) return false;
  if (i < s.size() && s[i] == core::Locale::kDecimalSeparator) {
    ++i;
    if (!digits()) return false;
  }
  if (i < s.size() && s[i] == 'E') {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == s.size();
}

void flush(std::string& buffer, std::FILE* file) {
  if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size())
    throw ProductionError(ProductionStep::File, std::string("Błąd zapisu pliku: ") + std::strerror(errno));
  buffer.clear();
}

}  // namespace

DelimitedWriter::DelimitedWriter(std::FILE* file, const DelimitedText& format)
    : m_file(file), m_format(format) {
  m_buffer.reserve(kBufferBytes);
}

void DelimitedWriter::start(const db::ResultSet& rows) {
  const size_t fields = rows.field_count();
  m_numeric.resize(fields);
  m_storage.resize(fields);
  m_kind.resize(fields);
  for (size_t f = 0; f < fields; ++f) {
    m_numeric[f] = db::is_numeric_field(rows.field(f));
    m_storage[f] = rows.storage(f);
    m_kind[f] = rows.field(f).kind;
  }
  if (m_format.header == CsvHeader::FieldNames) {
    for (size_t f = 0; f < fields; ++f) {
      if (f > 0) m_buffer += m_format.separator;
      append_delimited(m_buffer, rows.field(f).name, m_format.delimiter);
    }
    m_buffer += "\r\n";
  }
  m_started = true;
}

void DelimitedWriter::rows(const db::ResultSet& rows) {
  if (!m_started) start(rows);
  const size_t fields = m_numeric.size();
  if (rows.row_count() > 0)
    for (size_t f = 0; f < fields; ++f)
      if (rows.storage(f) != m_storage[f] || rows.field(f).kind != m_kind[f]) throw KindChanged();
  const char delimiter = m_format.delimiter, separator = m_format.separator;
  for (size_t row = 0; row < rows.row_count(); ++row) {
    for (size_t f = 0; f < fields; ++f) {
      if (f > 0) m_buffer += separator;
      m_value.clear();
      rows.append_text(row, f, m_value);
      // NULL is empty text, bare in a numeric column.
      if (m_numeric[f] && (m_value.empty() ? rows.is_null(row, f) : is_number_text(m_value)))
        core::append_from_utf8(m_buffer, m_value, core::CodePage::Windows1250);
      else
        append_delimited(m_buffer, m_value, delimiter);
    }
    m_buffer += "\r\n";
    if (m_buffer.size() > kBufferBytes - 4096) flush(m_buffer, m_file);
  }
}

void DelimitedWriter::finish() {
  flush(m_buffer, m_file);
}

void write_delimited(const db::ResultSet& result, std::FILE* file, const DelimitedText& format) {
  DelimitedWriter writer(file, format);
  writer.rows(result);
  writer.finish();
}

namespace {

// Counts rows without keeping them.
struct RowCounter final : db::RowSink {
  size_t count = 0;
  void rows(const db::ResultSet& rows) override { count += rows.row_count(); }
};

}  // namespace

size_t stream_row_count(db::Query& dataset, const std::string& sql) {
  dataset.close();
  dataset.set_command_text(sql);
  RowCounter counter;
  dataset.stream(counter);
  return counter.count;
}

void OutputProduction::export_csv_full(const std::filesystem::path& path, const DelimitedText& format) {
  m_dataset.close();
  m_dataset.set_command_text(m_sql.text());
  file_step([&] {
    std::optional<PartialFile> partial;
    if (m_staging == Staging::BesideFinalName) partial.emplace(path);
    const std::filesystem::path written = partial ? partial->path() : path;
    auto open = [&] {
      std::unique_ptr<std::FILE, FileCloser> file(std::fopen(written.c_str(), "wb"));
      if (!file) throw core::file_error(core::FileAction::Create, path, std::strerror(errno));
      return file;
    };
    std::unique_ptr<std::FILE, FileCloser> file = open();
    try {
      // Rows go to the file as they are fetched: memory stays flat at any row count.
      DelimitedWriter writer(file.get(), format);
      m_dataset.stream(writer);
      writer.finish();
    } catch (const DelimitedWriter::KindChanged&) {
      // A column's values changed their kind midway; the whole result decides how each value is
      // written, so it is fetched whole and the file written again.
      file.reset();  // its buffer must not reach the file written anew
      file = open();
      reopen_query();
      write_delimited(m_dataset.result(), file.get(), format);
    } catch (const ProductionError&) {
      throw;
    } catch (const std::exception& e) {
      throw ProductionError(ProductionStep::Query, e.what());
    }
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0) throw core::file_error(core::FileAction::Write, path, std::strerror(errno));
    if (partial) partial->commit();
  });
  m_dataset.close();
}

}  // namespace orvena::runner
