// Data bands: walking their sources record by record with filters, the detail rule, headers,
// footers, groups and detail levels.
#include "core/variant.h"
#include "report/bands.h"
#include "report/engine/engine.h"
#include "report/engine_context.h"
#include "report/memo/aggregates.h"
#include "report/prepared/prepared_pages.h"

namespace orvena::report {

using namespace engine;

namespace {

DataSet& source_of(BandInfo& b) {
  return b.data->data.get() ? *b.data->data.get() : b.data->row_source();
}

bool is_true(const core::Variant& v) {
  return v.type() == core::VarType::Bool && v.to_bool();
}

}  // namespace

void Engine::run_data_bands(const std::vector<BandInfo*>& bands) {
  for (BandInfo* b : bands) {
    if (m_report.terminated) return;
    run_data_band(*b);
  }
}

bool Engine::has_detail_record(BandInfo& band) {
  for (BandInfo* d : band.sub_bands) {
    m_ctx->call_handler(d->data->on_master_detail, d->band);
    DataSet& source = source_of(*d);
    for (source.first(); !source.eof(); source.next())
      if (d->sub_bands.empty() || d->data->print_if_detail_empty || has_detail_record(*d)) return true;
  }
  return false;
}

bool Engine::record_passes(BandInfo& band) {
  const DataBand& data = *band.data;
  if (!data.filter.empty() && !is_true(m_ctx->calc(data.filter))) return false;
  if (data.print_if_detail_empty || band.sub_bands.empty()) return true;
  // The detail check moves the detail sources; they are walked again from First when printed.
  return has_detail_record(band);
}

void Engine::run_data_band(BandInfo& band) {
  DataBand& data = *band.data;
  m_ctx->call_handler(data.on_master_detail, &data);
  DataSet& source = source_of(band);
  source.first();
  band.line_n = band.line_through = 1;
  forget_last_values(band);
  bool first = true;
  while (!source.eof() && !m_report.terminated) {
    if (record_passes(band)) {
      if (first) {
        if (band.header) {
          if (data.keep_header) start_keep(*band.header);
          if (band.header->band->reprint_on_new_page) m_headers.push_back({band.header, m_cur_x});
          show_band(band.header);
        }
        if (data.keep_together) start_keep(band);
      } else {
        if (!band.group && data.keep_together) start_keep(band);
        if (data.start_new_page && data.visible && !m_capture) {
          m_start_new_page_band = &band;
          new_page();
          m_start_new_page_band = nullptr;
        }
      }
      if (band.group) {
        if (first)
          show_group_headers(*band.group, 0, true, source);
        else
          check_group_change(band);
      }
      // KeepFooter: each record is kept until the next one starts, so the last one goes to the
      // next page with the footer rather than leave the footer alone there.
      if (data.keep_footer) {
        if (m_keep.band == &band) end_keep(band);
        start_keep(band);
      }
      m_ctx->state.line = band.line_n;
      m_ctx->state.line_through = band.line_through;
      show_band(&band);
      if (band.header && data.keep_header) end_keep(*band.header);
      ++band.line_n;
      ++band.line_through;
      // The next record of a row in columns starts where the row began.
      if (data.columns > 1) {
        if (++band.cur_column > data.columns)
          band.cur_column = 1;
        else
          m_cur_y = band.row_y;
      }
      bool outline = !data.outline_text.empty();
      if (outline)
        m_pages.outline().add_item(m_ctx->calc(data.outline_text).to_string(), m_pages.cur_page(), m_cur_y);
      run_data_bands(band.sub_bands);
      if (outline) m_pages.outline().level_up();
      if (data.footer_after_each && band.footer) show_band(band.footer);
      if (!band.group && data.keep_together && !data.keep_footer) end_keep(band);
      first = false;
    }
    source.next();
    if (data.row_count > 0 && data.row_count < band.line_n) break;
  }
  if (data.columns > 1 && band.cur_column > 1) m_cur_y = band.max_y;
  band.cur_column = 1;
  if (first) return;
  if (band.group) show_group_footers(*band.group, 0, band);
  if (band.footer && !data.footer_after_each) show_band(band.footer);
  if (data.keep_footer) end_keep(band);
  if (band.header) remove_header(band.header);
  if (band.group) end_keep(*band.group);
}

void Engine::show_group_headers(BandInfo& first, size_t from, bool first_instance, const DataSet& source) {
  auto& chain = first.sub_bands;
  for (size_t i = from; i < chain.size(); ++i) {
    BandInfo& h = *chain[i];
    if (i == from && !first_instance) {
      ++h.line_n;
    } else {
      h.line_n = 1;
    }
    h.last_condition = m_ctx->calc(h.group_header->condition);
    for (BandInfo* f : h.group_footers)
      if (auto* footer = dynamic_cast<GroupFooter*>(f->band)) {
        footer->group_source = &source;
        footer->group_first_record = source.rec_no();
      }
    if (i == from && !first_instance && h.band->start_new_page && h.band->visible && !m_capture) {
      if (h.group_header->reset_page_numbers) m_pages.reset_logical_page_number();
      m_start_new_page_band = &h;
      new_page();
      m_start_new_page_band = nullptr;
    }
    if (h.band->keep_together) start_keep(h);
    if (h.band->reprint_on_new_page) m_headers.push_back({&h, m_cur_x});
    m_ctx->state.line = h.line_n;
    m_ctx->state.line_through = h.line_n;
    show_band(&h);
    if (!h.band->outline_text.empty())
      m_pages.outline().add_item(m_ctx->calc(h.band->outline_text).to_string(), m_pages.cur_page(), m_cur_y);
  }
}

void Engine::check_group_change(BandInfo& band) {
  BandInfo& first = *band.group;
  auto& chain = first.sub_bands;
  size_t level = chain.size();
  for (size_t i = 0; i < chain.size(); ++i) {
    if (!(m_ctx->calc(chain[i]->group_header->condition) == chain[i]->last_condition)) {
      level = i;
      break;
    }
  }
  if (level == chain.size()) return;
  // Footers show the last record of the group that ended, so the source steps back for them.
  DataSet& source = source_of(band);
  bool stepped = false;
  try {
    source.prior();
    stepped = true;
  } catch (const std::exception&) {
  }
  show_group_footers(first, level, band);
  if (stepped) source.next();
  show_group_headers(first, level, false, source);
  band.line_n = 1;
  forget_last_values(band);
}

void Engine::show_group_footers(BandInfo& first, size_t down_to, BandInfo& data) {
  auto& chain = first.sub_bands;
  for (size_t i = chain.size(); i-- > down_to;) {
    BandInfo& h = *chain[i];
    for (BandInfo* f : h.group_footers) {
      // A group of one record needs no footer summing it up; its totals restart all the same.
      if (f->band->hide_if_single_data_record && data.line_n < 3) {
        m_ctx->totals().reset(*f->band);
        continue;
      }
      m_ctx->state.line = h.line_n;
      show_band(f);
    }
    // The group's bookmark held its records' bookmarks; the next group's stands beside it.
    if (!h.band->outline_text.empty()) m_pages.outline().level_up();
    remove_header(&h);
    end_keep(h);
  }
}

}  // namespace orvena::report
