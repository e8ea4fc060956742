#pragma once
// The option objects a report owns: engine, preview, print and report options.
#include <string>
#include <vector>

#include "core/datetime.h"
#include "report/property.h"
#include "report/values.h"

namespace orvena::report {

enum class SilentMode : uint8_t { MessageBoxes, Silent, ReThrow };
inline constexpr std::string_view kSilentModeNames[] = {"simMessageBoxes", "simSilent", "simReThrow"};

class EngineOptions : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  // What a report's Clear resets.
  void clear();

  bool convert_nulls = true;
  bool double_pass = false;
  int64_t max_mem_size = 10;
  bool print_if_empty = true;
  SilentMode new_silent_mode = SilentMode::MessageBoxes;
  // A Boolean view of new_silent_mode.
  bool silent_mode() const { return new_silent_mode == SilentMode::Silent; }
  void set_silent_mode(bool v) { new_silent_mode = v ? SilentMode::Silent : SilentMode::MessageBoxes; }
  std::string temp_dir;
  bool use_file_cache = false;
  bool ignore_dev_by_zero = false;
  // Not persisted.
  bool enable_thread_safe = false;
  bool use_global_data_set_list = true;
  bool destroy_forms = true;
};

enum PreviewButtonBits : int64_t { kPreviewFirstTwelveButtons = 4095 };
inline constexpr std::string_view kPreviewButtonNames[] = {
    "pbPrint",     "pbLoad",        "pbSave",      "pbExport",       "pbZoom",
    "pbFind",      "pbOutline",     "pbPageSetup", "pbTools",        "pbEdit",
    "pbNavigator", "pbExportQuick", "pbNoClose",   "pbNoFullScreen", "pbNoEmail"};
enum class ZoomMode : uint8_t { Default, WholePage, PageWidth, ManyPages };
inline constexpr std::string_view kZoomModeNames[] = {"zmDefault", "zmWholePage", "zmPageWidth",
                                                      "zmManyPages"};

class PreviewOptions : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  void clear();

  bool allow_edit = true;
  int64_t buttons = kPreviewFirstTwelveButtons;
  bool double_buffered = true;
  bool maximized = true;
  bool mdi_child = false;
  bool modal = true;
  bool outline_expand = true;
  bool outline_visible = false;
  int64_t outline_width = 120;
  int64_t pages_in_cache = 50;
  bool thumbnail_visible = false;
  bool show_captions = false;
  double zoom = 1;
  ZoomMode zoom_mode = ZoomMode::Default;
  bool picture_cache_in_file = false;
};

enum class PrintMode : uint8_t { Default, Split, Join, Scale };
inline constexpr std::string_view kPrintModeNames[] = {"pmDefault", "pmSplit", "pmJoin", "pmScale"};
enum class PrintPages : uint8_t { All, Odd, Even };
inline constexpr std::string_view kPrintPagesNames[] = {"ppAll", "ppOdd", "ppEven"};

class PrintOptions : public Persistent {
 public:
  PrintOptions();
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  void clear();

  int64_t copies = 1;
  bool collate = true;
  std::string page_numbers;
  std::string printer;
  PrintMode print_mode = PrintMode::Default;
  int64_t print_on_sheet = 0;
  PrintPages print_pages = PrintPages::All;
  bool reverse = false;
  bool show_dialog = true;
  bool swap_page_size = false;
  // Not persisted.
  int64_t splicing_line = 3;
};

class ReportOptions : public Persistent {
 public:
  static const ClassInfo& static_class();
  const ClassInfo& class_info() const override { return static_class(); }
  // Empties everything; both dates become `now`.
  void clear(core::DateTime now);

  std::string author;
  bool compressed = false;
  std::string connection_name;
  core::DateTime create_date = 0;
  core::DateTime last_change = 0;
  std::vector<std::string> description;
  std::string init_string;
  std::string name;
  std::string password;
  Picture picture;
  std::string version_build, version_major, version_minor, version_release;
};

}  // namespace orvena::report
