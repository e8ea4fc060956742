// A picture past the pixel limit, of any kind, fails the export in every writer that draws
// pictures, with the one text the decoders give and no file left behind. (CSV writes no
// pictures.) PDF embeds JPEG data as it is and still refuses it from the header.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "export/docx_export.h"
#include "export/html_export.h"
#include "export/pdf_export.h"
#include "export/tiff_export.h"
#include "export/xlsx_export.h"
#include "picture/oversized.h"
#include "table_page.h"

namespace orvena::exporting {
namespace {

using PictureLimit = test::TablePage;

TEST_F(PictureLimit, EveryWriterRefusesAPicturePastTheLimitWithOneText) {
  const struct {
    const char* name;
    std::function<std::unique_ptr<ExportFilter>()> make;
  } writers[] = {
      {"pdf", [] { return std::make_unique<PdfExport>(); }},
      {"tiff", [] { return std::make_unique<TiffExport>(); }},
      {"xlsx", [] { return std::make_unique<XlsxExport>(); }},
      {"docx", [] { return std::make_unique<DocxExport>(); }},
      {"html", [] { return std::make_unique<HtmlExport>(); }},
  };
  auto* logo = static_cast<report::PictureView*>(report.find_object("Logo"));
  ASSERT_NE(logo, nullptr);
  for (const auto& picture : picture::test::oversized_pictures()) {
    logo->picture.kind = picture.kind;
    logo->picture.bytes = picture.file;
    report::PreparedPages pages{report};
    orvena::test::print_band_pages(pages, *page, *band, 1);
    for (const auto& w : writers) {
      SCOPED_TRACE(std::string(picture.name) + " in " + w.name);
      auto dir = folder(std::string("limit_") + w.name);
      auto filter = w.make();
      filter->show_dialog = false;
      filter->file_name = dir / (std::string("raport.") + w.name);
      report.clear_errors();
      EXPECT_FALSE(export_report(report, pages, *filter));
      ASSERT_EQ(report.errors().size(), 1u);
      EXPECT_EQ(report.errors()[0], picture::test::kOversizedText);
      EXPECT_TRUE(std::filesystem::is_empty(dir));
    }
  }
}

}  // namespace
}  // namespace orvena::exporting
