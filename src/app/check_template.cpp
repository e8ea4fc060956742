#include "app/check_template.h"

#include <cstring>
#include <iostream>
#include <string>

#include "core/error.h"
#include "report/report.h"

namespace orvena::app {

int check_template(const std::filesystem::path& file, const std::optional<std::filesystem::path>& resave,
                   std::ostream& out, std::ostream& err) {
  report::Report rep;
  // The error list is printed here, so the report itself stays quiet.
  rep.engine_options.new_silent_mode = report::SilentMode::Silent;
  try {
    rep.load_from_file(file, true);
  } catch (const std::exception& e) {
    err << file.string() << ": " << e.what() << '\n';
    return 1;
  }
  for (const std::string& text : rep.errors()) {
    out << file.string() << ':';
    for (const report::Diagnostic& d : rep.diagnostics()) {
      if (d.text == text && d.line > 0) {
        out << d.line << ':' << d.column << ':';
        break;
      }
    }
    out << ' ' << text << '\n';
  }
  if (resave) {
    try {
      rep.save_to_file(*resave);
    } catch (const std::exception& e) {
      err << resave->string() << ": " << e.what() << '\n';
      return 1;
    }
  }
  return rep.errors().empty() ? 0 : 1;
}

int run_check_template(int argc, char** argv) {
  std::optional<std::filesystem::path> file, resave;
  for (int i = 1; i < argc; ++i) {
    bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--check-template") == 0 && has_value) {
      file = argv[++i];
    } else if (std::strcmp(argv[i], "--resave") == 0 && has_value) {
      resave = argv[++i];
    }
  }
  if (!file) {
    std::cerr << "Usage: orvena --check-template FILE [--resave OUT]\n";
    return 2;
  }
  return check_template(*file, resave, std::cout, std::cerr);
}

}  // namespace orvena::app
