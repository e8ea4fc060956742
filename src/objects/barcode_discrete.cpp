// The symbologies of narrow and wide elements (the 2 of 5 family, Code 39, Codabar), and Code 93,
// MSI and POSTNET.
#include <array>
#include <cstring>
#include <vector>

#include "core/error.h"
#include "objects/barcode_symbols_p.h"

namespace orvena::objects::detail {

namespace {

// Two out of five: elements weighted 1, 2, 4, 7 and parity, two of them wide; 0 is 4 + 7.
constexpr std::array<std::string_view, 10> kTwoOfFive = {"nnwwn", "wnnnw", "nwnnw", "wwnnn", "nnwnw",
                                                         "wnwnn", "nwwnn", "nnnww", "wnnwn", "nwnwn"};

// Code 39, in the order of the check-character values; each nine elements (five bars, four
// spaces), three of them wide.
constexpr std::string_view kCode39Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::array<std::string_view, 43> kCode39 = {
    "nnnwwnwnn", "wnnwnnnnw", "nnwwnnnnw", "wnwwnnnnn", "nnnwwnnnw", "wnnwwnnnn", "nnwwwnnnn", "nnnwnnwnw",
    "wnnwnnwnn", "nnwwnnwnn", "wnnnnwnnw", "nnwnnwnnw", "wnwnnwnnn", "nnnnwwnnw", "wnnnwwnnn", "nnwnwwnnn",
    "nnnnnwwnw", "wnnnnwwnn", "nnwnnwwnn", "nnnnwwwnn", "wnnnnnnww", "nnwnnnnww", "wnwnnnnwn", "nnnnwnnww",
    "wnnnwnnwn", "nnwnwnnwn", "nnnnnnwww", "wnnnnnwwn", "nnwnnnwwn", "nnnnwnwwn", "wwnnnnnnw", "nwwnnnnnw",
    "wwwnnnnnn", "nwnnwnnnw", "wwnnwnnnn", "nwwnwnnnn", "nwnnnnwnw", "wwnnnnwnn", "nwwnnnwnn", "nwnwnwnnn",
    "nwnwnnnwn", "nwnnnwnwn", "nnnwnwnwn"};
constexpr std::string_view kCode39StartStop = "nwnnwnwnn";

// Code 93: each character three bars and three spaces in nine modules, in the order of the
// check-character values; 43 to 46 are the shifts ($) (%) (/) (+).
constexpr std::string_view kCode93Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::array<std::string_view, 47> kCode93 = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211"};
constexpr std::string_view kCode93StartStop = "111141";

// Full ASCII: every character 0 to 127 as one or two characters of the basic set. "$", "%",
// "/" and "+" stand for the shifts; Code 93 writes them with its own shift characters.
constexpr std::array<std::string_view, 128> kFullAscii = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G", "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W", "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G", "/H", "/I", "/J", "/K", "/L", "-",  ".",  "/O",
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",  "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G", "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W", "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T"};

// Codabar: seven elements (four bars, three spaces) a character.
constexpr std::string_view kCodabarChars = "0123456789-$:/.+ABCD";
constexpr std::array<std::string_view, 20> kCodabar = {"nnnnnww", "nnnnwwn", "nnnwnnw", "wwnnnnn", "nnwnnwn",
                                                       "wnnnnwn", "nwnnnnw", "nwnnwnn", "nwwnnnn", "wnnwnnn",
                                                       "nnnwwnn", "nnwwnnn", "wnnnwnw", "wnwnnnw", "wnwnwnn",
                                                       "nnwnwnw", "nnwwnwn", "nwnwnnw", "nnnwnww", "nnnwwwn"};

int index_in(std::string_view chars, char c) {
  size_t at = chars.find(c);
  if (c == '\0' || at == std::string_view::npos) throw core::Error(std::string(kInvalidCharError));
  return int(at);
}

std::string check_text(std::string_view text, int check) {
  return std::string(text) + char('0' + check);
}

}  // namespace

EncodedBarcode encode_two_of_five(BarcodeType type, std::string_view digits, bool calc_check_sum) {
  EncodedBarcode e;
  if (digits.empty()) return e;
  e.text = calc_check_sum ? check_text(digits, gs1_check_digit(digits)) : std::string(digits);
  switch (type) {
    case BarcodeType::Interleaved2of5: {
      // Digits go in pairs, the first in the bars and the second in the spaces; an odd count
      // gets a leading zero, as scanners expect.
      std::string data = e.text.size() % 2 ? "0" + e.text : e.text;
      append_narrow_wide(e.pattern, "nnnn");
      for (size_t i = 0; i < data.size(); i += 2) {
        std::string_view bars = kTwoOfFive[data[i] - '0'], spaces = kTwoOfFive[data[i + 1] - '0'];
        for (size_t k = 0; k < 5; ++k) {
          append_narrow_wide(e.pattern, bars.substr(k, 1), true);
          append_narrow_wide(e.pattern, spaces.substr(k, 1), false);
        }
      }
      append_narrow_wide(e.pattern, "wnn");
      break;
    }
    case BarcodeType::Industrial2of5:
      // Only the bars carry data; every space is narrow.
      append_narrow_wide(e.pattern, "wnwnnn");
      for (char d : e.text)
        for (char element : kTwoOfFive[d - '0'])
          append_narrow_wide(e.pattern, {element == 'w' ? "wn" : "nn"});
      append_narrow_wide(e.pattern, "wnnnw");
      break;
    default:  // Matrix 2 of 5: three bars and two spaces, then a narrow gap
      append_narrow_wide(e.pattern, "wnnnnn");
      for (char d : e.text) {
        append_narrow_wide(e.pattern, kTwoOfFive[d - '0']);
        append_narrow_wide(e.pattern, "n", false);
      }
      append_narrow_wide(e.pattern, "wnnnn");
      break;
  }
  return e;
}

EncodedBarcode encode_code39(std::string_view text, bool full_ascii, bool calc_check_sum) {
  EncodedBarcode e;
  if (text.empty()) return e;
  std::string data;
  for (char c : text) {
    if (full_ascii) {
      if (static_cast<unsigned char>(c) > 127) throw core::Error(std::string(kInvalidCharError));
      data += kFullAscii[static_cast<unsigned char>(c)];
    } else {
      index_in(kCode39Chars, c);
      data += c;
    }
  }
  int sum = 0;
  for (char c : data) sum += index_in(kCode39Chars, c);
  e.text = text;
  if (calc_check_sum) data += kCode39Chars[sum % 43];
  append_narrow_wide(e.pattern, kCode39StartStop);
  append_narrow_wide(e.pattern, "n", false);
  for (char c : data) {
    append_narrow_wide(e.pattern, kCode39[index_in(kCode39Chars, c)]);
    append_narrow_wide(e.pattern, "n", false);
  }
  append_narrow_wide(e.pattern, kCode39StartStop);
  return e;
}

EncodedBarcode encode_code93(std::string_view text, bool full_ascii) {
  EncodedBarcode e;
  if (text.empty()) return e;
  std::vector<int> values;
  for (char c : text) {
    if (!full_ascii) {
      values.push_back(index_in(kCode93Chars, c));
      continue;
    }
    if (static_cast<unsigned char>(c) > 127) throw core::Error(std::string(kInvalidCharError));
    std::string_view pair = kFullAscii[static_cast<unsigned char>(c)];
    if (pair.size() == 1) {
      values.push_back(index_in(kCode93Chars, pair[0]));
    } else {
      values.push_back(43 + int(std::string_view("$%/+").find(pair[0])));
      values.push_back(index_in(kCode93Chars, pair[1]));
    }
  }
  // Two check characters, C (weights 1 to 20 from the right) and K (1 to 15, over C as well).
  for (int max_weight : {20, 15}) {
    int sum = 0, weight = 1;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
      sum += *it * weight;
      weight = weight == max_weight ? 1 : weight + 1;
    }
    values.push_back(sum % 47);
  }
  e.text = text;
  append_modules(e.pattern, kCode93StartStop);
  for (int v : values) append_modules(e.pattern, kCode93[v]);
  append_modules(e.pattern, kCode93StartStop);
  append_modules(e.pattern, "1");  // termination bar
  return e;
}

