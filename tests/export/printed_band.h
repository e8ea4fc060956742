#pragma once
// The writers' tests print one band per page of a one-pass report: the page as its source once,
// then on each page the band at the page's top.
#include "report/bands.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"

namespace orvena::test {

inline void print_band_pages(report::PreparedPages& store, report::ReportPage& page, report::Band& band,
                             int pages) {
  store.initialize();
  store.add_source_page(page);
  store.begin_pass(report::PreparePass::Single);
  for (int p = 0; p < pages; ++p) {
    store.add_page(page);
    band.set_top(0);
    store.add_object(band);
  }
  store.finish();
}

}  // namespace orvena::test
