#pragma once
// The built-in paper table: Windows paper codes 1 to 68 except 48 and 49, sizes in tenths of a
// millimetre. Codes of 256 and above are custom sizes.
#include <optional>

namespace orvena::report {

inline constexpr int kCustomPaper = 256;
inline constexpr int kPaperA4 = 9;

struct PaperSize {
  int code;
  int width;  // tenths of a millimetre
  int height;
};

std::optional<PaperSize> find_paper(int code);
int paper_count();

}  // namespace orvena::report
