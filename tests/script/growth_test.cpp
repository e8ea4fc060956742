// Strings and arrays grown a piece at a time: the result is the one value semantics give, and
// the bytes allocated stay in proportion to the final size (a copy of the whole value at every
// step would allocate its size times the number of steps). Allocations are counted by replacing
// the global operator new of this test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "fake_host.h"

// The replacements pair malloc with free themselves; GCC, seeing them inlined into the standard
// allocator, takes them for a new matched with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<size_t> g_allocated{0};
}  // namespace

void* operator new(size_t n) {
  g_allocated.fetch_add(n, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) {
  return operator new(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}

namespace orvena::script::test {
namespace {

class Growth : public ::testing::Test {
 protected:
  // Runs the program; returns "Wynik" as text and sets `allocated` to the bytes it allocated.
  std::string run(const std::string& program) {
    if (!script.compile(program))
      return "compile error " + script.error_position() + ": " + script.error_message();
    size_t before = g_allocated.load();
    try {
      script.execute();
    } catch (const core::Error& e) {
      return std::string("error: ") + e.what();
    }
    allocated = g_allocated.load() - before;
    return script.get_variable("Wynik").to_string();
  }
  FakeHost host;
  Script script{&host};
  size_t allocated = 0;
};

struct GrowthCase {
  const char* name;
  const char* program;
  const char* expected;
  size_t final_bytes;  // what the grown value holds at the end
};

TEST_F(Growth, GrowingAPieceAtATimeAllocatesInProportionToTheResult) {
  const GrowthCase cases[] = {
      {"a string grown 10 characters at a time",
       "var Wynik: Integer; s: String; i: Integer; begin for i := 1 to 40000 do s := s + '0123456789'; "
       "Wynik := Length(s) end.",
       "400000", 400000},
      {"several pieces per step, a function's value among them",
       "var Wynik: Integer; s: Variant; i: Integer; begin s := ''; for i := 1 to 20000 do "
       "s := s + IntToStr(i mod 10) + '|' + Copy('abcdefgh', 1, 8); Wynik := Length(s) end.",
       "200000", 200000},
      {"an array filled element by element",
       "var Wynik: Integer; a: array[0..19999] of Integer; i: Integer; begin for i := 0 to 19999 do "
       "a[i] := i; Wynik := a[0] + a[19999] end.",
       "19999", 20000 * sizeof(Variant)},
      {"a two-dimensional array filled element by element",
       "var Wynik: Integer; a: array[200, 100] of Integer; i, j: Integer; begin for i := 0 to 199 do "
       "for j := 0 to 99 do a[i, j] := i * j; Wynik := a[199, 99] end.",
       "19701", 20000 * sizeof(Variant)},
      {"an array grown by SetLength one element at a time",
       "var Wynik: Integer; a: array of Variant; i: Integer; begin for i := 1 to 20000 do begin "
       "SetLength(a, Length(a) + 1); a[Length(a) - 1] := i end; Wynik := Length(a) + a[20000] end.",
       "40001", 20001 * sizeof(Variant)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.program), c.expected) << c.name;
    // Doubling growth allocates about twice the final size, and each step a few small values; a
    // copy of the whole at every step, thousands of times the final size.
    EXPECT_LT(allocated, 16 * c.final_bytes + (1u << 20)) << c.name;
  }
}

// In-place writes keep value semantics: a copy taken before keeps what it held, an error halfway
// leaves the variable as it was, and a part that may change the variable sees the old rules.
TEST_F(Growth, InPlaceWritesKeepValueSemantics) {
  const GrowthCase cases[] = {
      {"a copy of an array keeps its elements",
       "var Wynik: String; a, b: array[1..2] of Integer; begin a[1] := 1; b := a; a[1] := 5; "
       "Wynik := IntToStr(a[1]) + IntToStr(b[1]) end.",
       "51", 0},
      {"a copy of a two-dimensional array keeps its rows",
       "var Wynik: String; a: array[2, 2] of String; c: Variant; begin a[1, 1] := 'x'; c := a; "
       "a[1, 1] := 'y'; Wynik := a[1, 1] + c[1, 1] end.",
       "yx", 0},
      {"an array given to a procedure is the procedure's own copy",
       "var Wynik: String; a: array[1..2] of Integer; procedure P(b: Variant); begin b[1] := 9 end; "
       "begin a[1] := 1; P(a); Wynik := IntToStr(a[1]) end.",
       "1", 0},
      {"a string copy keeps its text",
       "var Wynik, s, t: String; begin s := 'ab'; t := s; s := s + 'c'; s[1] := 'X'; Wynik := s + '/' + t "
       "end.",
       "Xbc/ab", 0},
      {"an error halfway leaves the string as it was",
       "var Wynik, s: String; begin s := 'ab'; try s := s + 'c' + IntToStr(1 div 0) except end; Wynik := s "
       "end.",
       "ab", 0},
      {"a number part takes the variant rules",
       "var Wynik: Variant; begin Wynik := '12'; Wynik := Wynik + 'x' + 3 end.",
       "error: Could not convert variant of type (String) into type (Double)", 0},
      {"a number after strings", "var Wynik: Variant; begin Wynik := '1'; Wynik := Wynik + '2' + 3 end.",
       "15", 0},
      {"Null ends in Null", "var Wynik: Variant; begin Wynik := 'a'; Wynik := Wynik + Null + 'b' end.", "",
       0},
      // F changes s before s + F() adds to it: the value read first is the one added to.
      {"a function that changes the variable",
       "var Wynik, s: String; function F: String; begin s := 'zmienione'; Result := '!' end; "
       "begin s := 'ab'; s := s + F(); Wynik := s end.",
       "ab!", 0},
      {"the variable read again in its own part",
       "var Wynik, s: String; begin s := 'ab'; s := s + s + Copy(s, 1, 1); Wynik := s end.", "ababa", 0},
      {"SetLength on a copy",
       "var Wynik: String; a, b: array of Integer; begin SetLength(a, 2); a[1] := 7; b := a; SetLength(a, "
       "1); "
       "Wynik := IntToStr(Length(a)) + IntToStr(Length(b)) + IntToStr(b[1]) end.",
       "127", 0},
      {"a failed SetLength leaves the array",
       "var Wynik: String; a: array of Integer; begin SetLength(a, 3); try SetLength(a, 100000000) except "
       "end; "
       "Wynik := IntToStr(Length(a)) end.",
       "3", 0},
      {"SetLength on a string",
       "var Wynik: String; begin Wynik := 'żółw'; SetLength(Wynik, 2); "
       "SetLength(Wynik, 4) end.",
       "żó  ", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(run(c.program), c.expected) << c.name;
}

}  // namespace
}  // namespace orvena::script::test
