#include "runner/production_queue.h"

#include <stdexcept>

namespace orvena::runner {

ProductionOutcome produce_order(OutputProduction& production, SqlBuffer& sql, const ProductionOrder& order) {
  ProductionOutcome outcome;
  try {
    sql.set_text(order.sql);
    if (report_format(order.format).source == Source::Query)
      production.export_csv_full(order.output,
                                 {.delimiter = '"', .separator = ';', .header = CsvHeader::FieldNames});
    else
      outcome.made = production.export_report(order.format, order.output, order.szablon_raportu);
  } catch (const ProductionError& e) {
    outcome.error = e;
  } catch (const std::exception& e) {
    outcome.error = ProductionError(ProductionStep::Report, e.what());
  }
  return outcome;
}

void InProcessQueue::start(size_t job, ProductionOrder order) {
  if (m_done) throw std::logic_error("INTERNAL ERROR: a second production started in process");
  m_done.emplace(job, produce_order(m_production, m_sql, order));
}

std::pair<size_t, ProductionOutcome> InProcessQueue::wait_any() {
  if (!m_done) throw std::logic_error("INTERNAL ERROR: waiting for no production");
  auto done = std::move(*m_done);
  m_done.reset();
  return done;
}

}  // namespace orvena::runner
