#pragma once
// Totals: SUM, AVG, MIN, MAX and COUNT written in the text objects of footers.
//
// The page generator drives them (through EngineContext::totals()):
//   add_items(scopes)     at the start of a run, for each report page: every text object of the
//                         listed bands is scanned and each total it writes is registered
//   add_value(data_band)  after each printed record of a data band
//   reset(band)           after a footer, group footer, column footer or page footer printed
//   start_keep() / end_keep(KeepEnd::Merge or Discard)   around a kept block: additions made
//                         meanwhile go aside and are merged, or dropped when the block is cut away
//   add_value(data_band, column)   the same for one column of a vertical band (a cross-tab
//                         cell): counted in that column alone, read back with the column
//   delete_value(data_band)   undoes the last addition (a kept footer block moved)
//   clear_values()        before a second pass: everything back to nothing, running totals too
// Text objects read them while filling, through the SUM(...) calls of their expressions.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/variant.h"

namespace orvena::report {

class Band;
class CustomMemoView;
class DataBand;
class EngineContext;
class Page;
class Report;

enum class AggregateFunction : uint8_t { Sum = 0, Avg = 1, Min = 2, Max = 3, Count = 4 };

// The columns of a vertical band that one total keeps apart: 0 to kMaxTotalColumns - 1.
inline constexpr int kMaxTotalColumns = 1001;

// Flag bits of a total.
enum AggregateFlags : int64_t {
  kCountInvisible = 1,  // records of an invisible data band count too
  kDontReset = 2,       // a running total: kept across resets once it counted something
};

// A band whose text objects may hold totals, with the data band they count when a total names
// none (the data band of a footer, of a group footer, or the page's first top-level data band
// for a page footer, column footer and report summary; a vertical data band counts itself).
struct TotalsScope {
  Band* band = nullptr;
  DataBand* counted = nullptr;
};

// The scopes of a page from its bands' order: each data band with its footer (and the footer's
// child chain) and the group footers of the group headers before it, and the page footer, column
// footer and report summary counted over the first master data band. For callers that have not
// built the page's band structure themselves.
std::vector<TotalsScope> totals_scopes(Page& page);

// What one total has counted: the value (Empty: nothing yet) and how many records.
struct Tally {
  core::Variant value;
  int64_t count = 0;
};

struct AggregateItem {
  AggregateFunction function = AggregateFunction::Sum;
  std::string expression;  // trimmed; empty for COUNT
  DataBand* band = nullptr;
  Band* parent_band = nullptr;
  bool parent_is_page_footer = false;
  int64_t flags = 0;
  std::string call_text;  // as written, "SUM(<DaneOrvena."kwota">,MasterData1)"
  std::string memo_name;

  core::Variant value;  // Empty: nothing counted yet
  int64_t count = 0;
  core::Variant last_value;
  int64_t last_count = 0;
  core::Variant keep_value;
  int64_t keep_count = 0;
  bool keeping = false;

  // Per column of a vertical band, grown to the highest column counted; the same kept aside while
  // keeping, and the column of the last addition with what it held before.
  std::vector<Tally> columns, keep_columns;
  int last_column = -1;
  Tally last_column_tally;
};

class AggregateList {
 public:
  explicit AggregateList(EngineContext& context) : m_context(context) {}

  void add_items(std::span<const TotalsScope> scopes);
  // Registers the totals written in one text object of `scope.band`.
  void add_memo(const CustomMemoView& memo, const TotalsScope& scope);
  void add_value(DataBand& band);
  // A column past kMaxTotalColumns throws core::Error, counting nothing.
  void add_value(DataBand& band, int column);
  void delete_value(DataBand& band);
  void reset(Band& parent_band);
  void start_keep();
  enum class KeepEnd : uint8_t { Merge, Discard };
  void end_keep(KeepEnd how = KeepEnd::Merge);
  void clear_values();
  void clear() { m_items.clear(); }

  // The total of the item matching all of these (`band` null: any band); 0 when there is none
  // or it counted nothing. With a column (0 or more), that column's total.
  core::Variant get_value(const Band* parent_band, AggregateFunction function, std::string_view expression,
                          const DataBand* band, int64_t flags, int column = -1) const;

  const std::vector<std::unique_ptr<AggregateItem>>& items() const { return m_items; }

 private:
  void scan(std::string_view text, const CustomMemoView& memo, const TotalsScope& scope, int depth);
  void add(DataBand& band, int column);
  void register_call(AggregateFunction f, std::string_view call, std::string_view args,
                     const CustomMemoView& memo, const TotalsScope& scope);

  EngineContext& m_context;
  std::vector<std::unique_ptr<AggregateItem>> m_items;
  bool m_keeping = false;
  // Report variables being expanded by the scan, and how many expansions one text object made.
  std::vector<const void*> m_expanding;
  int m_expansions = 0;
};

// The band a total's band argument names: a band name, bare or quoted, looked up in the report;
// nothing for "0" or a name that is no data band.
DataBand* band_argument(Report& report, std::string_view text);

// "SUM" ... "COUNT" (any case) to the function; nullopt for other names.
std::optional<AggregateFunction> aggregate_function(std::string_view name);

}  // namespace orvena::report
