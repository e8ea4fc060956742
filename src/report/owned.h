#pragma once
// Owning members that keep a component class copyable, so that structural copies (report/copy.h)
// can use the class's own copy constructor instead of walking its property table.
#include <memory>
#include <vector>

namespace orvena::report {

// A list of owned values that a copy duplicates entry by entry: a copied text object gets
// formats and highlights of its own, never shared ones.
template <class T>
class OwnedList : public std::vector<std::unique_ptr<T>> {
 public:
  OwnedList() = default;
  OwnedList(const OwnedList& other) : std::vector<std::unique_ptr<T>>() { append_copies(other); }
  OwnedList(OwnedList&&) noexcept = default;
  OwnedList& operator=(const OwnedList& other) {
    if (this != &other) {
      this->clear();
      append_copies(other);
    }
    return *this;
  }
  OwnedList& operator=(OwnedList&&) noexcept = default;

 private:
  void append_copies(const OwnedList& other) {
    this->reserve(other.size());
    for (auto& entry : other) this->push_back(std::make_unique<T>(*entry));
  }
};

// State that belongs to one object's printing (what it saved before a highlight, the built-in row
// counter of a data band): a copy starts without it.
template <class T>
class NotCopied : public std::unique_ptr<T> {
 public:
  NotCopied() = default;
  NotCopied(const NotCopied&) : std::unique_ptr<T>() {}
  NotCopied(NotCopied&&) noexcept = default;
  NotCopied& operator=(const NotCopied&) {
    this->reset();
    return *this;
  }
  NotCopied& operator=(NotCopied&&) noexcept = default;
  NotCopied& operator=(std::unique_ptr<T>&& p) noexcept {
    std::unique_ptr<T>::operator=(std::move(p));
    return *this;
  }
};

}  // namespace orvena::report
