#pragma once
// A readable listing of prepared pages, one line per band and per object in it:
//   1 PageHeader1 0+30
//   1 MasterData1 30+20 @100
//   1   Memo1 10,0 "Raport dzienny"
// (page number, name, left,top of an object inside its band or top+height of a band and its left
// when not 0, text, and a text's font colour as $BBGGRR when it is not black).
// Tests compare it whole, so a wrong page shows up as a few differing lines.
#include <string>

namespace orvena::report {

class PreparedPages;

std::string dump_prepared_pages(PreparedPages& pages);

}  // namespace orvena::report
