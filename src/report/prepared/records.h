#pragma once
// The attribute text of one page record: how a printed object differs from its source copy, or
// the whole object when it has no copy. Values are written as the template format writes them,
// so a record applied over a structural copy of the source gives back the printed object.
#include <string>

#include "report/component.h"
#include "report/values.h"
#include "report/xml_document.h"

namespace orvena::report::prepared {

class PictureCache;

enum class RecordDetail : uint8_t {
  Geometry,  // the first pass of two: its pages are thrown away, only sizes matter
  Full,
};

// Differences of `printed` from `copy` (same class): `l` `t` `w` `h` when they differ by more
// than 0.0001 (a band's `t` always), every other stored property that differs (data binding and
// references left out: copies have none), a text object's text as `u`, a picture's ImageIndex
// in `pictures`.
std::string record_differences(const Component& printed, const Component& copy, RecordDetail detail,
                               PictureCache& pictures);

// The whole object, for objects without a source copy: Name and every stored property.
std::string full_record(const Component& printed, PictureCache& pictures);

// Both kinds of record name the highlight that held when a text object printed.
inline constexpr std::string_view kActiveHighlight = "ActiveHighlight";
// That highlight of `object` (built from `record`), or nullptr.
Highlight* recorded_highlight(const XmlItem& record, Component& object);

}  // namespace orvena::report::prepared
