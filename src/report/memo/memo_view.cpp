// Filling, measuring and splitting text objects while a report is generated; filling barcodes,
// check boxes and the tags and links of other views, which take their values the same way.
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "core/error.h"
#include "core/text.h"
#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/report.h"
#include "report/text/text_layout.h"
#include "report/views.h"

namespace orvena::report {

using core::Variant;

namespace {

// The object being filled is the one named by errors and read as "Self" and "Value".
class CurrentObject {
 public:
  CurrentObject(Report& report, Component* c) : m_report(report), m_previous(report.current_object) {
    report.current_object.reset(c);
  }
  ~CurrentObject() { m_report.current_object = m_previous; }

 private:
  Report& m_report;
  Ref<Component> m_previous;
};

EngineContext& run_of(const Component& c) {
  Report* r = c.report();
  if (!r || !r->run) throw std::logic_error("INTERNAL ERROR: a text object filled outside a generation run");
  return *r->run;
}

bool is_zero(const Variant& v) {
  if (v.is_string() || v.is_null_or_empty()) return false;
  try {
    return core::compare(core::CompareOp::Equal, v, Variant(0));
  } catch (const core::Error&) {
    return false;
  }
}

// The string result of a hyperlink expression, quoted for the script language.
std::string quote_for_script(std::string_view language, const std::string& s) {
  if (core::equals_ignore_case(language, "PascalScript"))
    return '"' + core::replace_all(s, "\"", "\\\"") + '"';
  return '\'' + core::replace_all(s, "'", "''") + '\'';
}

std::string expand_with(EngineContext& ctx, std::string_view text) {
  return memo_text::expand(text, {}, [&](std::string_view e, size_t) { return ctx.calc(e).to_string(); });
}

// A text longer than one object may lay out is cut, and a notice of the run says which object's
// (once, however many records it printed). The report is still made: the rest of the text is
// what a reader needs.
void cut_long_text(CustomMemoView& m) {
  if (!text::cut_to_layout_limit(m.memo)) return;
  Report* r = m.report();
  if (!r || !r->run) return;
  r->add_notice(m.name() + ": tekst jest dłuższy niż " + std::to_string(text::kMaxLayoutText >> 20) +
                " MB i został obcięty");
}

// Frame lines that take room from the text: their widths on each side.
struct FrameRoom {
  double left = 0, right = 0, top = 0, bottom = 0;
};
FrameRoom frame_room(const Frame& f) {
  FrameRoom r;
  if (f.typ & kFrameLeft) r.left = f.left_line.width;
  if (f.typ & kFrameRight) r.right = f.right_line.width;
  if (f.typ & kFrameTop) r.top = f.top_line.width;
  if (f.typ & kFrameBottom) r.bottom = f.bottom_line.width;
  return r;
}

// The layout engine set up completely for the object's text area; `lines` is the text to lay out.
text::TextLayout& layout_for(const CustomMemoView& m, const std::vector<std::string>& lines,
                             double text_width, double text_height, bool first_para_break = false) {
  thread_local text::TextLayout layout;
  layout.set_font(text::layout_font(m.font()));
  text::LayoutOptions o;
  o.word_wrap = m.word_wrap;
  o.html_tags = m.allow_html_tags;
  o.rotation = int(m.rotation);
  o.wysiwyg = m.wysiwyg;
  o.clipped = m.clipped;
  o.word_break = m.word_break;
  o.rtl_reading = m.rtl_reading;
  layout.set_options(o);
  layout.set_gaps({m.line_spacing, m.char_spacing, m.paragraph_gap});
  text::Dimensions d;
  d.text = {0, 0, text_width, text_height};
  layout.set_dimensions(d);
  layout.set_text(lines, first_para_break);
  return layout;
}

double text_width_of(const CustomMemoView& m) {
  FrameRoom r = frame_room(m.frame);
  return m.width() - 2 * m.gap_x - r.left - r.right;
}

double text_height_of(const CustomMemoView& m) {
  FrameRoom r = frame_room(m.frame);
  return m.height() - 2 * m.gap_y - r.top - r.bottom;
}

// The steps every view takes when it is filled: its tag and hyperlink.
void fill_view_extras(EngineContext& ctx, View& view) {
  Hyperlink& hyperlink = view.hyperlink;
  if (view.tag_str.find('[') != std::string::npos) view.tag_str = expand_with(ctx, view.tag_str);
  if (view.url.find('[') != std::string::npos) view.url = expand_with(ctx, view.url);
  if (hyperlink.value.find('[') != std::string::npos) {
    std::string_view sep = hyperlink.values_separator;
    if (sep.empty()) {
      hyperlink.value = expand_with(ctx, hyperlink.value);
    } else {
      std::string out, rest = hyperlink.value;
      for (size_t at; (at = rest.find(sep)) != std::string::npos; rest.erase(0, at + sep.size()))
        out += expand_with(ctx, std::string_view(rest).substr(0, at)) + std::string(sep);
      hyperlink.value = out + expand_with(ctx, rest);
    }
  }
  if (!core::trimmed(hyperlink.expression).empty()) {
    Variant v = ctx.calc(hyperlink.expression);
    hyperlink.value = v.is_string() ? quote_for_script(ctx.report().script_language, v.str()) : v.to_string();
  }
}

}  // namespace

// ---- Printing ---------------------------------------------------------------------------------

void CustomMemoView::before_print() {
  View::before_print();
  // A text bound to a field is refilled on every printing, so there is nothing to keep.
  m_memo_saved = !(data.get() && !data_field.empty());
  if (m_memo_saved) m_saved_memo = memo;
}

void CustomMemoView::after_print() {
  View::after_print();
  // Swapped, not copied: the printed text left in the saved slot only lends its storage to the
  // next saving.
  if (m_memo_saved) memo.swap(m_saved_memo);
  m_memo_saved = false;
  for (auto& h : highlights) h->active = false;
  if (m_highlight_saved) {
    SavedHighlight& s = *m_highlight_saved;
    fill = s.fill;
    set_font(s.font);
    set_parent_font(s.parent_font);
    frame = s.frame;
    visible = s.visible;
    m_highlight_saved.reset();
  }
}

void CustomMemoView::get_data() {
  EngineContext& ctx = run_of(*this);
  Report& r = ctx.report();
  CurrentObject current(r, this);
  fill_view_extras(ctx, *this);

  display_format();  // an empty list gets its default item
  if (DataSet* ds = data.get(); ds && !data_field.empty()) {
    if (ds->is_blob_field(data_field)) {
      memo = ds->blob_lines(data_field);
    } else {
      value = ds->value(data_field);
      std::string text = formats.front()->kind != FormatKind::Text
                             ? memo_text::format_data(value, *formats.front())
                             : ds->display_text(data_field);
      if (hide_zeros && is_zero(value)) text.clear();
      set_text(text);
    }
  } else if (allow_expressions) {
    memo_text::Delimiters d = memo_text::split_delimiters(expression_delimiters);
    // A one-line text, the usual case, is read in place rather than joined.
    std::string joined;
    std::string_view text;
    if (memo.size() > 1)
      text = joined = this->text();
    else if (memo.size() == 1)
      text = memo[0];
    // Held outside the object while the expressions run: a script they call may refill or
    // change this object, which must not free the template being read.
    std::unique_ptr<memo_text::Template> t = std::move(m_template);
    if (!t || !t->reads(text, d))
      t = std::make_unique<memo_text::Template>(memo_text::parse_template(text, d));
    if (!t->parts.empty()) set_text(expand_expressions(*t));
    m_template = std::move(t);
  }

  cut_long_text(*this);
  apply_highlight();

  if (suppress_repeated) {
    std::string text = this->text();
    if (text == last_value)
      memo.clear();
    else
      last_value = std::move(text);
  }

  if (CustomMemoView* next = flow_to.get(); next && next != this) {
    text::TextLayout& layout = layout_for(*this, memo, text_width_of(*this), text_height_of(*this));
    text::SplitText split = layout.split();
    memo = core::split_lines(split.in_bounds);
    next->memo = core::split_lines(split.out_bounds);
    next->allow_expressions = false;
  }
}

std::string CustomMemoView::expand_expressions(const memo_text::Template& t) {
  EngineContext& ctx = run_of(*this);
  return memo_text::expand(t, [&](const memo_text::Template::Part& part, size_t index) -> std::string {
    if (part.macro) return *part.macro;
    value = ctx.calc(t.expression(part));
    if (hide_zeros && is_zero(value)) return {};
    const DisplayFormat& f = part.format ? *part.format : *formats[std::min(index, formats.size() - 1)];
    return memo_text::format_data(value, f);
  });
}

void CustomMemoView::apply_highlight() {
  EngineContext& ctx = run_of(*this);
  for (const auto& h : highlights) h->active = false;
  for (const auto& h : highlights) {
    if (core::trimmed(h->condition).empty()) continue;
    if (!ctx.calc(h->condition).to_bool()) continue;
    h->active = true;  // the prepared page records which one held
    if (!m_highlight_saved)
      m_highlight_saved.reset(new SavedHighlight{fill, font(), parent_font(), frame, visible});
    if (h->apply_font) set_font(h->font);
    if (h->apply_fill) fill = h->fill;
    if (h->apply_frame) frame = h->frame;
    visible = h->visible;
    return;
  }
}

// ---- Measuring and splitting ------------------------------------------------------------------

double CustomMemoView::calc_height() {
  cut_long_text(*this);  // a script may have set the text since it was filled
  FrameRoom r = frame_room(frame);
  double text_height = layout_for(*this, memo, text_width_of(*this), 1e6).calc_height();
  double extra = 2 * gap_y;
  if (frame.typ & kFrameTop) extra += (r.top - 1) / 2;
  if (frame.typ & kFrameBottom) extra += r.bottom / 2;
  if (frame.drop_shadow) extra += frame.shadow_width;
  return core::round_half_even(text_height + extra);
}

double CustomMemoView::calc_width() {
  FrameRoom r = frame_room(frame);
  // Measured unwrapped: the width the text would take on its own lines.
  double text_width = layout_for(*this, memo, 1e6, 1e6).calc_width();
  double extra = 2 * gap_x;
  if (frame.typ & kFrameLeft) extra += (r.left - 1) / 2;
  if (frame.typ & kFrameRight) extra += r.right / 2;
  if (frame.drop_shadow) extra += frame.shadow_width;
  return core::round_half_even(text_width + extra);
}

void CustomMemoView::init_part() {
  part_memo = text();
  first_para_break = last_para_break = false;
}

double CustomMemoView::draw_part() {
  text::TextLayout& layout = layout_for(*this, core::split_lines(part_memo), text_width_of(*this),
                                        text_height_of(*this), first_para_break);
  double unused = layout.unused_space();
  text::SplitText split = layout.split();
  memo = core::split_lines(split.in_bounds);
  part_memo = split.out_bounds;
  last_para_break = split.para_break;
  first_para_break = split.para_break;
  return unused == 0 ? height() : unused;
}

void CustomMemoView::extract_macros() {
  if (!allow_expressions) return;
  std::string copy_name;
  if (auto v = global_variables::get("CopyName" + std::to_string(copy_no))) copy_name = v->to_string();
  set_text(memo_text::extract_macros(text(), std::to_string(total_pages), copy_name));
}

// ---- Pictures, shapes, lines and other views -----------------------------------------------------

// They have no text of their own, but their tag and links are filled for each record like a
// text object's.
void View::get_data() {
  EngineContext& ctx = run_of(*this);
  CurrentObject current(ctx.report(), this);
  fill_view_extras(ctx, *this);
}

// ---- Barcodes and check boxes ------------------------------------------------------------------

namespace {

// A barcode's text for this printing: its data field, its expression or the brackets in its text.
std::string printed_code_text(View& view, const std::string& expression, const std::string& text) {
  EngineContext& ctx = run_of(view);
  CurrentObject current(ctx.report(), &view);
  fill_view_extras(ctx, view);
  if (DataSet* ds = view.data.get(); ds && !view.data_field.empty()) return ds->display_text(view.data_field);
  if (!core::trimmed(expression).empty()) return ctx.calc(expression).to_string();
  if (text.find('[') != std::string::npos) return expand_with(ctx, text);
  return text;
}

}  // namespace

void BarCodeView::before_print() {
  View::before_print();
  m_saved_text = text;
}

void BarCodeView::after_print() {
  View::after_print();
  text = m_saved_text;
}

void BarCodeView::get_data() {
  text = printed_code_text(*this, expression, text);
}

void Barcode2DView::before_print() {
  View::before_print();
  m_saved_text = text;
}

void Barcode2DView::after_print() {
  View::after_print();
  text = m_saved_text;
}

void Barcode2DView::get_data() {
  text = printed_code_text(*this, expression, text);
}

void CheckBoxView::before_print() {
  View::before_print();
  m_saved_checked = checked;
}

void CheckBoxView::after_print() {
  View::after_print();
  checked = m_saved_checked;
}

void CheckBoxView::get_data() {
  EngineContext& ctx = run_of(*this);
  CurrentObject current(ctx.report(), this);
  fill_view_extras(ctx, *this);
  if (DataSet* ds = data.get(); ds && !data_field.empty()) {
    Variant v = ds->value(data_field);
    checked = !v.is_null_or_empty() && v.to_bool();  // a null value reads as False
  } else if (!core::trimmed(expression).empty())
    checked = ctx.calc(expression).to_bool();
}

}  // namespace orvena::report
