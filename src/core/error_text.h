#pragma once
// What the user reads of an error that ended an operation.
#include <exception>
#include <new>
#include <string>

namespace orvena::core {

inline constexpr const char* kOutOfMemory = "Za mało pamięci operacyjnej, by dokończyć raport.";

// The error's own text; running out of memory is said in our words, not the library's
// ("std::bad_alloc" tells an administrator nothing).
inline std::string error_text(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return kOutOfMemory;
  return e.what();
}

}  // namespace orvena::core
