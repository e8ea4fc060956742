// The fidelity template rendered by `orvena --render` into every format and read back by readers
// that are not ours: pixels of the PDF (poppler) and TIFF (Pillow) pages, link targets through
// qpdf's JSON, the workbook through openpyxl, the document through python-docx, the HTML as text.
// What it checks: ruled (underlined) text, the auto-width memo's width, spaced-out letters, the
// anchor set by the template's script with the link to it from page 1, an external link, the
// logo's transparent corners in the PDF, and the PDF/A-1b parts when the settings ask for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/line_file.h"
#include "core/temp_dir.h"
#include "support/orvena_program.h"
#include "support/test_home.h"

namespace orvena::app {
namespace {

namespace fs = std::filesystem;
using test::run_command;
using test::shell_quoted;

fs::path fixture(const char* name) {
  return fs::path(ORVENA_FIXTURES) / "engine" / name;
}

std::string hex_of_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string hex;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (char c; in.get(c);) {
    hex += kDigits[(static_cast<unsigned char>(c) >> 4) & 0xF];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

// Probes of a page picture at 96 dpi (page 1; the page's margins are 10 mm, 37.8 pixels): the
// rows ruled red across the underlined memo (absolute 38..338 x 118..178), the run of green of
// the auto-width memo (top 198), and the corners and middle of the template's own logo over its
// blue square (absolute 128..168 x 48..88). Prints one "name value" line each.
const char* kProbe = R"PY(import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB")
def red(p): return p[0] > 200 and p[0] - p[1] > 60  # a rule between two rows is smoothed over both
rows, prev = 0, False
for y in range(118, 178):
    now = red(im.getpixel((320, y)))
    rows += now and not prev
    prev = now
print("rules", rows)
green = [x for x in range(0, 700) if im.getpixel((x, 208)) == (0, 255, 0)]
print("green", max(green) - min(green) + 1 if green else 0)
def blue(p): return p[2] > 200 and p[0] < 60 and p[1] < 60
print("corner", int(blue(im.getpixel((129, 49))) and blue(im.getpixel((166, 86)))))
m = im.getpixel((148, 68))
print("middle", int(m[0] > 120 and m[1] < 60 and m[2] < 60))
)PY";

// Link targets of the PDF: "page N: dest PAGE" or "page N: uri TARGET"; then the PDF/A parts
// that are present ("intent", "profile", "xmp", "encrypt", "smask", "group", "unembedded").
const char* kPdfParts = R"PY(import json, subprocess, sys
j = json.loads(subprocess.run(["qpdf", "--json", sys.argv[1]], capture_output=True, text=True, check=True).stdout)
objects = j["qpdf"][1]
pages = [p["object"] for p in j["pages"]]
def value(ref): return objects["obj:" + ref].get("value", objects["obj:" + ref])
for n, ref in enumerate(pages, 1):
    for a in value(ref).get("/Annots", []):
        link = value(a)
        if "/A" in link: print(f"page {n}: uri {link['/A']['/URI'][2:]}")
        else: print(f"page {n}: dest {pages.index(link['/Dest'][0]) + 1}")
    if "/Group" in value(ref): print("group")
trailer = j["qpdf"][1]["trailer"]["value"]
if "/Encrypt" in trailer: print("encrypt")
root = value(trailer["/Root"])
for intent in root.get("/OutputIntents", []):
    i = value(intent)
    if i.get("/S") == "/GTS_PDFA1": print("intent")
    profile = objects["obj:" + i["/DestOutputProfile"]]
    if profile["stream"]["dict"].get("/N") == 3: print("profile")
if "/Metadata" in root:
    data = subprocess.run(["qpdf", "--show-object=" + root["/Metadata"].split()[0], "--raw-stream-data", sys.argv[1]],
                          capture_output=True, check=True).stdout.decode()
    if "<pdfaid:part>1</pdfaid:part>" in data and "<pdfaid:conformance>B</pdfaid:conformance>" in data: print("xmp")
for key, o in objects.items():
    d = o.get("stream", {}).get("dict") or o.get("value")
    if not isinstance(d, dict): continue
    if "/SMask" in d: print("smask")
    if d.get("/Type") == "/FontDescriptor" and "/FontFile2" not in d: print("unembedded")
)PY";

