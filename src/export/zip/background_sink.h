#pragma once
// Hands a stream of bytes to one worker thread in fixed-size buffers, so that whoever produces
// the bytes and whatever consumes them (CRC, deflate, file writes) run side by side.
//
//   BackgroundSink sink([&](std::string_view piece) { compress(piece); });
//   sink.write(xml); ...        // copied into a buffer; a full buffer goes to the worker
//   sink.drain();               // the rest is consumed; the worker is idle afterwards
//
// The consumer sees the bytes in order, in pieces of at most one buffer, on one thread at a
// time: the worker, or the caller of drain() when the worker has nothing left to do (so a short
// stream never waits on a thread hand-over, and the thread starts only when a buffer first
// fills). Memory is bounded by the buffers, not by the length of the stream: a producer that
// outruns the consumer waits for a free buffer.
//
// An exception thrown by the consumer is kept and rethrown to the producer at its next write or
// drain(), and again at every later one: bytes after a failure are dropped, never consumed.
// The destructor drops what is still queued and joins the worker; it never throws.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace orvena::exporting::zip {

class BackgroundSink {
 public:
  using Consumer = std::function<void(std::string_view)>;

  struct Sizes {
    size_t buffer = 512 * 1024;
    size_t buffers = 3;  // one filling, one being consumed, one waiting
  };

  explicit BackgroundSink(Consumer consumer) : BackgroundSink(std::move(consumer), Sizes{}) {}
  BackgroundSink(Consumer consumer, Sizes sizes);
  ~BackgroundSink();
  BackgroundSink(const BackgroundSink&) = delete;
  BackgroundSink& operator=(const BackgroundSink&) = delete;

  void write(std::string_view bytes);
  // Returns once every byte written so far has been consumed; rethrows the consumer's error.
  void drain();

  bool failed() const { return m_failed.load(std::memory_order_relaxed); }

 private:
  void hand_over();
  void run();
  void consume_here(std::string& buffer);
  void fail(std::exception_ptr error);
  void rethrow_if_failed(std::unique_lock<std::mutex>& lock);

  Consumer m_consumer;
  Sizes m_sizes;
  std::string m_filling;  // owned by the producer

  mutable std::mutex m_mutex;
  std::condition_variable m_work;  // the worker waits for a queued buffer or the end
  std::condition_variable m_done;  // the producer waits for a free buffer or an idle worker
  std::deque<std::string> m_queued;
  std::vector<std::string> m_free;
  size_t m_allocated = 1;  // buffers in existence, the one filling included
  bool m_busy = false;     // the worker is inside the consumer
  bool m_quit = false;
  std::exception_ptr m_error;
  std::atomic<bool> m_failed = false;
  bool m_no_thread = false;  // the thread could not be started: the producer consumes as it goes
  std::thread m_thread;
};

}  // namespace orvena::exporting::zip
