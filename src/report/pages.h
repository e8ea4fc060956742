#pragma once
// Pages of a report: printable report pages with paper, margins and columns; the data page that
// holds data components; dialog pages.
#include <string>
#include <vector>

#include "report/component.h"
#include "report/datasets.h"

namespace orvena::report {

class Subreport;

class Page : public Component {
 public:
  Page() { m_roles |= kRolePage; }
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
};

enum class Orientation : uint8_t { Portrait, Landscape };
inline constexpr std::string_view kOrientationNames[] = {"poPortrait", "poLandscape"};
enum class Duplex : uint8_t { None, Vertical, Horizontal, Simplex };
inline constexpr std::string_view kDuplexNames[] = {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"};

class ReportPage : public Page {
 public:
  // A4 portrait, margins 0, both bins 7.
  ReportPage();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string base_name() const override { return "Page"; }

  Orientation orientation() const { return m_orientation; }
  // Swaps the paper dimensions and rotates the margins; the same orientation changes nothing.
  void set_orientation(Orientation o);
  double paper_width() const { return m_paper_width; }
  double paper_height() const { return m_paper_height; }
  int paper_size() const { return m_paper_size; }
  // Direct dimensions make the paper custom (256).
  void set_paper_width(double mm);
  void set_paper_height(double mm);
  // A table code sets the dimensions (swapped in landscape); 256 and above leave them alone.
  void set_paper_size(int code);
  int64_t columns() const { return m_columns; }
  // n > 0 divides the printable width into n columns; n <= 0 leaves no column positions.
  void set_columns(int64_t n);
  int64_t page_count() const { return m_page_count; }
  void set_page_count(int64_t n) {
    if (n >= 1) m_page_count = n;
  }
  // Margins 10 mm and the default paper (A4 portrait), as the designer does for a new page.
  void set_defaults();

  // Printable area in units (paper minus margins).
  double printable_width() const;
  double printable_height() const;
  // Children aligned inside the printable area, bands fitted to it; the page keeps its paper size.
  void align_children() override;

  double left_margin = 0, right_margin = 0, top_margin = 0, bottom_margin = 0;
  bool mirror_margins = false;
  double column_width = 0;
  std::vector<std::string> column_positions;
  int64_t bin = 7, bin_other_pages = 7;
  Picture back_picture;
  bool back_picture_visible = true, back_picture_printable = true, back_picture_stretched = true;
  int64_t color = kNoColor;
  DataLink data;
  Duplex duplex = Duplex::None;
  Frame frame;
  bool endless_height = false, endless_width = false, large_design_height = false;
  std::string outline_text;
  bool print_if_empty = true, print_on_previous_page = false, reset_page_numbers = false,
       title_before_header = true;
  std::vector<std::string> hguides, vguides;
  std::string on_after_print, on_before_print, on_manual_build;

  Ref<Subreport> subreport;  // the sub-report object that prints this page, if any

 private:
  void update_dimensions();
  Orientation m_orientation = Orientation::Portrait;
  double m_paper_width = 210, m_paper_height = 297;
  int m_paper_size = 9;
  int64_t m_columns = 0;
  int64_t m_page_count = 1;
};

// Holds the data components placed in a template; every loaded report has one.
class DataPage : public Page {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string base_name() const override { return "Data"; }
};

// An interactive form page; the unattended run never shows it.
class DialogPage : public Page {
 public:
  DialogPage() { m_roles |= kRoleDialogPage; }
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  std::string caption;
};

}  // namespace orvena::report
