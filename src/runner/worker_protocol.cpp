#include "runner/worker_protocol.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace orvena::runner {

std::string encode_fields(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) {
    out += std::to_string(f.size());
    out += ':';
    out += f;
  }
  return out;
}

std::optional<std::vector<std::string>> decode_fields(std::string_view message) {
  std::vector<std::string> fields;
  while (!message.empty()) {
    size_t length = 0;
    auto [end, ec] = std::from_chars(message.data(), message.data() + message.size(), length);
    if (ec != std::errc() || end == message.data() + message.size() || *end != ':') return std::nullopt;
    message.remove_prefix(static_cast<size_t>(end - message.data()) + 1);
    if (length > message.size()) return std::nullopt;
    fields.emplace_back(message.substr(0, length));
    message.remove_prefix(length);
  }
  return fields;
}

// order: format name, output, szablon_raportu, sql, ordered_at (exact: "%a")
std::string encode_order(const ProductionOrder& order) {
  char when[64];
  std::snprintf(when, sizeof when, "%a", order.ordered_at);
  return encode_fields({std::string(report_format(order.format).name), order.output.string(),
                        order.szablon_raportu, order.sql, when});
}

std::optional<ProductionOrder> decode_order(std::string_view message) {
  auto fields = decode_fields(message);
  if (!fields || fields->size() != 5) return std::nullopt;
  const ReportFormatInfo* format = find_report_format((*fields)[0]);
  if (!format || (*fields)[1].empty()) return std::nullopt;
  char* end = nullptr;
  const std::string& when = (*fields)[4];
  const double ordered_at = std::strtod(when.c_str(), &end);
  if (when.empty() || end != when.c_str() + when.size()) return std::nullopt;
  return ProductionOrder{format->format, (*fields)[1], (*fields)[2], (*fields)[3], ordered_at};
}

// outcome: "ok", notices... | "error", step number, reason
std::string encode_outcome(const ProductionOutcome& outcome) {
  if (outcome.error)
    return encode_fields(
        {"error", std::to_string(static_cast<int>(outcome.error->step())), outcome.error->what()});
  std::vector<std::string> fields = {"ok"};
  fields.insert(fields.end(), outcome.made.notices.begin(), outcome.made.notices.end());
  return encode_fields(fields);
}

std::optional<ProductionOutcome> decode_outcome(std::string_view message) {
  auto fields = decode_fields(message);
  if (!fields || fields->empty()) return std::nullopt;
  ProductionOutcome outcome;
  if ((*fields)[0] == "ok") {
    outcome.made.notices.assign(fields->begin() + 1, fields->end());
    return outcome;
  }
  if ((*fields)[0] != "error" || fields->size() != 3) return std::nullopt;
  int step = -1;
  const std::string& s = (*fields)[1];
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), step);
  if (ec != std::errc() || end != s.data() + s.size() || step < 0 ||
      step > static_cast<int>(ProductionStep::Report))
    return std::nullopt;
  outcome.error = ProductionError(static_cast<ProductionStep>(step), (*fields)[2]);
  return outcome;
}

}  // namespace orvena::runner
