#pragma once
// The editor's rules that need no window: the extension that follows the output format, the
// check before saving, and the memo's lines as the file and the SQL box take them.
#include <string>
#include <string_view>
#include <vector>

#include "config/control_file.h"

namespace orvena::editor {

// "xlsx" for "excel" and "excel-arkusze", "docx" for "word", the format's own name otherwise.
std::string extension_for_format(std::string_view format_pliku);

// The trimmed file name with its extension replaced by the format's (appended when it has
// none); "." + extension for an empty name. Only a dot after the last folder separator starts
// an extension.
std::string file_name_for_format(std::string_view nazwa_pliku, std::string_view format_pliku);

inline constexpr std::string_view kCheckHeading =
    "Wykryto następujące błędy w konfiguracji szablonu raportu: ";

// The check before saving, on a definition taken from the controls (a list without a choice
// gives an empty text). Every check runs, in order; each failure adds CR and its line to the
// heading. Empty when the definition may be saved.
std::string Sprawdz_Poprawnosc_Szablonu(const config::SzablonRaportu& s);

// An operator's name for a template as a file name in the templates folder: trimmed, ".orp"
// added when missing. A name that would leave the folder (a path separator, "." or "..") throws
// core::Error "Nazwa szablonu nie może zawierać ścieżki: NAME".
std::string template_file_name(std::string_view answer);

// A memo's text as its list of lines: split at line breaks, and a break at the very end does
// not start another (empty) line.
std::vector<std::string> memo_lines(std::string_view text);

}  // namespace orvena::editor
