#pragma once
// "Let the window process its messages": called between the slices of a long wait so that a
// window stays responsive. The GUI sets it; headless runs leave it empty.
#include <functional>

namespace orvena::core {

using Pump = std::function<void()>;

inline void call(const Pump& pump) {
  if (pump) pump();
}

}  // namespace orvena::core
