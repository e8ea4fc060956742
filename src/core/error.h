#pragma once
#include <stdexcept>
#include <string>

namespace orvena::core {

// An error the user may see: its message is the system's own text.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace orvena::core
