#include "runner/day_rules.h"

#include "core/locale.h"
#include "core/text.h"

namespace orvena::runner {

namespace {

// ORDER: day-of-week number 1 (Sunday) to 7 (Saturday).
constexpr std::array<std::string_view, 7> kNames = {"nie", "pon", "wto", "śro", "czw", "pią", "sob"};

// The character (code point) at a 1-based position, or "" past the end.
std::string char_at(std::string_view text, int position) {
  return core::utf8_substr(text, static_cast<size_t>(position - 1), 1);
}

}  // namespace

std::string_view weekday_name(int day_of_week) {
  if (day_of_week < 1 || day_of_week > 7) return {};
  return kNames[static_cast<size_t>(day_of_week - 1)];
}

std::string_view weekday_name_of(core::DateTime date) {
  return weekday_name(core::day_of_week(date));
}

int weekday_flag_position(std::string_view name) {
  for (int dow = 1; dow <= 7; ++dow) {
    // Sunday is the last flag, Monday the first.
    if (kNames[static_cast<size_t>(dow - 1)] == name) return dow == 1 ? 7 : dow - 1;
  }
  return 0;
}

bool weekday_flag_set(std::string_view dni_raportu, std::string_view name) {
  int position = weekday_flag_position(name);
  return position != 0 && char_at(dni_raportu, position) == "1";
}

std::string month_day_key(core::DateTime date) {
  return core::utf8_substr(core::Locale::format_date(date), 5);
}

bool month_day_listed(const std::vector<std::string>& daty, std::string_view key) {
  for (const auto& entry : daty) {
    if (core::equals_ignore_case(entry, key)) return true;
  }
  return false;
}

std::string weekday_text(const std::array<bool, 7>& ticked) {
  std::string out;
  for (bool t : ticked) out += t ? '1' : '0';
  return out;
}

std::array<bool, 7> weekday_boxes(std::string_view dni_raportu) {
  std::array<bool, 7> boxes{};
  for (int k = 1; k <= 7; ++k) boxes[static_cast<size_t>(k - 1)] = char_at(dni_raportu, k) == "1";
  return boxes;
}

}  // namespace orvena::runner
