#include "export/csv_export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/encoding.h"
#include "core/error.h"
#include "core/file_error.h"
#include "core/locale.h"
#include "export/matrix/layout_matrix.h"
#include "export/object_cast.h"

namespace orvena::exporting {

namespace {

bool is_control(char c) {
  return static_cast<unsigned char>(c) < 32;
}

}  // namespace

std::string csv_field(std::string_view text, std::string_view separator, const CsvFieldOptions& options) {
  std::string s(text);
  if (s.size() > 1 && s.ends_with("\r\n")) s.resize(s.size() - 2);
  if (options.no_sys_symbols) std::erase_if(s, is_control);
  if (s.empty()) return std::string(separator);
  const char sep = separator.empty() ? core::Locale::kListSeparator : separator.front();
  bool quote = s.find(sep) != std::string::npos || s.find('"') != std::string::npos ||
               std::any_of(s.begin(), s.end(), is_control);
  std::string out;
  if (quote || options.forced_quotes) {
    out.reserve(s.size() + 3 + separator.size());
    out += '"';
    for (char c : s) {
      out += c;
      if (c == '"') out += '"';
    }
    out += '"';
  } else {
    out = std::move(s);
  }
  out += separator;
  return out;
}

CsvExport::CsvExport()
    : ExportFilter(
          {.extension = ".csv", .description = "Plik CSV", .dialog_filter = "Plik CSV (*.csv)|*.csv"}) {}

CsvExport::~CsvExport() {
  if (!m_temp_path.empty()) {
    m_file.close();
    std::error_code ec;
    std::filesystem::remove(m_temp_path, ec);
  }
}

bool CsvExport::start() {
  std::filesystem::path path = target();
  if (path.empty() && !stream) return false;
  m_matrix = std::make_unique<LayoutMatrix>(MatrixPreset::Csv);
  m_matrix->printable = export_not_printable;
  if (stream) {
    m_out = stream;
    return true;
  }
  // Written beside the target and renamed when complete: a failed export leaves no partial file
  // under the report's name, and a file that cannot be created is an error, not a quiet success.
  m_path = path;
  m_temp_path = path;
  m_temp_path += ".part";
  m_file.open(m_temp_path, std::ios::binary | std::ios::trunc);
  if (!m_file) {
    int err = errno;
    m_temp_path.clear();
    m_matrix.reset();
    throw core::file_error(core::FileAction::Create, path, std::strerror(err));
  }
  m_out = &m_file;
  return true;
}

void CsvExport::start_page(report::ReportPage&, int) {
  m_matrix->clear();
}

void CsvExport::export_object(report::Component& object) {
  if (auto* view = object_cast<report::View>(&object)) m_matrix->add_object(*view);
}

void CsvExport::finish_page(report::ReportPage&, int) {
  // After a failure on the page its grid is left unwritten.
  if (std::uncaught_exceptions() > 0) return;
  m_matrix->prepare();
  write_page();
}

std::string CsvExport::encode(std::string_view text) const {
  if (utf8) return std::string(text);
  return core::from_utf8(text, oem_codepage ? core::CodePage::Oem852 : core::CodePage::Windows1250);
}

void CsvExport::write_page() {
  LayoutMatrix& m = *m_matrix;
  const std::string sep =
      encode(separator.empty() ? std::string(1, core::Locale::kListSeparator) : separator);
  const CsvFieldOptions options{no_sys_symbols, forced_quotes};
  std::string line;
  for (int y = 0; y + 1 < m.height(); ++y) {
    line.clear();
    bool any = false;
    for (int x = 0; x + 1 < m.width(); ++x) {
      MatrixObject* o = m.object(m.cell(x, y));
      if (!o) continue;
      any = true;
      if (o->counter != 0) {
        // A further cell of an object already written keeps the columns after it in place.
        line += sep;
      } else {
        line += csv_field(encode(o->text_crlf()), sep, options);
        o->counter = 1;
      }
    }
    if (any) line.resize(line.size() - sep.size());
    line += "\r\n";
    m_out->write(line.data(), std::streamsize(line.size()));
  }
  if (!*m_out) throw core::file_error(core::FileAction::Write, m_path);
}

void CsvExport::finish() {
  m_matrix.reset();
  m_out = nullptr;
  if (m_temp_path.empty()) return;
  std::filesystem::path temp = std::exchange(m_temp_path, {});
  m_file.close();
  std::error_code ec;
  if (std::uncaught_exceptions() > 0 || !m_file) {
    std::filesystem::remove(temp, ec);
    if (std::uncaught_exceptions() == 0)
      throw core::file_error(core::FileAction::Create, m_path, std::strerror(EIO));
    return;
  }
  std::filesystem::rename(temp, m_path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw core::file_error(core::FileAction::Create, m_path, ec.message());
  }
}

}  // namespace orvena::exporting
