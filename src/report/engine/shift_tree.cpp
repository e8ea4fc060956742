// The shift tree as a sweep from top to bottom: an object joins the candidates once a lower top
// is reached, and the candidates are kept in a segment tree over the horizontal coordinates that
// answers "the lowest bottom overlapping this extent" in log n. Comparing every pair took minutes
// for a band of 100,000 objects.
#include "report/engine/shift_tree.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

namespace orvena::report::engine {

namespace {

// A bottom this little below a top still counts as above it (sizes read from text files).
constexpr double kTouch = 1e-4;
// Lower than any bottom an object may hang from.
constexpr double kNoBottom = -1e300;

double bottom_of(const ShiftBox& b) {
  return b.top + b.height;
}
double right_of(const ShiftBox& b) {
  return b.left + b.width;
}

bool hangs_below(const ShiftBox& b, const ShiftBox& a) {
  bool above = bottom_of(a) <= b.top + kTouch && a.top < b.top;
  bool overlap = a.left < right_of(b) && b.left < right_of(a);
  return above && overlap;
}

// Finite, and not reaching left of its left edge: the sweep's boxes. Others are compared pairwise.
bool sweepable(const ShiftBox& b) {
  return std::isfinite(b.top) && std::isfinite(bottom_of(b)) && std::isfinite(b.left) &&
         std::isfinite(right_of(b)) && right_of(b) >= b.left;
}

// A candidate parent: the lowest bottom wins, then the object listed first.
struct Candidate {
  double bottom = kNoBottom;
  int index = -1;
};
bool better(const Candidate& a, const Candidate& b) {
  return a.bottom > b.bottom || (a.bottom == b.bottom && a.index >= 0 && (b.index < 0 || a.index < b.index));
}
const Candidate& best_of(const Candidate& a, const Candidate& b) {
  return better(b, a) ? b : a;
}

// The best candidate over ranges of cells: raise a range, ask a range. A raise is kept at the
// nodes that cover its range whole (`m_tag`) and summed up on the way (`m_best`), so neither
// pushes anything down.
class CandidateTree {
 public:
  explicit CandidateTree(size_t cells) : m_cells(cells), m_tag(4 * cells), m_best(4 * cells) {}
  void raise(size_t lo, size_t hi, const Candidate& c) {
    if (m_cells) raise(1, 0, m_cells - 1, lo, hi, c);
  }
  Candidate best(size_t lo, size_t hi) const {
    return m_cells ? best(1, 0, m_cells - 1, lo, hi) : Candidate{};
  }

 private:
  void raise(size_t node, size_t from, size_t to, size_t lo, size_t hi, const Candidate& c) {
    if (hi < from || to < lo) return;
    m_best[node] = best_of(m_best[node], c);
    if (lo <= from && to <= hi) {
      m_tag[node] = best_of(m_tag[node], c);
      return;
    }
    size_t mid = from + (to - from) / 2;
    raise(2 * node, from, mid, lo, hi, c);
    raise(2 * node + 1, mid + 1, to, lo, hi, c);
  }
  Candidate best(size_t node, size_t from, size_t to, size_t lo, size_t hi) const {
    if (hi < from || to < lo) return {};
    if (lo <= from && to <= hi) return m_best[node];
    size_t mid = from + (to - from) / 2;
    return best_of(m_tag[node],
                   best_of(best(2 * node, from, mid, lo, hi), best(2 * node + 1, mid + 1, to, lo, hi)));
  }

  size_t m_cells;
  std::vector<Candidate> m_tag, m_best;
};

// Horizontal coordinates as cells: cell 2k is the point xs[k], cell 2k+1 the open gap after it.
// An extent (l, r) with l < r covers the cells strictly between l's and r's points, so two such
// extents share a cell exactly when they overlap; an extent of no width is its point's cell, which
// only wider extents reach: two of them never overlap, as the rule says.
class Cells {
 public:
  explicit Cells(std::vector<double> xs) : m_xs(std::move(xs)) {
    std::sort(m_xs.begin(), m_xs.end());
    m_xs.erase(std::unique(m_xs.begin(), m_xs.end()), m_xs.end());
  }
  size_t count() const { return 2 * m_xs.size(); }
  size_t point(double x) const {
    return 2 * size_t(std::lower_bound(m_xs.begin(), m_xs.end(), x) - m_xs.begin());
  }

 private:
  std::vector<double> m_xs;
};

}  // namespace

std::vector<int> shift_parents(std::span<const ShiftBox> boxes) {
  const size_t n = boxes.size();
  std::vector<double> xs;
  std::vector<int> sweep, others;
  for (size_t i = 0; i < n; ++i) {
    if (sweepable(boxes[i])) {
      sweep.push_back(int(i));
      xs.push_back(boxes[i].left);
      xs.push_back(right_of(boxes[i]));
    } else {
      others.push_back(int(i));
    }
  }
  Cells cells(std::move(xs));
  CandidateTree wide(cells.count()), thin(cells.count());  // extents with width; points

  // Candidates join in order of bottom; one whose top is not yet above the current object waits.
  std::vector<int> by_bottom = sweep;
  std::stable_sort(by_bottom.begin(), by_bottom.end(),
                   [&](int a, int b) { return bottom_of(boxes[size_t(a)]) < bottom_of(boxes[size_t(b)]); });
  auto later_top = [&](int a, int b) { return boxes[size_t(a)].top > boxes[size_t(b)].top; };
  std::priority_queue<int, std::vector<int>, decltype(later_top)> waiting(later_top);
  auto join = [&](int j) {
    const ShiftBox& a = boxes[size_t(j)];
    Candidate c{bottom_of(a), j};
    size_t l = cells.point(a.left), r = cells.point(right_of(a));
    if (l == r)
      thin.raise(l, l, c);
    else
      wide.raise(l + 1, r - 1, c);
  };
  size_t next = 0;

  std::vector<int> parent(n, -1);
  for (size_t i = 0; i < n; ++i) {
    const ShiftBox& b = boxes[i];
    Candidate best;
    if (sweepable(b)) {
      while (next < by_bottom.size() && bottom_of(boxes[size_t(by_bottom[next])]) <= b.top + kTouch)
        waiting.push(by_bottom[next++]);
      while (!waiting.empty() && boxes[size_t(waiting.top())].top < b.top) {
        join(waiting.top());
        waiting.pop();
      }
      size_t l = cells.point(b.left), r = cells.point(right_of(b));
      if (l == r) {
        best = wide.best(l, l);
      } else {
        best = best_of(wide.best(l + 1, r - 1), thin.best(l + 1, r - 1));
      }
      for (int j : others)
        if (hangs_below(b, boxes[size_t(j)])) best = best_of(best, {bottom_of(boxes[size_t(j)]), j});
    } else {
      for (size_t j = 0; j < n; ++j)
        if (hangs_below(b, boxes[j])) best = best_of(best, {bottom_of(boxes[j]), int(j)});
    }
    if (best.bottom > kNoBottom) parent[i] = best.index;
  }
  return parent;
}

}  // namespace orvena::report::engine
