#pragma once
// Bands: horizontal strips of a report page holding views. The band kinds differ only in which
// properties they store and how page generation treats them.
#include <memory>
#include <string>

#include "report/component.h"
#include "report/datasets.h"
#include "report/owned.h"

namespace orvena::report {

// Gaps around a band's background fill.
class FillGap : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t top = 0, left = 0, bottom = 0, right = 0;
};

class Band : public ReportComponent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }

  // The fixed number of the band kind (0 report title ... 17 overlay; a carrier band 0).
  int kind_number() const;
  // The class name without "Trp" and "Band" ("MasterData", "PageHeader").
  std::string display_name() const;

  Band* child() const { return m_child.get(); }
  // Throws "Circular child reference is not allowed" when `band`'s chain leads back here.
  void set_child(Band* band);

  FillHolder fill;
  FillGap fill_gap;
  bool vertical = false;
  std::string on_after_calc_height, on_after_print, on_before_print;

  // Kind-specific switches; each kind's table says which it stores.
  bool allow_split = false, keep_child = false, print_child_if_invisible = false, start_new_page = false,
       stretched = false, print_on_first_page = true, print_on_last_page = true, reprint_on_new_page = false,
       keep_together = false, print_on_top = false, hide_if_single_data_record = false;
  std::string outline_text;

 private:
  Ref<Band> m_child;
};

class ReportTitle : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class ReportSummary : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class PageHeader : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class PageFooter : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class HeaderBand : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class FooterBand : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

class DataBand : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  int64_t columns = 0;
  double column_width = 0, column_gap = 0;
  DataLink data;
  bool footer_after_each = false, keep_footer = false, keep_header = false, print_if_detail_empty = false;
  std::string filter, on_master_detail;
  int64_t row_count = 0;

  // What the band walks when it has no DataSet but a RowCount: RowCount records without fields.
  UserDataSet& row_source();

 private:
  NotCopied<UserDataSet> m_row_source;
};

class MasterData : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class DetailData : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class SubdetailData : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class DataBand4 : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class DataBand5 : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class DataBand6 : public DataBand {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

class GroupHeader : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string condition, drill_name;
  bool drill_down = false, expand_drill_down = false, reset_page_numbers = false,
       show_footer_if_drill_down = false, show_child_if_drill_down = false;
};
class GroupFooter : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  // Set by the engine when its group starts: the source and record number of the group's first
  // record, for the objects that read the group's rows (charts).
  const DataSet* group_source = nullptr;
  int64_t group_first_record = -1;
};
class ChildBand : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class ColumnHeader : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class ColumnFooter : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
class Overlay : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};
// An invisible carrier band used inside generated pages.
class NullBand : public Band {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

}  // namespace orvena::report
