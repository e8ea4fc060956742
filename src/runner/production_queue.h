#pragma once
// Where the runner hands a due report's production: started now, finished later, so that the
// runner can count and decide the next definitions meanwhile. The run's log, the deliveries and
// the final file names stay with the runner, which settles the jobs in definition order.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "core/datetime.h"
#include "runner/output_production.h"

namespace orvena::runner {

// One report file to make: the query's rows for "csv", else the template filled over them.
struct ProductionOrder {
  ReportFormat format;
  std::filesystem::path output;  // a partial file the runner renames once the job's turn comes
  std::string szablon_raportu;
  std::string sql;
  // The run's time when the report was ordered: what the report is dated with (a worker has
  // no clock of the run's own).
  core::DateTime ordered_at = 0;
};

// How a production ended: the made report's notices, or the error with its step.
struct ProductionOutcome {
  ProductionResult made;
  std::optional<ProductionError> error;
};

class ProductionQueue {
 public:
  virtual ~ProductionQueue() = default;
  // How many productions may run at once.
  virtual size_t capacity() const = 0;
  // Productions started and not yet returned by wait_any.
  virtual size_t busy() const = 0;
  virtual void start(size_t job, ProductionOrder order) = 0;
  // Blocks until one started production ends; only called while busy() > 0.
  virtual std::pair<size_t, ProductionOutcome> wait_any() = 0;
  // Ends every started production; wait_any returns them as failed.
  virtual void stop() = 0;
};

// Production in the calling process, one report at a time, through OutputProduction: for the
// tests and the tools that have no worker program.
class InProcessQueue final : public ProductionQueue {
 public:
  InProcessQueue(OutputProduction& production, SqlBuffer& sql) : m_production(production), m_sql(sql) {}
  size_t capacity() const override { return 1; }
  size_t busy() const override { return m_done ? 1 : 0; }
  void start(size_t job, ProductionOrder order) override;
  std::pair<size_t, ProductionOutcome> wait_any() override;
  void stop() override {}

 private:
  OutputProduction& m_production;
  SqlBuffer& m_sql;
  std::optional<std::pair<size_t, ProductionOutcome>> m_done;
};

// Runs one order with `production` (whose dataset and SQL box belong to the caller): the
// in-process queue and the worker program do exactly this.
ProductionOutcome produce_order(OutputProduction& production, SqlBuffer& sql, const ProductionOrder& order);

}  // namespace orvena::runner
