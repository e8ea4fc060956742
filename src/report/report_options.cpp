#include "report/report_options.h"

#include "report/resources.h"

namespace orvena::report {

const ClassInfo& EngineOptions::static_class() {
  using E = EngineOptions;
  static const ClassInfo info(
      "TrpEngineOptions", nullptr,
      {
          boolean("ConvertNulls", &E::convert_nulls, true),
          boolean("DoublePass", &E::double_pass, false),
          integer("MaxMemSize", &E::max_mem_size, 10),
          boolean("PrintIfEmpty", &E::print_if_empty, true),
          ordinal_fn<E>(
              "SilentMode", PropKind::Boolean, [](const E& e) { return e.silent_mode(); },
              [](E& e, int64_t v) { e.set_silent_mode(v != 0); }, 0, kBooleanNames),
          enumeration("NewSilentMode", &E::new_silent_mode, kSilentModeNames, 0),
          string("TempDir", &E::temp_dir),
          boolean("UseFileCache", &E::use_file_cache, false),
          boolean("IgnoreDevByZero", &E::ignore_dev_by_zero, false),
      });
  return info;
}

void EngineOptions::clear() {
  convert_nulls = true;
  ignore_dev_by_zero = false;
  double_pass = false;
}

const ClassInfo& PreviewOptions::static_class() {
  using P = PreviewOptions;
  static const ClassInfo info(
      "TrpPreviewOptions", nullptr,
      {
          boolean("AllowEdit", &P::allow_edit, true),
          set_of("Buttons", &P::buttons, kPreviewButtonNames, kPreviewFirstTwelveButtons),
          boolean("DoubleBuffered", &P::double_buffered, true),
          boolean("Maximized", &P::maximized, true),
          boolean("MDIChild", &P::mdi_child, false),
          boolean("Modal", &P::modal, true),
          boolean("OutlineExpand", &P::outline_expand, true),
          boolean("OutlineVisible", &P::outline_visible, false),
          integer("OutlineWidth", &P::outline_width, 120),
          integer("PagesInCache", &P::pages_in_cache, 50),
          boolean("ThumbnailVisible", &P::thumbnail_visible, false),
          boolean("ShowCaptions", &P::show_captions, false),
          floating("Zoom", &P::zoom),
          enumeration("ZoomMode", &P::zoom_mode, kZoomModeNames, 0),
          boolean("PictureCacheInFile", &P::picture_cache_in_file, false),
      });
  return info;
}

void PreviewOptions::clear() {
  outline_expand = true;
  outline_visible = false;
  outline_width = 120;
  pages_in_cache = 50;
  thumbnail_visible = false;
}

PrintOptions::PrintOptions() : printer(resource("prDefault")) {}

const ClassInfo& PrintOptions::static_class() {
  using P = PrintOptions;
  static const ClassInfo info("TrpPrintOptions", nullptr,
                              {
                                  integer("Copies", &P::copies, 1),
                                  boolean("Collate", &P::collate, true),
                                  string("PageNumbers", &P::page_numbers),
                                  string("Printer", &P::printer),
                                  enumeration("PrintMode", &P::print_mode, kPrintModeNames, 0),
                                  integer("PrintOnSheet", &P::print_on_sheet, 0),
                                  enumeration("PrintPages", &P::print_pages, kPrintPagesNames, 0),
                                  boolean("Reverse", &P::reverse, false),
                                  boolean("ShowDialog", &P::show_dialog, true),
                                  boolean("SwapPageSize", &P::swap_page_size, false).not_stored(),
                              });
  return info;
}

void PrintOptions::clear() {
  PrintOptions fresh;
  *this = fresh;
}

const ClassInfo& ReportOptions::static_class() {
  using R = ReportOptions;
  static const ClassInfo info("TrpReportOptions", nullptr,
                              {
                                  string("Author", &R::author),
                                  boolean("Compressed", &R::compressed, false),
                                  string("ConnectionName", &R::connection_name),
                                  floating("CreateDate", &R::create_date),
                                  lines("Description", &R::description),
                                  string("InitString", &R::init_string),
                                  floating("LastChange", &R::last_change),
                                  string("Name", &R::name),
                                  string("Password", &R::password),
                                  nested<R>("Picture", [](R& r) { return &r.picture; }),
                                  string("VersionBuild", &R::version_build),
                                  string("VersionMajor", &R::version_major),
                                  string("VersionMinor", &R::version_minor),
                                  string("VersionRelease", &R::version_release),
                              });
  return info;
}

void ReportOptions::clear(core::DateTime now) {
  ReportOptions fresh;
  *this = fresh;
  create_date = now;
  last_change = now;
}

}  // namespace orvena::report
