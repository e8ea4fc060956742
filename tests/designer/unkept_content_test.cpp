// What saving would drop from a template file.
#include "designer/unkept_content.h"

#include <gtest/gtest.h>

#include "core/line_file.h"
#include "report/report.h"

namespace orvena::designer {
namespace {

std::vector<std::string> unkept_of(const std::string& bytes) {
  report::Report r;
  r.engine_options.new_silent_mode = report::SilentMode::Silent;
  r.load_from_stream(bytes);
  return unkept_content(bytes, r.diagnostics());
}

TEST(UnkeptContent, TheDemoTemplatesAreKeptWhole) {
  for (const char* name : {"kategorie.orp", "obroty.orp"}) {
    const auto file = std::filesystem::path(ORVENA_SOURCE_DIR) / "examples/demo/Dane/Szablony" / name;
    EXPECT_EQ(unkept_of(core::read_file(file)), std::vector<std::string>{}) << name;
  }
}

TEST(UnkeptContent, NamesUnknownClassesAndAttributesWithTheirLines) {
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
      "<TrpReport Version=\"2.4.0\" Kolor=\"1\">\r\n"
      "  <TrpReportPage Name=\"Page1\" PaperWidth=\"210\">\r\n"
      "    <TrpReportTitle Name=\"ReportTitle1\" Height=\"40\" Width=\"700\">\r\n"
      "      <TrpMemoView Name=\"M1\" Left=\"4\" Font.Name=\"Arial\" Font.Kerning=\"1\" Memo.Text=\"a\" "
      "Obrys=\"2\"/>\r\n"
      "      <TrpFancyView Name=\"F1\" Left=\"0\"/>\r\n"
      "    </TrpReportTitle>\r\n"
      "  </TrpReportPage>\r\n"
      "</TrpReport>\r\n";
  EXPECT_EQ(unkept_of(bytes), (std::vector<std::string>{
                                  "klasa TrpFancyView (wiersz 6)",
                                  "właściwość Kolor (wiersz 2)",
                                  "właściwość Font.Kerning obiektu M1 (wiersz 5)",
                                  "właściwość Obrys obiektu M1 (wiersz 5)",
                              }));
}

}  // namespace
}  // namespace orvena::designer
