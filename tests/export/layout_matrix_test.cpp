// The layout matrix: printed objects laid on a grid of cells.
#include <gtest/gtest.h>

#include "export/matrix/layout_matrix.h"
#include "report/values.h"

namespace orvena::exporting {
namespace {

std::unique_ptr<report::MemoView> memo(double left, double top, double width, double height,
                                       std::string text) {
  auto m = std::make_unique<report::MemoView>();
  m->set_bounds(left, top, width, height);
  m->set_text(text);
  return m;
}

// The grid as text, one string per row: the object's first line in each cell, "." when empty.
std::vector<std::string> grid(const LayoutMatrix& m) {
  std::vector<std::string> rows;
  for (int y = 0; y + 1 < m.height(); ++y) {
    std::string row;
    for (int x = 0; x + 1 < m.width(); ++x) {
      const MatrixObject* o = m.object_at(x, y);
      if (!row.empty()) row += ' ';
      row += !o ? "." : o->lines.empty() ? "_" : o->lines[0];
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(LayoutMatrix, ObjectsSideBySideGetOneCellEach) {
  auto a = memo(0, 0, 100, 20, "a");
  auto b = memo(100, 0, 50, 20, "b");
  auto c = memo(0, 20, 150, 20, "c");  // spans both columns
  LayoutMatrix m;
  for (auto* v : {a.get(), b.get(), c.get()}) m.add_object(*v);
  m.prepare();
  ASSERT_EQ(m.width(), 3);
  ASSERT_EQ(m.height(), 3);
  EXPECT_EQ(grid(m), (std::vector<std::string>{"a b", "c c"}));
  EXPECT_EQ(m.x_pos(1), 100);
  EXPECT_EQ(m.y_pos(2), 40);
  int i = m.cell(0, 1);
  CellSpan span = m.object_position(i);
  EXPECT_EQ(span.x, 0);
  EXPECT_EQ(span.y, 1);
  EXPECT_EQ(span.dx, 2);
  EXPECT_EQ(span.dy, 1);
  EXPECT_EQ(m.cell(-1, 0), -1);
  EXPECT_EQ(m.cell(0, 3), -1);
  EXPECT_EQ(m.page_break(0), 0);
}

}  // namespace
}  // namespace orvena::exporting
