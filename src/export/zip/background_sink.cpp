#include "export/zip/background_sink.h"

#include <algorithm>
#include <system_error>

namespace orvena::exporting::zip {

BackgroundSink::BackgroundSink(Consumer consumer, Sizes sizes)
    : m_consumer(std::move(consumer)), m_sizes(sizes) {
  m_sizes.buffer = std::max<size_t>(m_sizes.buffer, 1);
  m_sizes.buffers = std::max<size_t>(m_sizes.buffers, 2);
}

BackgroundSink::~BackgroundSink() {
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
  }
  m_work.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void BackgroundSink::write(std::string_view bytes) {
  if (failed()) {
    std::unique_lock lock(m_mutex);
    rethrow_if_failed(lock);
  }
  while (!bytes.empty()) {
    if (m_filling.capacity() < m_sizes.buffer) m_filling.reserve(m_sizes.buffer);
    size_t n = std::min(bytes.size(), m_sizes.buffer - m_filling.size());
    m_filling.append(bytes.data(), n);
    bytes.remove_prefix(n);
    if (m_filling.size() == m_sizes.buffer) hand_over();
  }
}

void BackgroundSink::hand_over() {
  if (m_no_thread) {
    consume_here(m_filling);
    return;
  }
  std::unique_lock lock(m_mutex);
  rethrow_if_failed(lock);
  if (!m_thread.joinable()) {
    try {
      m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      // Out of threads: the same work, on this thread.
      m_no_thread = true;
      lock.unlock();
      consume_here(m_filling);
      return;
    }
  }
  m_queued.push_back(std::move(m_filling));
  m_work.notify_one();
  if (m_free.empty() && m_allocated < m_sizes.buffers) {
    ++m_allocated;
    m_filling = std::string();
    return;
  }
  m_done.wait(lock, [this] { return !m_free.empty() || m_error; });
  rethrow_if_failed(lock);
  m_filling = std::move(m_free.back());
  m_free.pop_back();
}

void BackgroundSink::drain() {
  {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_queued.empty() && !m_busy; });
    rethrow_if_failed(lock);
  }
  // The worker is idle: the last, partly filled buffer costs less here than a round trip.
  consume_here(m_filling);
}

void BackgroundSink::consume_here(std::string& buffer) {
  if (buffer.empty()) return;
  try {
    m_consumer(buffer);
  } catch (...) {
    buffer.clear();
    fail(std::current_exception());
    throw;
  }
  buffer.clear();
}

void BackgroundSink::fail(std::exception_ptr error) {
  std::lock_guard lock(m_mutex);
  if (!m_error) m_error = std::move(error);
  m_failed = true;
}

void BackgroundSink::rethrow_if_failed(std::unique_lock<std::mutex>& lock) {
  if (!m_error) return;
  std::exception_ptr error = m_error;
  lock.unlock();
  std::rethrow_exception(error);
}

void BackgroundSink::run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_work.wait(lock, [this] { return m_quit || !m_queued.empty(); });
    if (m_quit) return;
    std::string buffer = std::move(m_queued.front());
    m_queued.pop_front();
    bool skip = m_error != nullptr;
    m_busy = true;
    lock.unlock();
    std::exception_ptr error;
    if (!skip) {
      try {
        m_consumer(buffer);
      } catch (...) {
        error = std::current_exception();
      }
    }
    buffer.clear();
    lock.lock();
    m_busy = false;
    if (error && !m_error) {
      m_error = std::move(error);
      m_failed = true;
    }
    m_free.push_back(std::move(buffer));
    m_done.notify_all();
  }
}

}  // namespace orvena::exporting::zip
