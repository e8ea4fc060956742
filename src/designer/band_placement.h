#pragma once
// Where a new band goes. Page generation orders the bands it links (headers, footers, data
// bands, group headers and footers) by their tops: a data header must come straight before its
// data band, its footer straight after it, group headers before the data band and group footers
// after it. The designer therefore places a new band by its kind among the bands of the page and
// moves the bands below it down to make room. No window here: the menu and the tests read this.
#include <string_view>
#include <vector>

#include "designer/layout_rules.h"

namespace orvena::report {
class Band;
struct ClassInfo;
class ReportPage;
}  // namespace orvena::report

namespace orvena::designer {

// The band kinds of the "Wstaw pasmo" menu, in menu order.
struct BandKind {
  const char* action;  // action name: "band_MasterData"
  const char* text;    // menu text
  const report::ClassInfo& (*info)();
};
const std::vector<BandKind>& band_kinds();

// Height of a new band and the gap kept between bands placed one after another.
inline constexpr double kNewBandHeight = 24;
inline constexpr double kBandGap = 4;

struct BandPlace {
  double top = 0;
  std::vector<BandTop> moved;  // bands pushed down to make room, with their new tops
};

// Where a band of class `kind` and height `height` goes on `page`. `reference` is the band the
// operator works in (the band of the selection), if any: data headers and footers, group headers
// and footers go around it when it is a data band (around the page's last master data band
// otherwise), and a child band goes straight below it.
BandPlace place_new_band(const report::ReportPage& page, const report::ClassInfo& kind, double height,
                         const report::Band* reference);

// The data band whose headers and footers a new band belongs to: `reference` when it is a data
// band, else the page's last master data band (null when there is none).
const report::Band* data_band_for(const report::ReportPage& page, const report::Band* reference);

}  // namespace orvena::designer
