// Two-dimensional codes into a PDF: a report of 10,000 QR codes, each of its own text (an
// invoice line with the row number), generated and written as vectors. The first benchmark is
// the encoding and the run rectangles alone, the second the whole way from the band to the file.
//
//   build/bench/codes2d_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "export/pdf_export.h"
#include "objects/barcode2d_view.h"
#include "report/bands.h"
#include "report/canvas/cairo_canvas.h"
#include "report/engine/engine.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"

namespace {

using namespace orvena;

constexpr int kCodes = 10000;
constexpr int kColumns = 6;  // codes a row
constexpr double kSide = 110;

std::string invoice_text(int n) {
  return "FV/" + std::to_string(n) + "/2026;NIP 525-000-00-00;kwota 1234,56 zł";
}

void BM_EncodeAndLayOut(benchmark::State& state) {
  report::Barcode2DView view;
  view.set_bounds(0, 0, kSide, kSide);
  int n = 0;
  for (auto _ : state) {
    view.text = invoice_text(++n);
    auto l = objects::layout_barcode2d(view, {0, 0, kSide, kSide});
    benchmark::DoNotOptimize(l.matrix.modules.data());
  }
  state.counters["codes_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodeAndLayOut)->Unit(benchmark::kMicrosecond);

void BM_TenThousandQrCodesToPdf(benchmark::State& state) {
  report::Report r;
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  auto* page = r.add_new<report::ReportPage>();
  page->set_name("Page1");
  page->set_paper_width(210);
  page->set_paper_height(297);
  // One band a row of codes, each code the row's line number times the column.
  auto* band = page->add_new<report::MasterData>();
  band->set_name("Kody");
  band->row_count = kCodes / kColumns + 1;
  band->set_bounds(0, 0, kColumns * (kSide + 10), kSide + 10);
  for (int c = 0; c < kColumns; ++c) {
    auto* code = band->add_new<report::Barcode2DView>();
    code->set_name("Kod" + std::to_string(c + 1));
    code->set_bounds(c * (kSide + 10), 5, kSide, kSide);
    code->text = "FV/[Line#]-" + std::to_string(c + 1) + "/2026;NIP 525-000-00-00;kwota 1234,56 zł";
  }
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("orvena_codes2d_bench_" + std::to_string(getpid()) + ".pdf");
  for (auto _ : state) {
    report::PreparedPages pages(r);
    report::Engine engine(r, pages);
    if (!engine.run()) state.SkipWithError("generation failed");
    exporting::PdfExport pdf;
    pdf.show_dialog = false;
    pdf.file_name = file;
    pdf.options = exporting::PdfExportOptions::runner();
    pdf.options.compressed = state.range(0);
    if (!exporting::export_report(r, pages, pdf)) state.SkipWithError("export failed");
  }
  state.counters["codes"] = double(band->row_count * kColumns);
  state.counters["pdf_MB"] = double(std::filesystem::file_size(file)) / 1e6;
  state.counters["codes_per_s"] = benchmark::Counter(
      double(band->row_count * kColumns) * double(state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove(file);
}
// Argument: Flate-compressed streams or not.
BENCHMARK(BM_TenThousandQrCodesToPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
