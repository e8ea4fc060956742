/* The reference for bench/pdf_bench.sh: the table of bench/fixtures/table5.orp (a header line and
 * one line a row of id, klient, miasto, kwota, data) read from the benchmark's SQLite database and
 * written by libharu with Flate compression, in the font our PDF writer embeds for Arial 10 pt
 * (Liberation Sans), on A4 pages with 10 mm margins and the template's column positions.
 * Usage: pdf_libharu DATABASE QUERY OUT.pdf [FONT.ttf] */
#include <hpdf.h>
#include <setjmp.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>

static jmp_buf failed;

static void on_error(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  (void)data;
  fprintf(stderr, "libharu error %04X, detail %u\n", (unsigned)error, (unsigned)detail);
  longjmp(failed, 1);
}

/* Report pixels (96 per inch) to points, from the top of the area inside the margins. */
static const double kPointsPerPixel = 0.75;
static const double kMarginPoints = 10 / 25.4 * 72;
static const double kColumns[] = {0, 80, 300, 440, 570};
static const double kRowPixels = 18, kHeaderPixels = 20;
static const double kFontPoints = 10;

static HPDF_Page new_page(HPDF_Doc pdf, HPDF_Font font, const char* const* header) {
  HPDF_Page page = HPDF_AddPage(pdf);
  HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
  HPDF_Page_SetFontAndSize(page, font, kFontPoints);
  double top = HPDF_Page_GetHeight(page) - kMarginPoints;
  HPDF_Page_BeginText(page);
  for (int c = 0; c < 5; ++c)
    HPDF_Page_TextOut(page, kMarginPoints + kColumns[c] * kPointsPerPixel, top - kFontPoints, header[c]);
  HPDF_Page_EndText(page);
  return page;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: %s DATABASE QUERY OUT.pdf [FONT.ttf]\n", argv[0]);
    return 2;
  }
  const char* font_file = argc > 4 ? argv[4] : "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
  sqlite3* db = NULL;
  sqlite3_stmt* stmt = NULL;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK ||
      sqlite3_prepare_v2(db, argv[2], -1, &stmt, NULL) != SQLITE_OK) {
    fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    return 1;
  }
  HPDF_Doc pdf = HPDF_New(on_error, NULL);
  if (!pdf || setjmp(failed)) {
    HPDF_Free(pdf);
    return 1;
  }
  HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
  HPDF_UseUTFEncodings(pdf);
  HPDF_SetCurrentEncoder(pdf, "UTF-8");
  const char* name = HPDF_LoadTTFontFromFile(pdf, font_file, HPDF_TRUE);
  HPDF_Font font = HPDF_GetFont(pdf, name, "UTF-8");

  static const char* const header[] = {"Id", "Klient", "Miasto", "Kwota", "Data"};
  /* As many rows as the data band fits below the page header, the bands stacked as the engine
   * stacks them. */
  const double area = (297 - 2 * 10) / 25.4 * 96;
  const int rows_per_page = (int)((area - kHeaderPixels) / kRowPixels);
  HPDF_Page page = NULL;
  double top = 0;
  int on_page = rows_per_page;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    if (on_page == rows_per_page) {
      page = new_page(pdf, font, header);
      top = HPDF_Page_GetHeight(page) - kMarginPoints - kHeaderPixels * kPointsPerPixel;
      on_page = 0;
    }
    double baseline = top - on_page * kRowPixels * kPointsPerPixel - kFontPoints;
    HPDF_Page_BeginText(page);
    for (int c = 0; c < 5; ++c) {
      const char* text = (const char*)sqlite3_column_text(stmt, c);
      HPDF_Page_TextOut(page, kMarginPoints + kColumns[c] * kPointsPerPixel, baseline, text ? text : "");
    }
    HPDF_Page_EndText(page);
    ++on_page;
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  HPDF_STATUS status = HPDF_SaveToFile(pdf, argv[3]);
  HPDF_Free(pdf);
  return status == HPDF_OK ? 0 : 1;
}
