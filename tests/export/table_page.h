#pragma once
// A page for the table-like writers (DOCX, HTML) with what their tables must carry: a header
// over three columns and two rows, a text turned by 90 degrees, frames, a fill, a value holding
// markup, a memo of three lines and a picture. Printed on as many pages as asked.
//
//   grid (report pixels, page placed at its margins):
//     y 0..40    [ Header (0..300, two rows)        ][ Side1 (300..400, 0..20)  ][ Turned ]
//                [                                   ][ Side2 (300..400, 20..40) ][ 400..440]
//     y 40..60   [ A 0..100 ][ B 100..200 ][ C 200..300 ]                        [ 0..60  ]
//     y 60..80   [ Value 0..300 ]
//     y 80..128  [ Lines 100..300 ][ Logo 300..348 ]
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/matrix/layout_matrix.h"
#include "export/printed_band.h"
#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/report.h"
#include "report/views.h"
#include "support/run_command.h"

namespace orvena::exporting::test {

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A 4 × 4 PNG, made by the matrix's own encoder.
inline std::string small_png() {
  MatrixPicture p;
  p.width = p.height = 4;
  for (int i = 0; i < 16; ++i) p.rgba.insert(p.rgba.end(), {200, 30, 30, 255});
  return p.png();
}

class TablePage : public ::testing::Test {
 protected:
  void SetUp() override {
    report.engine_options.set_silent_mode(true);
    page = report.add_new<report::ReportPage>();
    page->set_name("Page1");
    page->left_margin = 15;
    page->top_margin = 12;
    page->right_margin = 10;
    page->bottom_margin = 8;
    band = page->add_new<report::MasterData>();
    band->set_name("Rows");
    band->set_height(200);

    auto* header = memo("Header", 0, 0, 300, 40, "Sprzedaż");
    header->fill.set_color(0xE0E0E0);
    header->halign = report::HAlign::Center;
    memo("Side1", 300, 0, 100, 20, "S1");
    memo("Side2", 300, 20, 100, 20, "S2");
    auto* turned = memo("Turned", 400, 0, 40, 60, "Region");
    turned->rotation = 90;
    memo("A", 0, 40, 100, 20, "a");
    memo("B", 100, 40, 100, 20, "b");
    auto* c = memo("C", 200, 40, 100, 20, "c");
    c->frame.set_style(report::FrameStyle::Dash);
    c->frame.set_color(0x0000FF);  // red
    memo("Value", 0, 60, 300, 20, "<script>alert(1)</script> & Co");
    auto* lines = memo("Lines", 100, 80, 200, 48, "jeden\r\ndwa\r\ntrzy");
    lines->frame.typ = 0;
    auto* logo = band->add_new<report::PictureView>();
    logo->set_name("Logo");
    logo->set_bounds(300, 80, 48, 48);
    logo->picture.kind = report::PictureKind::Png;
    logo->picture.bytes = small_png();
  }

  report::MemoView* memo(const std::string& name, double left, double top, double width, double height,
                         const std::string& text) {
    auto* m = band->add_new<report::MemoView>();
    m->set_name(name);
    m->set_bounds(left, top, width, height);
    m->set_text(text);
    m->frame.typ = report::kFrameLeft | report::kFrameRight | report::kFrameTop | report::kFrameBottom;
    return m;
  }

  void print(int pages) { orvena::test::print_band_pages(store, *page, *band, pages); }

  std::filesystem::path folder(const std::string& name) {
    auto dir = std::filesystem::path(::testing::TempDir()) / "orvena_tables" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
  }

  report::Report report;
  report::ReportPage* page;
  report::MasterData* band;
  report::PreparedPages store{report};
};

}  // namespace orvena::exporting::test
