// The PDF file layer alone: pages of 50 rows × 5 text runs (a one-band, five-memo report) in
// two faces, written to a stream that only counts bytes. Shaping happens once before timing; the
// counters say what the writer costs per page and per row, deflated and plain (the runner's).
#include <benchmark/benchmark.h>
#include <hb.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "export/pdf/pdf_document.h"

namespace {

using namespace orvena::exporting::pdf;

constexpr int kRowsPerPage = 50;
constexpr int kMemos = 5;
const char* const kFonts[] = {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                              "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"};

class CountingBuffer : public std::streambuf {
 public:
  size_t count = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count += size_t(n);
    return n;
  }
  int overflow(int c) override {
    ++count;
    return c;
  }
};

struct Shaped {
  std::vector<Glyph> glyphs;
  std::string text;
};

Shaped shape(const char* file, const std::string& text, double size) {
  hb_blob_t* blob = hb_blob_create_from_file(file);
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text.data(), int(text.size()), 0, int(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, nullptr, 0);
  unsigned n = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &n);
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &n);
  Shaped out{.text = text};
  double upem = hb_face_get_upem(face);
  for (unsigned i = 0; i < n; ++i)
    out.glyphs.push_back(
        {uint16_t(info[i].codepoint), pos[i].x_advance / upem * size / kPointsPerPixel, info[i].cluster});
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
  return out;
}

void BM_PdfPages(benchmark::State& state) {
  auto compression = state.range(0) ? Compression::Deflate : Compression::None;
  std::vector<Shaped> cells;
  for (int i = 0; i < 100; ++i)
    cells.push_back(shape(
        kFonts[i % 2],
        i % 5 == 0 ? std::to_string(100000 + i * 7919) : "Klient " + std::to_string(i) + " Łódź-Śródmieście",
        9));
  orvena::core::FixedClock clock(46000.5);
  const int pages = int(state.range(1));
  size_t bytes = 0;
  for (auto _ : state) {
    CountingBuffer counter;
    std::ostream out(&counter);
    DocumentOptions options{
        .compression = compression, .clock = &clock, .file_id = [] { return std::string(16, 'x'); }};
    Document doc(out, options);
    FontId fonts[] = {doc.font({kFonts[0], 0}), doc.font({kFonts[1], 0})};
    for (int p = 0; p < pages; ++p) {
      Page& page = doc.begin_page({.width = 793.7, .height = 1122.5});
      for (int row = 0; row < kRowsPerPage; ++row)
        for (int m = 0; m < kMemos; ++m) {
          const Shaped& cell = cells[(p * kRowsPerPage + row * kMemos + m) % cells.size()];
          page.text({.font = fonts[m % 2],
                     .size = 9,
                     .x = 40.0 + 140 * m,
                     .y = 40.0 + 20 * row,
                     .glyphs = cell.glyphs,
                     .text = cell.text});
          page.line(40.0 + 140 * m, 44.0 + 20 * row, 170.0 + 140 * m, 44.0 + 20 * row, {.width = 1});
        }
      doc.end_page();
    }
    doc.finish();
    bytes = counter.count;
  }
  state.counters["pages/s"] =
      benchmark::Counter(double(pages), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["rows/s"] =
      benchmark::Counter(double(pages) * kRowsPerPage, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes/page"] = double(bytes) / pages;
}
BENCHMARK(BM_PdfPages)->Args({0, 200})->Args({1, 200})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