EncodedBarcode encode_msi(std::string_view digits, bool calc_check_sum) {
  EncodedBarcode e;
  if (digits.empty()) return e;
  e.text = digits;
  if (calc_check_sum) {
    // Modulo 10 (Luhn): from the right, every other digit doubled and its digits summed.
    int sum = 0;
    bool twice = true;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, twice = !twice) {
      int d = (*it - '0') * (twice ? 2 : 1);
      sum += d / 10 + d % 10;
    }
    e.text += char('0' + (10 - sum % 10) % 10);
  }
  // Each digit four bits, the highest first: 1 is a wide bar and a narrow space, 0 the reverse.
  append_narrow_wide(e.pattern, "wn");
  for (char d : e.text)
    for (int bit = 3; bit >= 0; --bit) append_narrow_wide(e.pattern, ((d - '0') >> bit) & 1 ? "wn" : "nw");
  append_narrow_wide(e.pattern, "nwn");
  return e;
}

EncodedBarcode encode_postnet(std::string_view digits) {
  EncodedBarcode e;
  if (digits.empty()) return e;
  // Bars weighted 7, 4, 2, 1, 0, two of them tall; 0 is 7 + 4. The check digit brings the sum
  // of all digits to a multiple of ten and is always there.
  static constexpr std::array<std::string_view, 10> kTall = {"11000", "00011", "00101", "00110", "01001",
                                                             "01010", "01100", "10001", "10010", "10100"};
  int sum = 0;
  for (char d : digits) sum += d - '0';
  e.text = digits;
  std::string data = check_text(digits, (10 - sum % 10) % 10);
  e.pattern = "51";  // frame bar
  for (char d : data)
    for (char tall : kTall[d - '0']) e.pattern += tall == '1' ? "51" : "A1";
  e.pattern += "5";
  return e;
}

EncodedBarcode encode_codabar(std::string_view text) {
  EncodedBarcode e;
  if (text.empty()) return e;
  auto is_guard = [](char c) { return std::strchr("ABCD", c) && c != '\0'; };
  std::string data(text);
  // A text without its start and stop characters gets A and B.
  if (!is_guard(data.front()) || data.size() < 2 || !is_guard(data.back())) data = "A" + data + "B";
  for (size_t i = 1; i + 1 < data.size(); ++i)
    if (is_guard(data[i])) throw core::Error(std::string(kInvalidCharError));
  for (size_t i = 0; i < data.size(); ++i) {
    if (i) append_narrow_wide(e.pattern, "n", false);
    append_narrow_wide(e.pattern, kCodabar[index_in(kCodabarChars, data[i])]);
  }
  e.text = text;
  return e;
}

}  // namespace orvena::objects::detail
