#include "report/copy.h"

#include <type_traits>
#include <unordered_map>

#include "core/error.h"
#include "report/bands.h"
#include "report/chart.h"
#include "report/property_stream.h"
#include "report/values.h"
#include "report/views.h"

namespace orvena::report {

namespace {

// Class identity by table rather than dynamic_cast: copies run for every printed object.
void copy_defined(const Persistent& source, Persistent& target) {
  if (&source.class_info() == &Picture::static_class()) {
    static_cast<Picture&>(target) = static_cast<const Picture&>(source);
    return;
  }
  std::string stream = write_property_stream(source);
  if (!stream.empty()) read_property_stream(target, stream);
}

void copy_table(const Persistent& source, Persistent& target, CopyReferences references) {
  for (const PropInfo* p : source.class_info().all) {
    if (p->never_stored) continue;
    switch (p->kind) {
      case PropKind::Integer:
      case PropKind::Boolean:
      case PropKind::Enumeration:
      case PropKind::Set:
        if (p->set_ordinal) p->set_ordinal(target, p->get_ordinal(source));
        break;
      case PropKind::Float:
        if (p->set_float) p->set_float(target, p->get_float(source));
        break;
      case PropKind::String:
        if (p->set_string) p->set_string(target, p->get_string(source));
        break;
      case PropKind::StringList:
        if (p->set_lines) p->set_lines(target, p->get_lines(source));
        break;
      case PropKind::Object: {
        // A nested object made on demand (a single display format) exists only where the
        // stored rule says so; asking for it otherwise would create one in the source.
        if (!p->is_stored(source)) break;
        const Persistent* from = p->object(source);
        Persistent* to = p->get_object(target);
        if (from && to) copy_table(*from, *to, references);
        break;
      }
      case PropKind::Reference:
        if (references == CopyReferences::Keep && p->set_reference)
          p->set_reference(target, p->get_reference(source));
        break;
    }
  }
  copy_defined(source, target);
}

// ---- Copies by copy constructor ------------------------------------------------------------------

// The printed objects and bands: the classes a prepared page is rebuilt from, object by object.
// Their copy constructors copy what the property table copies (and the text objects' collections,
// which the table leaves to copy_collections); the structural copy test holds every class to that.
// A class missing here (pages, datasets, sub-reports with their page link, classes other
// subsystems register) is copied through its table.
struct FastClone {
  std::unique_ptr<Component> (*clone)(const Component&, CopyReferences);
  // A reference this file does not know how to clear sends a source holding it to the table copy.
  std::vector<const PropInfo*> unknown_references;
};

// What one printing left in an object is not part of it: a copy shows its own text only (a value
// left over would make a writer take the text for a number it no longer is).
void forget_printing(ReportComponent& c) {
  c.saved_bounds = {};
  if (!c.is(View::static_class())) return;
  auto& view = static_cast<View&>(c);
  view.saved_tag_str.clear();
  view.saved_hyperlink_value.clear();
  if (!c.is(CustomMemoView::static_class())) return;
  auto& memo = static_cast<CustomMemoView&>(c);
  memo.value = core::Variant();
  memo.last_value.clear();
  memo.part_memo.clear();
  memo.total_pages = memo.copy_no = 0;
  for (auto& h : memo.highlights) h->active = false;
}

// Leaves a copy where a table copy without references leaves it. The members are cleared
// directly: going through the reference setters would also clear a data link's source name, which
// the table copy keeps (and, through the name's setter, looks up again without a report).
template <class T>
void drop_references(T& copy) {
  if constexpr (std::is_base_of_v<Band, T>) copy.set_child(nullptr);
  if constexpr (std::is_base_of_v<DataBand, T>) {
    std::string name = copy.data.name();
    copy.data.data_set.reset();
    copy.data.set_name(name, nullptr);
  }
  if constexpr (std::is_base_of_v<CustomMemoView, T>) copy.flow_to.reset();
}

template <class T>
bool drops_reference(const PropInfo& p) {
  std::string_view name = p.name;
  return (std::is_base_of_v<Band, T> && name == "Child") ||
         (std::is_base_of_v<DataBand, T> && name == "DataSet") ||
         (std::is_base_of_v<CustomMemoView, T> && name == "FlowTo");
}

template <class T>
std::pair<const ClassInfo*, FastClone> fast_clone() {
  const ClassInfo& cls = T::static_class();
  FastClone entry{[](const Component& c, CopyReferences references) -> std::unique_ptr<Component> {
                    auto copy = std::make_unique<T>(static_cast<const T&>(c));
                    forget_printing(*copy);
                    if (references == CopyReferences::Drop) drop_references(*copy);
                    return copy;
                  },
                  {}};
  for (const PropInfo* p : cls.all)
    if (p->kind == PropKind::Reference && !drops_reference<T>(*p)) entry.unknown_references.push_back(p);
  return {&cls, std::move(entry)};
}

const FastClone* fast_clone_of(const ClassInfo& cls) {
  static const std::unordered_map<const ClassInfo*, FastClone> table = {
      fast_clone<MemoView>(),     fast_clone<SysMemoView>(),   fast_clone<LineView>(),
      fast_clone<PictureView>(),  fast_clone<ShapeView>(),     fast_clone<ChartView>(),
      fast_clone<BarCodeView>(),  fast_clone<Barcode2DView>(), fast_clone<CheckBoxView>(),
      fast_clone<ReportTitle>(),  fast_clone<ReportSummary>(), fast_clone<PageHeader>(),
      fast_clone<PageFooter>(),   fast_clone<HeaderBand>(),    fast_clone<FooterBand>(),
      fast_clone<MasterData>(),   fast_clone<DetailData>(),    fast_clone<SubdetailData>(),
      fast_clone<DataBand4>(),    fast_clone<DataBand5>(),     fast_clone<DataBand6>(),
      fast_clone<GroupHeader>(),  fast_clone<GroupFooter>(),   fast_clone<ChildBand>(),
      fast_clone<ColumnHeader>(), fast_clone<ColumnFooter>(),  fast_clone<Overlay>(),
      fast_clone<NullBand>(),
  };
  auto it = table.find(&cls);
  return it == table.end() ? nullptr : &it->second;
}

bool holds_unknown_references(const FastClone& fast, const Component& source) {
  for (const PropInfo* p : fast.unknown_references)
    if (p->get_reference(source)) return true;
  return false;
}

}  // namespace

void copy_properties(const Persistent& source, Persistent& target, CopyReferences references) {
  copy_table(source, target, references);
  if (auto* from = dynamic_cast<const Component*>(&source))
    static_cast<Component&>(target).copy_collections(*from);
}

std::unique_ptr<Component> clone_component(const Component& source, CopyChildren children,
                                           CopyReferences references) {
  const ClassInfo& cls = source.class_info();
  std::unique_ptr<Component> copy;
  const FastClone* fast = fast_clone_of(cls);
  if (fast && (references == CopyReferences::Keep || !holds_unknown_references(*fast, source))) {
    copy = fast->clone(source, references);
  } else {
    if (!cls.create) throw core::Error("INTERNAL ERROR: no factory for " + std::string(cls.name));
    copy = cls.create();
    copy->set_name(source.name());
    copy_table(source, *copy, references);
    copy->copy_collections(source);
  }
  if (children == CopyChildren::Yes)
    for (auto& child : source.objects()) copy->add(clone_component(*child, children, references));
  return copy;
}

}  // namespace orvena::report
