#include "app/render.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>
#include <sstream>
#include <string_view>

#include "app/report_engine.h"
#include "app/session.h"
#include "core/datetime.h"
#include "core/error.h"
#include "export/csv_export.h"
#include "report/engine/engine.h"
#include "report/report.h"

namespace orvena::app {

namespace {

// The runner's "csv" is its query dump; here "csv" is the engine's writer of the report's cells,
// which otherwise only the preview's export menu offers.
std::unique_ptr<exporting::ExportFilter> render_filter(runner::ReportFormat format) {
  if (format == runner::ReportFormat::Csv)
    return std::make_unique<exporting::CsvExport>(exporting::ExportFilter::kNoRegister);
  return runner_filter(format);
}

}  // namespace

int run_render(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Renders one report template over a query into a file, without the control file, "
      "the run log or delivery.",
      "orvena --render"};
  std::string template_file, sql, home_dir, format_text, output;
  app.add_option("--render", template_file, "the report template (.fr3) to render")->required();
  app.add_option("--sql", sql, "the query whose rows the template shows, run on the home folder's database")
      ->required();
  app.add_option("--home", home_dir,
                 "home folder with Dane/konfiguracja.txt (default: the executable's folder)");
  const std::map<std::string, runner::ReportFormat> formats = {
      {"pdf", runner::ReportFormat::Pdf},     {"csv", runner::ReportFormat::Csv},
      {"excel", runner::ReportFormat::Excel}, {"excel-arkusze", runner::ReportFormat::ExcelSheets},
      {"word", runner::ReportFormat::Word},   {"html", runner::ReportFormat::Html},
      {"tiff", runner::ReportFormat::Tiff}};
  app.add_option(
         "--format", format_text,
         "output format: pdf, csv (the report's cells as delimited text, not the query dump "
         "of a definition's \"csv\"), excel (one sheet), excel-arkusze (a sheet per page), word, html, "
         "tiff")
      ->required()
      ->check(CLI::IsMember({"pdf", "csv", "excel", "excel-arkusze", "word", "html", "tiff"}));
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
    EngineReportProducer producer(&session.main_window_components(), render_filter);
    producer.use_settings(&session.state().settings);
    producer.produce({formats.at(format_text), output, template_file}, session.dataset());
    return 0;
  } catch (const std::exception& e) {
    err << "orvena: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace orvena::app
