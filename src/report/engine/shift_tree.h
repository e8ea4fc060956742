#pragma once
// Which object a band's object moves with when the objects above it grow.
//
// Object B hangs below object A when A lies wholly above B (A's bottom no lower than B's top, A's
// top strictly higher), their horizontal extents overlap, and A is the lowest such object: nothing
// lies between them there. Ties go to the object listed first. Objects hanging below nothing move
// with the band (-1).
#include <span>
#include <vector>

namespace orvena::report::engine {

struct ShiftBox {
  double left = 0, top = 0, width = 0, height = 0;
};

// The parent of each box, by index into `boxes`, which are in order of top. O(n log n) for boxes
// of finite, non-negative size; each box of another shape costs one pass over all boxes.
std::vector<int> shift_parents(std::span<const ShiftBox> boxes);

}  // namespace orvena::report::engine
