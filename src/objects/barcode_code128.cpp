// Code 128 and GS1-128 (ISO/IEC 15417): code sets A, B and C, chosen automatically or fixed,
// with the escapes "&A;" "&B;" "&C;" (switch), "&S;" (shift) and "&1;" to "&4;" (FNC1 to FNC4).
#include <array>
#include <optional>
#include <vector>

#include "core/error.h"
#include "objects/barcode_symbols_p.h"

namespace orvena::objects::detail {

namespace {

// Symbol character values 0 to 106: six elements (bar first) of one to four modules each; the
// stop has a seventh, its termination bar.
constexpr std::array<std::string_view, 107> kSymbols = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

enum class Set : uint8_t { A, B, C };
constexpr int kShift = 98, kStartA = 103, kStop = 106, kFnc1 = 102;

struct Token {
  enum Kind : uint8_t { Char, SwitchA, SwitchB, SwitchC, Shift, Fnc1, Fnc2, Fnc3, Fnc4 } kind = Char;
  char c = 0;
};

std::vector<Token> tokens_of(std::string_view text) {
  std::vector<Token> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 2 < text.size() && text[i + 2] == ';') {
      static constexpr std::string_view kEscapes = "ABCS1234";
      size_t k = kEscapes.find(text[i + 1]);
      if (k != std::string_view::npos) {
        out.push_back({Token::Kind(Token::SwitchA + k)});
        i += 2;
        continue;
      }
    }
    out.push_back({Token::Char, text[i]});
  }
  return out;
}

bool in_set(Set s, char c) {
  auto u = static_cast<unsigned char>(c);
  if (s == Set::A) return u < 96;
  if (s == Set::B) return u >= 32 && u < 128;
  return false;
}

int value_in(Set s, char c) {
  auto u = static_cast<unsigned char>(c);
  return s == Set::A && u < 32 ? u + 64 : u - 32;
}

bool is_digit_char(const Token& t) {
  return t.kind == Token::Char && t.c >= '0' && t.c <= '9';
}

size_t digit_run(const std::vector<Token>& t, size_t from) {
  size_t n = 0;
  while (from + n < t.size() && is_digit_char(t[from + n])) ++n;
  return n;
}

class Encoder {
 public:
  Encoder(std::optional<Set> fixed, bool gs1) : m_fixed(fixed), m_gs1(gs1) {}

  std::vector<int> encode(const std::vector<Token>& t) {
    for (size_t i = 0; i < t.size();) i = step(t, i);
    if (m_values.empty()) enter(m_fixed.value_or(Set::B));
    return std::move(m_values);
  }

 private:
  size_t step(const std::vector<Token>& t, size_t i) {
    const Token& tok = t[i];
    switch (tok.kind) {
      case Token::SwitchA:
      case Token::SwitchB:
      case Token::SwitchC:
        enter(Set(tok.kind - Token::SwitchA));
        m_explicit = true;
        return i + 1;
      case Token::Shift:
        return shifted(t, i + 1);
      case Token::Fnc1:
        enter_any();
        m_values.push_back(kFnc1);
        return i + 1;
      case Token::Fnc2:
      case Token::Fnc3:
      case Token::Fnc4:
        if (m_set == Set::C || !m_started) enter(m_fixed && m_fixed != Set::C ? *m_fixed : Set::B);
        if (tok.kind == Token::Fnc4)
          m_values.push_back(m_set == Set::A ? 101 : 100);
        else
          m_values.push_back(tok.kind == Token::Fnc2 ? 97 : 96);
        return i + 1;
      case Token::Char:
        break;
    }
    size_t run = digit_run(t, i);
    if (prefers_c(run, i, t.size())) {
      enter(Set::C);
      m_values.push_back((t[i].c - '0') * 10 + (t[i + 1].c - '0'));
      return i + 2;
    }
    if (m_started && m_set == Set::C && (m_fixed == Set::C || m_explicit))
      throw core::Error(run == 1 ? length_error("Code128C") : std::string(kInvalidCharError));
    Set s = set_for(tok.c);
    if (m_started && s != m_set && m_set != Set::C && i + 1 < t.size() && t[i + 1].kind == Token::Char &&
        in_set(m_set, t[i + 1].c) && !m_fixed) {
      // One character of the other set between characters of this one: shift, do not switch.
      m_values.push_back(kShift);
      m_values.push_back(value_in(s, tok.c));
      return i + 1;
    }
    enter(s);
    m_values.push_back(value_in(s, tok.c));
    return i + 1;
  }