// Hyperlinks of both workbooks and the document's bookmarks, links and letter spacing.
const char* kOffice = R"PY(import sys, openpyxl, docx
for label, f in (("one", sys.argv[1]), ("pages", sys.argv[2])):
    wb = openpyxl.load_workbook(f)
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for c in row:
                if c.hyperlink:
                    print(f"{label}: {c.value} -> {c.hyperlink.location or c.hyperlink.target}")
                    if c.hyperlink.location:
                        sheet, cell = c.hyperlink.location.split("!")
                        print(f"{label}: target holds {wb[sheet.strip(chr(39))][cell].value}")
d = docx.Document(sys.argv[3])
W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
body = d.element.body
print("bookmarks", " ".join(b.get(W + "name") for b in body.iter(W + "bookmarkStart")))
for h in body.iter(W + "hyperlink"):
    text = "".join(t.text for t in h.iter(W + "t"))
    rid = h.get(R + "id")
    print(f"docx: {text} -> {h.get(W + 'anchor') or d.part.rels[rid].target_ref}")
print("spacing", " ".join(s.get(W + "val") for s in body.iter(W + "spacing") if s.get(W + "val")))
)PY";

class FidelityRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_home = std::make_unique<test::TestHome>();
    s_scratch = std::make_unique<core::TempDir>();
    fs::copy_file(fixture("fidelity_file.png"), s_home->home().dane() / "fidelity_file.png");
    s_home->sql("create table t (nazwa text, logo blob); insert into t values ('Wiersz jeden', x'" +
                hex_of_file(fixture("fidelity_logo.png")) + "');");
    for (const char* format : {"pdf", "tiff", "html", "excel", "excel-arkusze", "word", "csv"}) {
      auto r = render(format, output(format));
      ASSERT_EQ(r.status, 0) << format << ": " << r.output;
    }
  }
  static void TearDownTestSuite() {
    s_home.reset();
    s_scratch.reset();
  }

  static test::CommandResult render(const std::string& format, const fs::path& out) {
    return test::run_orvena(
        "--render " + shell_quoted(fixture("fidelity.orp")) + " --sql 'select nazwa, logo from t' --home " +
        shell_quoted(s_home->home().root()) + " --format " + format + " --out " + shell_quoted(out));
  }
  static fs::path output(const std::string& format) {
    const char* ext = format == "word" ? ".docx" : format.starts_with("excel") ? ".xlsx" : "";
    return s_home->home().temporary() / ("fidelity-" + format + (*ext ? ext : "." + format));
  }
  static std::string python(const char* script, const std::string& args) {
    fs::path file = s_scratch->path() / "script.py";
    std::ofstream(file) << script;
    auto r = run_command("/usr/bin/python3 " + shell_quoted(file) + " " + args);
    EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
  }
  static std::string contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos ? part : "missing " + part + " in:\n" + text;
  }

  static std::unique_ptr<test::TestHome> s_home;
  static std::unique_ptr<core::TempDir> s_scratch;
};

std::unique_ptr<test::TestHome> FidelityRender::s_home;
std::unique_ptr<core::TempDir> FidelityRender::s_scratch;

TEST_F(FidelityRender, PdfAndTiffPagesShowRulesAutoWidthAndTheLogosAlpha) {
  auto pages = run_command("pdftoppm -r 96 -png -f 1 -l 1 " + shell_quoted(output("pdf")) + " " +
                           shell_quoted(s_scratch->path() / "page"));
  ASSERT_EQ(pages.status, 0) << pages.output;
  struct Case {
    const char* name;
    fs::path picture;
  } cases[] = {{"pdf", s_scratch->path() / "page-1.png"}, {"tiff", output("tiff")}};
  for (const Case& c : cases) {
    std::string probe = python(kProbe, shell_quoted(c.picture));
    // Three 16-unit lines fit the 60-unit memo; the text is about 150 pixels wide, not the 20 the
    // template gives.
    EXPECT_EQ(contains(probe, "rules 3\n"), "rules 3\n") << c.name;
    std::string green = probe.substr(probe.find("green ") + 6);
    EXPECT_GT(std::stoi(green), 140) << c.name << ": " << probe;
    EXPECT_LT(std::stoi(green), 190) << c.name << ": " << probe;
    // The logo's transparent corners show the blue square below, its disc stays dark red.
    EXPECT_EQ(contains(probe, "corner 1\n"), "corner 1\n") << c.name;
    EXPECT_EQ(contains(probe, "middle 1\n"), "middle 1\n") << c.name;
  }
}

