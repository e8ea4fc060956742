#pragma once
// Turning a due definition into a file in Tymczasowe: "csv" straight from the query result, the
// six template formats through the report engine (report_formats.h says which is which).
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "db/database.h"
#include "runner/report_formats.h"
#include "runner/sql_buffer.h"

namespace orvena::runner {

enum class CsvHeader { None, FieldNames };

// How export_csv_full writes: the delimiter around values, the separator between them, and
// whether a line of field names comes first.
struct DelimitedText {
  char delimiter = '"';
  char separator = ';';
  CsvHeader header = CsvHeader::FieldNames;
};

// The steps of producing a report file, so that the job's log can say which one failed.
enum class ProductionStep {
  Query,        // running the definition's query again
  File,         // creating or writing the output file
  Template,     // loading the template
  Preparation,  // generating the pages
  Export,       // the format's writer
  Report,       // a producer that did not say which of its steps failed
};

// A production failure with the step it happened in; the message is the reason.
class ProductionError : public core::Error {
 public:
  ProductionError(ProductionStep step, const std::string& reason) : core::Error(reason), m_step(step) {}
  ProductionStep step() const { return m_step; }

 private:
  ProductionStep m_step;
};

// The run log line naming the failed step and its reason, one line however many the reason has.
std::string failed_step_line(ProductionStep step, std::string_view format_pliku, std::string_view reason);

struct ExportRequest {
  ReportFormat format;
  std::filesystem::path output;         // the file to write
  std::filesystem::path template_file;  // templates folder / szablon_raportu (may not exist)
};

// A report that was made, and what its run wants the job's log to say without failing the job:
// one notice a line, phrased as a statement without the final mark.
struct ProductionResult {
  std::vector<std::string> notices;
};

// Loads the template, prepares the report over the open dataset and exports it with the writer
// of the format and its fixed settings. The report engine implements it.
class ReportProducer {
 public:
  virtual ~ReportProducer() = default;
  virtual ProductionResult produce(const ExportRequest& request, db::Query& data) = 0;
};

// Stands in while no report engine is linked: every template format fails, so the job logs its
// failure line instead of pretending a file was made.
class UnavailableReportProducer final : public ReportProducer {
 public:
  ProductionResult produce(const ExportRequest& request, db::Query& data) override;
};

// Where a report is written before it is complete.
enum class Staging {
  BesideFinalName,  // a partial file renamed over the final name once complete
  GivenFile,        // the given file itself: it already is a partial file of the run's
};

class OutputProduction {
 public:
  OutputProduction(db::Query& dataset, const SqlBuffer& sql, std::filesystem::path templates,
                   ReportProducer& producer);

  void set_staging(Staging staging) { m_staging = staging; }

  // A template format: runs the query again, and the producer fills the template
  // (templates folder / plik_raportu) over it and writes do_pliku with the format's writer. The
  // file appears under its name only once complete.
  ProductionResult export_report(ReportFormat format, const std::filesystem::path& do_pliku,
                                 const std::string& plik_raportu);

  // Runs the query again and writes it as delimited text in Windows-1250 with CR LF: a header
  // of field names when asked, numbers of numeric fields bare, every other value between
  // delimiters (a delimiter inside a value is doubled, so the file stays parseable), NULL as
  // empty text. The file appears under its name only once complete.
  void export_csv_full(const std::filesystem::path& path, const DelimitedText& format);

 private:
  void reopen_query();

  db::Query& m_dataset;
  const SqlBuffer& m_sql;
  std::filesystem::path m_templates;
  ReportProducer& m_producer;
  Staging m_staging = Staging::BesideFinalName;
};

// A report being written: a temporary file beside the final one, renamed over it by commit()
// once complete, so that a run killed mid-write leaves no partial report under the name that is
// delivered. Removed when not committed. The start-up step empties Tymczasowe, stale ones too.
class PartialFile {
 public:
  static constexpr std::string_view kPartialPrefix = ".~";

  // Throws core::Error when the folder does not take a new file.
  explicit PartialFile(const std::filesystem::path& final_path);
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  void commit();

 private:
  std::filesystem::path m_final;
  std::filesystem::path m_path;
  bool m_committed = false;
};

// templates / plik_raportu, when that stays in the templates folder (links resolved); anything
// else (an absolute path, "..", a link leading out) raises ProductionError at the template step.
std::filesystem::path template_path(const std::filesystem::path& templates, const std::string& plik_raportu);

// Writes delimited text from rows handed over in parts (a whole result set is one part): the
// header and each column's way of writing come from the first part. A later part whose column
// changed its kind or storage (an expression column that gave integers and then a fraction)
// raises KindChanged, since the values already written would have been written otherwise.
class DelimitedWriter final : public db::RowSink {
 public:
  struct KindChanged {};

  DelimitedWriter(std::FILE* file, const DelimitedText& format);
  void rows(const db::ResultSet& rows) override;
  // Writes what is buffered; the file stays open.
  void finish();

 private:
  static constexpr size_t kBufferBytes = size_t(1) << 20;
  void start(const db::ResultSet& rows);

  std::FILE* m_file;
  DelimitedText m_format;
  bool m_started = false;
  std::vector<bool> m_numeric;
  std::vector<db::Storage> m_storage;
  std::vector<db::FieldKind> m_kind;
  std::string m_buffer, m_value;
};

// Writes the delimited text of a whole result set; exposed for the tests and the benchmark.
void write_delimited(const db::ResultSet& result, std::FILE* file, const DelimitedText& format);

// Runs `sql` on the closed dataset and counts its rows without keeping them.
size_t stream_row_count(db::Query& dataset, const std::string& sql);

}  // namespace orvena::runner
