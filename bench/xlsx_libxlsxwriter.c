/* The reference for bench/xlsx_bench.sh: the same rows as the benchmark's query (id, klient,
 * miasto, kwota, data; strings and numbers), written by libxlsxwriter in constant-memory mode.
 * Usage: xlsx_libxlsxwriter OUT.xlsx ROWS */
#include <stdio.h>
#include <stdlib.h>
#include <xlsxwriter.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s OUT.xlsx ROWS\n", argv[0]);
    return 2;
  }
  long rows = atol(argv[2]);
  lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
  lxw_workbook* book = workbook_new_opt(argv[1], &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, NULL);
  lxw_format* money = workbook_add_format(book);
  format_set_num_format(money, "#,##0.00");
  static const char* cities[] = {"Łódź", "Kraków", "Gdańsk"};
  char text[64];
  for (long i = 1; i <= rows; ++i) {
    lxw_row_t r = (lxw_row_t)(i - 1);
    worksheet_write_number(sheet, r, 0, (double)i, NULL);
    snprintf(text, sizeof text, "Klient %ld", i % 997);
    worksheet_write_string(sheet, r, 1, text, NULL);
    worksheet_write_string(sheet, r, 2, cities[i % 3], NULL);
    worksheet_write_number(sheet, r, 3, (double)(i % 100000) / 100.0, money);
    long day = i % 1000;
    snprintf(text, sizeof text, "2024-%02ld-%02ld", 1 + day % 12, 1 + day % 28);
    worksheet_write_string(sheet, r, 4, text, NULL);
  }
  return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
