#pragma once
// Runs work on a thread with a small stack, so that a recursion per operator or per selector,
// which the usual 8 MiB would hide for a while, fails at once (as a crash of the test).
#include <pthread.h>

#include <functional>
#include <stdexcept>

namespace orvena::script::test {

inline void run_on_small_stack(const std::function<void()>& work, size_t bytes = 1u << 20) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto call = [](void* f) -> void* {
    (*static_cast<const std::function<void()>*>(f))();
    return nullptr;
  };
  int rc = pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&work));
  pthread_attr_destroy(&attr);
  if (rc != 0) throw std::runtime_error("pthread_create");
  pthread_join(thread, nullptr);
}

}  // namespace orvena::script::test
