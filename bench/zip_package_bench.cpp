// Writing an XLSX-sized package: a worksheet part of about 50,000 rows of five cells written
// through the XML writer straight into a deflated ZIP entry, plus a few small parts, into a
// temporary file. Counters: megabytes of XML per second of processor time (since the machine is
// shared; the whole process's, as the ZIP writer deflates on a second thread) and the compression
// ratio. The benchmark's own wall time shows what the second thread saves.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "core/temp_dir.h"
#include "export/xml/xml_writer.h"
#include "export/zip/zip_writer.h"

namespace {

using namespace orvena::exporting;

double process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// One worksheet part: rows of five shared-string cells, as the spreadsheet writer lays them out.
void write_sheet(xml::XmlWriter& sheet, int rows) {
  sheet.declaration().start("worksheet").start("sheetData");
  for (int r = 1; r <= rows; ++r) {
    sheet.start("row").attribute("r", r).attribute("ht", "12.75").attribute("customHeight", "1");
    for (char col = 'A'; col <= 'E'; ++col)
      sheet.start("c")
          .attribute("r", std::string(1, col) + std::to_string(r))
          .attribute("s", 1)
          .attribute("t", "s")
          .element("v", std::to_string(r * 5 + (col - 'A')))
          .end();
    sheet.end();
  }
  sheet.finish();
}

void BM_WorksheetPackage(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  orvena::core::TempDir dir;
  const std::filesystem::path target = dir.path() / "book.xlsx";
  double cpu = 0;
  for (auto _ : state) {
    double start = process_cpu_seconds();
    zip::ZipWriter zip(target, {.modified = 0});
    zip.add("[Content_Types].xml", "<Types/>");
    zip.add("xl/workbook.xml",
            "<workbook><sheets><sheet name=\"Page 1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    xml::XmlWriter sheet(zip.begin_entry("xl/worksheets/sheet1.xml"));
    write_sheet(sheet, rows);
    zip.end_entry();
    zip.finish();
    cpu += process_cpu_seconds() - start;
  }
  // The same part again into memory, to know how many bytes of XML each pass wrote.
  xml::XmlWriter sizing;
  write_sheet(sizing, rows);
  const double xml_bytes = static_cast<double>(sizing.text().size());
  state.counters["xml_MB_per_cpu_s"] = xml_bytes * static_cast<double>(state.iterations()) / 1e6 / cpu;
  state.counters["ratio"] = xml_bytes / static_cast<double>(std::filesystem::file_size(target));
}
BENCHMARK(BM_WorksheetPackage)->Arg(50'000)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
