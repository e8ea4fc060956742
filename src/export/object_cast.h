#pragma once
// dynamic_cast for the export walk, which asks the same few questions ("is it a view?", "is it a
// text object?") of every printed object: a report has a handful of object classes and millions
// of objects, and a dynamic_cast down a deep class tree costs hundreds of instructions. The answer
// for an object's dynamic type, with the pointer adjustment, is kept per thread for the last few
// types seen, so the result is always what dynamic_cast gives.
//
//   if (auto* memo = object_cast<report::CustomMemoView>(&object)) ...
#include <array>
#include <cstddef>
#include <type_traits>
#include <typeinfo>

namespace orvena::exporting {

template <class To, class From>
auto* object_cast(From* object) {
  using Result = std::conditional_t<std::is_const_v<From>, const To, To>;
  using Byte = std::conditional_t<std::is_const_v<From>, const char, char>;
  struct Answer {
    const std::type_info* type = nullptr;
    std::ptrdiff_t offset = 0;
    bool match = false;
  };
  constexpr size_t kTypes = 8;
  thread_local std::array<Answer, kTypes> answers{};
  thread_local size_t next = 0;

  if (!object) return static_cast<Result*>(nullptr);
  const std::type_info* type = &typeid(*object);
  for (const Answer& a : answers)
    if (a.type == type)
      return a.match ? reinterpret_cast<Result*>(reinterpret_cast<Byte*>(object) + a.offset) : nullptr;
  auto* result = dynamic_cast<Result*>(object);
  Answer& a = answers[next++ % kTypes];
  a.type = type;
  a.match = result != nullptr;
  a.offset = result ? reinterpret_cast<Byte*>(result) - reinterpret_cast<Byte*>(object) : 0;
  return result;
}

}  // namespace orvena::exporting
