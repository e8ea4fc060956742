#pragma once
// What the run and a worker process say to each other over the worker's one socket: the order
// (format, partial file, template, SQL) one way, the outcome (notices, or the failed step and its
// reason) the other. Each message is a list of fields, each "<length>:<bytes>", so that no text
// needs escaping; a message that does not parse is a worker that did not finish.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/production_queue.h"

namespace orvena::runner {

// The worker's exit status when an allocation failed under its memory limit.
inline constexpr int kWorkerOutOfMemory = 86;

// The longest message either side accepts: an order carries one SQL text, an outcome a few
// notices; anything larger is a broken peer, not a report.
inline constexpr size_t kMaxWorkerMessage = 64 * 1024 * 1024;

std::string encode_fields(const std::vector<std::string>& fields);
std::optional<std::vector<std::string>> decode_fields(std::string_view message);

std::string encode_order(const ProductionOrder& order);
std::optional<ProductionOrder> decode_order(std::string_view message);

std::string encode_outcome(const ProductionOutcome& outcome);
std::optional<ProductionOutcome> decode_outcome(std::string_view message);

}  // namespace orvena::runner
