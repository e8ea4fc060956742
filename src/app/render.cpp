#include "app/render.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "app/report_engine.h"
#include "app/session.h"
#include "core/datetime.h"
#include "core/error.h"
#include "report/engine/engine.h"
#include "report/report.h"
#include "runner/report_formats.h"

namespace orvena::app {

namespace {

// The format names as format_pliku writes them, for --format.
std::vector<std::string> format_names() {
  std::vector<std::string> names;
  for (const runner::ReportFormatInfo& row : runner::kReportFormats) names.emplace_back(row.name);
  return names;
}

}  // namespace

int run_render(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Renders one report template over a query into a file, without the control file, "
      "the run log or delivery.",
      "orvena --render"};
  std::string template_file, sql, home_dir, format_text, output;
  app.add_option("--render", template_file, "the report template (.orp) to render")->required();
  app.add_option("--sql", sql, "the query whose rows the template shows, run on the home folder's database")
      ->required();
  app.add_option("--home", home_dir,
                 "home folder with Dane/konfiguracja.txt (default: the executable's folder)");
  const std::vector<std::string> names = format_names();
  std::string format_help = "output format: ";
  for (size_t i = 0; i < names.size(); ++i) format_help += (i ? ", " : "") + names[i];
  format_help +=
      ". Here \"csv\" is the report's cells as delimited text, not the query dump of a definition's "
      "\"csv\"; \"excel\" puts the report on one sheet, \"excel-arkusze\" a sheet per page";
  app.add_option("--format", format_text, format_help)->required()->check(CLI::IsMember(names));
  app.add_option("--out", output, "the file to write; nothing is left under this name when rendering fails")
      ->required();
  app.footer("Exit status: 0 the file was written, 1 an error (printed on standard error), 2 bad usage.");

  // "--render --help" leaves --render without its value; help comes first all the same.
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      out << app.help();
      return 0;
    }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::ostringstream o, e2;
    int status = app.exit(e, o, e2);
    out << o.str();
    err << e2.str();
    return status == 0 ? 0 : 2;
  }

  try {
    core::SystemClock clock;
    core::Home home = home_dir.empty() ? core::Home(core::Home::executable_folder()) : core::Home(home_dir);
    Session session(home, clock);
    session.load_settings();
    session.connect();
    session.dataset().set_command_text(sql);
    session.dataset().open();
    EngineReportProducer producer(&session.main_window_components());
    producer.use_settings(&session.state().settings);
    producer.use_home(home.root());
    const runner::ProductionResult made = producer.produce(
        {runner::find_report_format(format_text)->format, output, template_file}, session.dataset());
    // The file is made; what its run noticed goes where an operator reads it.
    for (const std::string& notice : made.notices) err << "orvena: UWAGA! : " << notice << "!\n";
    return 0;
  } catch (const std::exception& e) {
    err << "orvena: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace orvena::app
