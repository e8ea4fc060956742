// Showing one band: preparing it (data, stretching, the shift tree), fitting it on the page or
// splitting it across pages, handing it to the store, then its child, sub-reports and totals.
// Keeping blocks together lives here too, as it decides where a band goes.
#include <algorithm>
#include <utility>

#include "core/error.h"
#include "report/bands.h"
#include "report/copy.h"
#include "report/engine/engine.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/pages.h"
#include "report/prepared/prepared_pages.h"
#include "report/views.h"

namespace orvena::report {

using namespace engine;

namespace {

constexpr double kEpsilon = 1e-4;

bool is_data_kind(int kind) {
  return kind >= kMasterData && kind <= kData6;
}

}  // namespace

void Engine::show_band(Band& band) {
  show_band(&info(band));
}

void Engine::show_band(BandInfo* b) {
  if (!b) return;
  Band& band = *b->band;
  if (band.keep_child) start_keep(*b);
  // Data bands and group headers break before their later records and instances themselves.
  if (band.start_new_page && band.visible && !m_adding_page && !m_capture && !m_first_band &&
      !is_data_kind(b->kind) && b->kind != kGroupHeader) {
    m_start_new_page_band = b;
    new_page();
    m_start_new_page_band = nullptr;
  }
  m_ctx->state.current_band = &band;
  prepare_band(*b);
  bool in_parts = false;
  // A record right of the first in a row of columns stands beside the first one, which already fit.
  bool beside = b->data && b->data->columns > 1 && b->cur_column > 1;
  // Bands printed into a sub-report's band never break: they go wherever that band goes.
  bool breaks = b->kind != kOverlay && b->kind != kPageFooter && b->kind != kColumnFooter && !b->carrier &&
                !beside && !m_capture;
  if (band.visible && breaks && free_space() < band.height() - kEpsilon) {
    bool too_tall = band.height() > m_page_height - footer_height();
    if ((band.allow_split && !m_keep.active) || too_tall) {
      if (!band.allow_split && !m_first_band) {
        after_print(*b);
        new_column();
        m_ctx->state.current_band = &band;
        prepare_band(*b);
      }
      if (m_keep.band == b) drop_keep();
      print_in_parts(*b);
      in_parts = true;
    } else if (!(b->kind == kChild && m_adding_page)) {
      // The band goes to the next column or page and is filled again there: page numbers and
      // repeated values belong to where it prints.
      after_print(*b);
      if (!m_keep.active) forget_last_values(*b);
      m_start_new_page_band = nullptr;
      m_moving_band = b;
      new_column();
      m_moving_band = nullptr;
      m_ctx->state.current_band = &band;
      prepare_band(*b);
    }
  }
  if (!in_parts && band.visible) place_band(*b);
  after_print(*b);
  if (!is_data_kind(b->kind)) m_ctx->totals().reset(band);
  if (band.visible) run_subreports(*b);
  if (b->child && (band.visible || band.print_child_if_invisible) && !beside) show_band(b->child);
  if (band.keep_child) end_keep(*b);
  // Totals decide themselves whether an invisible band's records count.
  if (b->data) m_ctx->totals().add_value(*b->data);
}

void Engine::prepare_band(BandInfo& b) {
  Band& band = *b.band;
  if (!b.shift_tree_built) build_shift_tree(b);
  band.before_print();
  m_ctx->call_handler(band.on_before_print, &band);
  auto& nodes = b.shift_tree;
  for (ShiftNode& node : nodes) {
    View& v = *node.object;
    v.before_print();
    if (band.visible) m_ctx->call_handler(v.on_before_print, &v);
    if (v.visible) {
      v.get_data();
      m_ctx->call_handler(v.on_after_data, &v);
    }
  }

  // Growth of each object and how far it pushes the objects hanging below it.
  // Made only when something grows: most bands print at their design height, record after record.
  std::vector<double> grow;
  for (size_t i = 0; i < nodes.size(); ++i) {
    ShiftNode& node = nodes[i];
    if (!node.stretches || !node.memo || !node.object->visible) continue;
    double h = node.memo->calc_height();
    if (h > node.object->height()) {
      if (grow.empty()) grow.assign(nodes.size(), 0);
      grow[i] = h - node.object->height();
      node.object->set_height(h);
    }
  }
  if (!grow.empty()) {
    std::vector<double> push(nodes.size(), 0);
    for (size_t i = 0; i < nodes.size(); ++i) {
      View& v = *nodes[i].object;
      int p = nodes[i].parent;
      double above = p < 0 ? 0 : push[p];
      double old_top = v.top();
      switch (v.shift_mode) {
        case ShiftMode::Always:
          v.set_top(old_top + above);
          break;
        case ShiftMode::DontShift:
          break;
        case ShiftMode::WhenOverlapped:
          if (p >= 0) {
            const View& parent = *nodes[p].object;
            v.set_top(std::max(old_top, parent.top() + parent.height()));
          }
          break;
      }
      // A fixed object passes on the growth above it; a moved one passes on how far its bottom went.
      push[i] = v.shift_mode == ShiftMode::DontShift ? above + grow[i] : v.top() - old_top + grow[i];
    }
  }

  print_on_parent(b);
  if (band.stretched) {
    double bottom = 0;
    for (const ShiftNode& node : nodes)
      if (node.object->visible) bottom = std::max(bottom, node.object->top() + node.object->height());
    for (const Component* c : b.captured) bottom = std::max(bottom, c->top() + c->height());
    band.set_height(bottom);
  }
  m_ctx->call_handler(band.on_after_calc_height, &band);
  for (ShiftNode& node : nodes)
    if (node.max_height && node.object->visible) node.object->set_height(band.height() - node.object->top());
}

void Engine::print_on_parent(BandInfo& b) {
  for (ShiftNode& node : b.shift_tree) {
    Subreport* sub = node.subreport;
    if (!sub || !sub->visible || !sub->print_on_parent || !sub->page_ref()) continue;
    PageInfo* target = nullptr;
    for (auto& p : m_page_infos)
      if (p->page == sub->page_ref()) target = p.get();
    if (!target) continue;
    Capture capture{b.band, sub->left(), sub->top(), {}};
    Capture* outer = std::exchange(m_capture, &capture);
    try {
      run_data_bands(target->data_bands);
    } catch (...) {
      m_capture = outer;
      for (Component* c : capture.added) c->set_parent(nullptr);
      throw;
    }
    m_capture = outer;
    b.captured.insert(b.captured.end(), capture.added.begin(), capture.added.end());
    // The band holds what was printed into it.
    if (capture.y > b.band->height()) {
      if (b.height_before_capture < 0) b.height_before_capture = b.band->height();
      b.band->set_height(capture.y);
    }
  }
}

void Engine::place_band(BandInfo& b) {
  Band& band = *b.band;
  if (m_capture) {
    // Printing into the band of a sub-report object: copies of the band's objects as they are
    // now (filled for this record) become objects of that band, one band below the other.
    for (const auto& child : band.objects()) {
      if (!child->visible) continue;
      std::unique_ptr<Component> copy = clone_component(*child, CopyChildren::Yes);
      copy->set_name("");
      copy->set_bounds(m_capture->x + child->left(), m_capture->y + child->top(), child->width(),
                       child->height());
      m_capture->added.push_back(m_capture->host->add(std::move(copy)));
    }
    m_capture->y += band.height();
    return;
  }
  if (b.data && b.data->columns > 1) {
    if (b.cur_column == 1) b.row_y = m_cur_y, b.max_y = m_cur_y;
    band.set_left(m_cur_x + (b.data->column_width + b.data->column_gap) * (b.cur_column - 1));
    band.set_top(b.row_y);
    b.placed_top = b.row_y;
    m_pages.add_object(band);
    b.max_y = std::max(b.max_y, b.row_y + band.height());
    note_width(b);
    m_cur_y = b.max_y;
  } else {
    band.set_left(m_cur_x);
    band.set_top(m_cur_y);
    b.placed_top = m_cur_y;
    if (!m_adding_page || !m_pages.band_exists(band)) m_pages.add_object(band);
    m_cur_y += band.height();
    note_width(b);
  }
  if (!m_adding_page && b.kind != kOverlay) m_first_band = false;
}

// Bands take the page's width; what reaches past it are objects placed beyond the band's edge.
void Engine::note_width(const BandInfo& b) {
  double right = b.band->width();
  for (const ShiftNode& node : b.shift_tree)
    right = std::max(right, node.object->left() + node.object->width());
  m_widest = std::max(m_widest, b.band->left() + right);
}

void Engine::after_print(BandInfo& b) {
  Band& band = *b.band;
  for (ShiftNode& node : b.shift_tree) {
    if (band.visible) m_ctx->call_handler(node.object->on_after_print, node.object);
    node.object->after_print();
  }
  m_ctx->call_handler(band.on_after_print, &band);
  band.after_print();
  // What a sub-report printed into the band was for this printing only.
  for (Component* c : b.captured) c->set_parent(nullptr);
  b.captured.clear();
  if (b.height_before_capture >= 0) {
    band.set_height(b.height_before_capture);
    b.height_before_capture = -1;
  }
}

void Engine::print_in_parts(BandInfo& b) {
  Band& band = *b.band;
  struct Piece {
    ShiftNode* node;
    double top, height;
    bool visible, done;
  };
  std::vector<Piece> pieces;
  for (ShiftNode& node : b.shift_tree) {
    View& v = *node.object;
    pieces.push_back({&node, v.top(), v.height(), v.visible, !v.visible});
    if (node.memo && v.visible) node.memo->init_part();
  }
  double consumed = 0;
  bool fresh = false;  // the last part began on a new page or column
  auto remaining = [&] {
    return std::any_of(pieces.begin(), pieces.end(), [](const Piece& p) { return !p.done; });
  };
  do {
    double free = free_space();
    double part_height = 0;
    for (Piece& p : pieces) {
      View& v = *p.node->object;
      v.visible = false;
      if (p.done) continue;
      double rel = p.top - consumed;
      if (rel >= free - kEpsilon && !(fresh && rel <= kEpsilon)) continue;
      v.visible = true;
      v.set_top(rel);
      double room = free - rel;
      if (p.node->memo && p.node->stretches) {
        CustomMemoView& memo = *p.node->memo;
        memo.set_height(room);
        memo.draw_part();
        if (memo.part_memo.empty()) {
          memo.set_height(std::min(p.height, room));
          p.done = true;
        } else {
          // The rest starts at the top of the next part.
          p.top = consumed + free;
          p.height = std::max(0.0, p.height - room);
        }
      } else if (p.height <= room + kEpsilon || fresh) {
        v.set_height(std::min(p.height, std::max(room, 0.0)));
        p.done = true;
      } else {
        v.visible = false;
        p.top = consumed + free;  // does not fit here; starts the next part
        continue;
      }
      part_height = std::max(part_height, rel + v.height());
    }
    // A fresh page where nothing of the band fits would repeat for ever: headers and footers
    // leave it no room.
    if (fresh && part_height <= kEpsilon && remaining())
      throw core::Error("Wstęga " + band.name() + " nie mieści się na stronie");
    band.set_left(m_cur_x);
    band.set_top(m_cur_y);
    band.set_height(part_height);
    m_pages.add_object(band);
    m_cur_y += part_height;
    m_first_band = false;
    consumed += free;
    if (remaining()) {
      new_column();
      fresh = true;
      if (m_report.pump) m_report.pump();
    }
    if (m_report.terminated) break;
  } while (remaining());
  for (Piece& p : pieces) p.node->object->visible = p.visible;
}

void Engine::run_subreports(BandInfo& b) {
  struct Reach {
    int page;
    int column;
    double y;
  };
  std::optional<Reach> furthest;
  double base_x = m_cur_x;
  for (ShiftNode& node : b.shift_tree) {
    Subreport* sub = node.subreport;
    if (!sub || !sub->visible || sub->print_on_parent || !sub->page_ref()) continue;
    PageInfo* target = nullptr;
    for (auto& p : m_page_infos)
      if (p->page == sub->page_ref()) target = p.get();
    if (!target) continue;
    int start_page = m_pages.cur_page(), start_column = m_cur_column;
    m_cur_x = base_x + sub->left();
    m_cur_y = b.placed_top + sub->top();
    run_data_bands(target->data_bands);
    Reach reach{m_pages.cur_page(), m_cur_column, m_cur_y};
    if (!furthest ||
        std::tie(reach.page, reach.column, reach.y) > std::tie(furthest->page, furthest->column, furthest->y))
      furthest = reach;
    // The next sub-report of the band starts where the band is, not where this one ended.
    if (m_pages.cur_page() != start_page || m_cur_column != start_column) {
      m_pages.set_cur_page(start_page);
      m_cur_column = start_column;
    }
  }
  if (!furthest) return;
  m_pages.set_cur_page(furthest->page);
  m_cur_column = furthest->column;
  m_cur_x = base_x;
  m_cur_y = std::max(furthest->y, b.placed_top + b.band->height());
}

void Engine::start_keep(BandInfo& b) {
  if (m_keep.active || m_first_band) return;
  prepared::Outline& outline = m_pages.outline();
  m_keep = {true,
            &b,
            m_cur_y,
            m_pages.current_position(),
            &outline.current(),
            outline.current_position(),
            m_headers.size()};
  m_ctx->totals().start_keep();
}

void Engine::end_keep(BandInfo& b) {
  if (!m_keep.active || m_keep.band != &b) return;
  m_keep = {};
  m_ctx->totals().end_keep();
}

void Engine::forget_last_values(BandInfo& b) {
  m_ctx->forget_last_values(*b.band);
}

}  // namespace orvena::report
