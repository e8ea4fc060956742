#pragma once
// The drawing part of a sheet (xl/drawings/drawingN.xml) and its relationships: one picture or
// chart per two-cell anchor, stretched from the cell its top-left corner lies in to the cell of
// its bottom-right corner.
#include <cstdint>
#include <string>
#include <vector>

namespace orvena::exporting::xlsx {

struct PictureAnchor {
  uint32_t from_column = 0, from_row = 0, to_column = 0, to_row = 0;  // from 0
  std::string media_name;                                             // "image-s1-p1.png"
  int chart = 0;  // not 0: the anchor holds xl/charts/chart<chart>.xml instead of a picture
};

// The k-th anchor (from 1) embeds or links relationship "rId" + k.
std::string drawing_xml(const std::vector<PictureAnchor>& anchors);
std::string drawing_relationships_xml(const std::vector<PictureAnchor>& anchors);

}  // namespace orvena::exporting::xlsx