TEST_F(FidelityRender, PdfLinksGoToTheAnchorsPageAndOut) {
  std::string parts = python(kPdfParts, shell_quoted(output("pdf")));
  EXPECT_EQ(contains(parts, "page 1: dest 2\n"), "page 1: dest 2\n");
  EXPECT_EQ(contains(parts, "page 1: uri https://example.com/orvena\n"),
            "page 1: uri https://example.com/orvena\n");
  // Not PDF/A unless asked: transparency is kept as soft masks.
  EXPECT_EQ(parts.find("intent"), std::string::npos) << parts;
  EXPECT_NE(parts.find("smask"), std::string::npos) << parts;
}

TEST_F(FidelityRender, PdfAWhenTheSettingsAskForIt) {
  s_home->write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db", "[pdf_a]=tak"});
  const fs::path out = s_home->home().temporary() / "fidelity-a.pdf";
  auto r = render("pdf", out);
  s_home->write_settings({"[db_driver]=sqlite", "[db]=Dane/test.db"});
  ASSERT_EQ(r.status, 0) << r.output;
  std::string parts = python(kPdfParts, shell_quoted(out));
  for (const char* present : {"intent\n", "profile\n", "xmp\n", "page 1: dest 2\n"})
    EXPECT_EQ(contains(parts, present), present);
  // PDF/A-1 has no transparency and no encryption, and every font is in the file.
  for (const char* absent : {"smask", "group", "encrypt", "unembedded"})
    EXPECT_EQ(parts.find(absent), std::string::npos) << absent << " in:\n" << parts;
  auto check = run_command("qpdf --check " + shell_quoted(out));
  EXPECT_EQ(check.status, 0) << check.output;
}

TEST_F(FidelityRender, HtmlLinksToThePageAnchorAndSpacesLetters) {
  std::string html = core::read_file(output("html"));
  EXPECT_EQ(contains(html, "<a href=\"#PageN2\">"), "<a href=\"#PageN2\">");
  EXPECT_EQ(contains(html, "<a name=\"PageN2\">"), "<a name=\"PageN2\">");
  EXPECT_EQ(contains(html, "<a href=\"https://example.com/orvena\">"),
            "<a href=\"https://example.com/orvena\">");
  EXPECT_EQ(contains(html, "letter-spacing: 4.00px;"), "letter-spacing: 4.00px;");
}

TEST_F(FidelityRender, WorkbooksAndDocumentLinkInsideAndOut) {
  std::string office =
      python(kOffice, shell_quoted(output("excel")) + " " + shell_quoted(output("excel-arkusze")) + " " +
                          shell_quoted(output("word")));
  for (const char* expected :
       {// One sheet: page 2 starts at the row holding its first object.
        "one: Przejdź do końca -> 'Page 1'!A", "one: target holds Koniec raportu\n",
        "one: Strona zewnętrzna -> https://example.com/orvena\n",
        // A sheet per page: the first cell of the page's sheet.
        "pages: Przejdź do końca -> 'Page 2'!A1\n",
        // Bookmarks at each page's start; links inside and out; 4 pixels between letters.
        "bookmarks PageN1 PageN2\n", "docx: Przejdź do końca -> PageN2\n",
        "docx: Strona zewnętrzna -> https://example.com/orvena\n", "spacing 60\n"})
    EXPECT_EQ(contains(office, expected), expected);
}

}  // namespace
}  // namespace orvena::app
