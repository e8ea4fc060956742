// EAN-8, EAN-13, UPC-A, UPC-E and the two- and five-digit add-ons (ISO/IEC 15420).
#include <array>

#include "core/error.h"
#include "objects/barcode_symbols_p.h"

namespace orvena::objects::detail {

namespace {

// Set A (odd parity) digits: space, bar, space, bar in modules. Set C is the same widths
// starting with a bar; set B is set C mirrored.
constexpr std::array<std::string_view, 10> kSetA = {"3211", "2221", "2122", "1411", "1132",
                                                    "1231", "1114", "1312", "1213", "3112"};
// EAN-13: the sets of the left half's digits, chosen by the leading digit.
constexpr std::array<std::string_view, 10> kLeadingParity = {
    "AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB", "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// UPC-E with number system 0: the sets chosen by the check digit; number system 1 swaps them.
constexpr std::array<std::string_view, 10> kUpcEParity = {"BBBAAA", "BBABAA", "BBAABA", "BBAAAB", "BABBAA",
                                                          "BAABBA", "BAAABB", "BABABA", "BABAAB", "BAABAB"};
constexpr std::array<std::string_view, 10> kSupp5Parity = {"BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
                                                           "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};
constexpr std::array<std::string_view, 4> kSupp2Parity = {"AA", "AB", "BA", "BB"};

void append_digit(std::string& out, char digit, char set) {
  std::string_view w = kSetA[digit - '0'];
  if (set == 'B') {
    std::string mirrored(w.rbegin(), w.rend());
    append_modules(out, mirrored, false);
  } else {
    append_modules(out, w, set == 'C');
  }
}

void append_guard(std::string& out, std::string_view modules_from_bar) {
  append_modules(out, modules_from_bar);
}

// The digits with their check digit: a text one shorter than `full` gets it appended; a text
// of full length keeps the one it has, unless `recalc` asks for it to be worked out again.
std::string with_check_digit(std::string_view digits, size_t full, bool recalc, std::string_view name) {
  if (digits.size() + 1 == full) return std::string(digits) + char('0' + gs1_check_digit(digits));
  if (digits.size() != full) throw core::Error(length_error(name));
  if (!recalc) return std::string(digits);
  std::string_view body = digits.substr(0, full - 1);
  return std::string(body) + char('0' + gs1_check_digit(body));
}

// UPC-E's six digits as the UPC-A number they stand for (without its check digit).
std::string upc_e_expanded(char number_system, std::string_view d) {
  std::string s(1, number_system);
  switch (d[5]) {
    case '0':
    case '1':
    case '2':
      return s + std::string(d.substr(0, 2)) + d[5] + "0000" + std::string(d.substr(2, 3));
    case '3':
      return s + std::string(d.substr(0, 3)) + "00000" + std::string(d.substr(3, 2));
    case '4':
      return s + std::string(d.substr(0, 4)) + "00000" + d[4];
    default:
      return s + std::string(d.substr(0, 5)) + "0000" + d[5];
  }
}

EncodedBarcode ean13(std::string_view digits, bool recalc, std::string_view name) {
  EncodedBarcode e;
  std::string_view full_name = name;
  std::string d = digits.size() <= 12 && name == "UPC_A"
                      ? "0" + with_check_digit(digits, 12, recalc, full_name)
                      : with_check_digit(digits, 13, recalc, full_name);
  e.text = name == "UPC_A" ? d.substr(1) : d;
  std::string_view parity = kLeadingParity[d[0] - '0'];
  append_guard(e.pattern, "111");
  for (size_t i = 0; i < 6; ++i) append_digit(e.pattern, d[1 + i], parity[i]);
  append_modules(e.pattern, "11111", false);
  for (size_t i = 7; i < 13; ++i) append_digit(e.pattern, d[i], 'C');
  append_guard(e.pattern, "111");
  return e;
}

}  // namespace

EncodedBarcode encode_ean_upc(BarcodeType type, std::string_view digits, bool calc_check_sum) {
  EncodedBarcode e;
  switch (type) {
    case BarcodeType::Ean8: {
      std::string d = with_check_digit(digits, 8, calc_check_sum, "EAN8");
      append_guard(e.pattern, "111");
      for (size_t i = 0; i < 4; ++i) append_digit(e.pattern, d[i], 'A');
      append_modules(e.pattern, "11111", false);
      for (size_t i = 4; i < 8; ++i) append_digit(e.pattern, d[i], 'C');
      append_guard(e.pattern, "111");
      e.text = d;
      return e;
    }
    case BarcodeType::Ean13:
      return ean13(digits, calc_check_sum, "EAN13");
    case BarcodeType::UpcA:
      if (digits.size() != 11 && digits.size() != 12) throw core::Error(length_error("UPC_A"));
      return ean13(digits, calc_check_sum, "UPC_A");
    case BarcodeType::UpcE0:
    case BarcodeType::UpcE1: {
      // Six digits, or seven with the check digit; the check digit is that of the UPC-A number.
      if (digits.size() != 6 && digits.size() != 7) throw core::Error(length_error("UPC_E"));
      char ns = type == BarcodeType::UpcE0 ? '0' : '1';
      std::string_view six = digits.substr(0, 6);
      char check = char('0' + gs1_check_digit(upc_e_expanded(ns, six)));
      if (digits.size() == 7 && !calc_check_sum) check = digits[6];
      std::string_view parity = kUpcEParity[check - '0'];
      append_guard(e.pattern, "111");
      for (size_t i = 0; i < 6; ++i) {
        char set = parity[i];
        if (ns == '1') set = set == 'A' ? 'B' : 'A';
        append_digit(e.pattern, six[i], set);
      }
      append_modules(e.pattern, "111111", false);
      e.text = std::string(six) + check;
      return e;
    }
    case BarcodeType::UpcSupp2:
    case BarcodeType::UpcSupp5: {
      bool two = type == BarcodeType::UpcSupp2;
      if (digits.size() != (two ? 2u : 5u)) throw core::Error(length_error(two ? "UPC_Supp2" : "UPC_Supp5"));
      std::string_view parity;
      if (two) {
        parity = kSupp2Parity[((digits[0] - '0') * 10 + (digits[1] - '0')) % 4];
      } else {
        int sum = 0;
        for (size_t i = 0; i < 5; ++i) sum += (digits[i] - '0') * (i % 2 ? 9 : 3);
        parity = kSupp5Parity[sum % 10];
      }
      append_guard(e.pattern, "112");
      for (size_t i = 0; i < digits.size(); ++i) {
        if (i) append_modules(e.pattern, "11", false);
        append_digit(e.pattern, digits[i], parity[i]);
      }
      e.text = digits;
      return e;
    }
    default:
      throw core::Error("TrpBarcode: wrong BarcodeType");
  }
}

}  // namespace orvena::objects::detail