  // "&S;": the next character in the other of sets A and B.
  size_t shifted(const std::vector<Token>& t, size_t i) {
    enter_any();
    if (m_set == Set::C || i >= t.size() || t[i].kind != Token::Char)
      throw core::Error(std::string(kInvalidCharError));
    Set other = m_set == Set::A ? Set::B : Set::A;
    if (!in_set(other, t[i].c)) throw core::Error(std::string(kInvalidCharError));
    m_values.push_back(kShift);
    m_values.push_back(value_in(other, t[i].c));
    return i + 1;
  }

  // Digit pairs go in set C when it is fixed or chosen, and automatically for a run of four or
  // more (an odd run leaves its first digit to the set before), or two that are all there is.
  bool prefers_c(size_t run, size_t i, size_t size) const {
    if (run < 2) return false;
    if (m_started && m_set == Set::C) return true;
    if (m_fixed) return !m_started && m_fixed == Set::C;
    if (m_explicit && m_started) return false;
    if (run % 2) return false;
    return run >= 4 || (i == 0 && run == size);
  }

  Set set_for(char c) const {
    bool a = in_set(Set::A, c), b = in_set(Set::B, c);
    if (!a && !b) throw core::Error(std::string(kInvalidCharError));
    if (m_fixed && m_fixed != Set::C) {
      if (!in_set(*m_fixed, c) && !m_explicit) throw core::Error(std::string(kInvalidCharError));
    }
    if (m_started && m_set != Set::C && in_set(m_set, c)) return m_set;
    if (!m_started && m_fixed && in_set(*m_fixed, c)) return *m_fixed;
    return b ? Set::B : Set::A;
  }

  void enter_any() {
    if (!m_started) enter(m_fixed.value_or(Set::B));
  }

  void enter(Set s) {
    if (!m_started) {
      m_values.push_back(kStartA + int(s));
      if (m_gs1) m_values.push_back(kFnc1);
      m_started = true;
    } else if (s != m_set) {
      // Code C (99), Code B (100), Code A (101) from the other sets.
      m_values.push_back(s == Set::C ? 99 : s == Set::B ? 100 : 101);
    }
    m_set = s;
  }

  std::optional<Set> m_fixed;
  bool m_gs1;
  bool m_started = false, m_explicit = false;
  Set m_set = Set::B;
  std::vector<int> m_values;
};

}  // namespace

std::string code128_plain_text(std::string_view text) {
  std::string out;
  for (const Token& t : tokens_of(text))
    if (t.kind == Token::Char) out += t.c;
  return out;
}

EncodedBarcode encode_code128(BarcodeType type, std::string_view text) {
  EncodedBarcode e;
  if (text.empty()) return e;
  bool gs1 = type >= BarcodeType::Ean128;
  int variant = int(type) - int(gs1 ? BarcodeType::Ean128 : BarcodeType::Code128);
  std::optional<Set> fixed;
  if (variant > 0) fixed = Set(variant - 1);
  std::vector<Token> tokens = tokens_of(text);
  std::vector<int> values = Encoder(fixed, gs1).encode(tokens);
  int sum = values[0];
  for (size_t i = 1; i < values.size(); ++i) sum = (sum + int(i % 103) * values[i]) % 103;
  values.push_back(sum);
  values.push_back(kStop);
  for (int v : values) append_modules(e.pattern, kSymbols[v]);
  e.text = code128_plain_text(text);
  return e;
}

}  // namespace orvena::objects::detail
