#include "editor/editor_rules.h"

#include <filesystem>

#include "core/error.h"
#include "core/text.h"
#include "runner/report_formats.h"

namespace orvena::editor {

std::string extension_for_format(std::string_view format_pliku) {
  const runner::ReportFormatInfo* format = runner::find_report_format(format_pliku);
  return std::string(format ? format->extension : format_pliku);
}

std::string file_name_for_format(std::string_view nazwa_pliku, std::string_view format_pliku) {
  const std::string extension = "." + extension_for_format(format_pliku);
  std::string name = core::trim(nazwa_pliku);
  if (name.empty()) return extension;
  // Windows names use "\" and drive letters; both still end the part an extension can be in.
  const size_t dot = name.find_last_of(".\\/:");
  if (dot != std::string::npos && name[dot] == '.') name.erase(dot);
  return name + extension;
}

std::string Sprawdz_Poprawnosc_Szablonu(const config::SzablonRaportu& s) {
  struct Check {
    bool failed;
    const char* line;
  };
  bool sql_empty = true;
  for (const auto& line : s.zapytanie)
    if (!core::trim(line).empty()) sql_empty = false;
  const Check checks[] = {
      {core::trim(s.raport).empty(), " - brak nazwy szablonu raportu (krytyczny!)"},
      {sql_empty, " - brak kodu SQL do wykonania szablonu (krytyczny!)"},
      {core::trim(s.nazwa_pliku).empty(), " - brak nazwy pliku do którego będzie zapisany raport"},
      {s.format_pliku.empty(), " - brak formatu pliku wyjściowego (krytyczny!)"},
      {s.wyslij_na.empty(), " - brak informacji o sposobie wysyłania"},
  };
  std::string message(kCheckHeading);
  bool failed = false;
  for (const auto& check : checks) {
    if (!check.failed) continue;
    failed = true;
    message += "\r";
    message += check.line;
  }
  return failed ? message : std::string();
}

std::vector<std::string> memo_lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    if (end == text.size()) break;
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    start = end + (crlf ? 2 : 1);
  }
  return lines;
}

std::string template_file_name(std::string_view answer) {
  std::string name = core::trim(answer);
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
    throw core::Error("Nazwa szablonu nie może zawierać ścieżki: " + name);
  if (core::to_lower(std::filesystem::path(name).extension().string()) != ".orp") name += ".orp";
  return name;
}

}  // namespace orvena::editor
