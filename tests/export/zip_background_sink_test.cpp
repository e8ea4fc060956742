#include "export/zip/background_sink.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "core/temp_dir.h"
#include "export/zip/zip_writer.h"
#include "support/time_bounds.h"

namespace orvena::exporting::zip {
namespace {

using namespace std::chrono_literals;

std::string numbered_bytes(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += std::to_string(i) + ",";
  s.resize(n);
  return s;
}

// Runs `work` and fails the test, rather than hanging the suite, when it does not end.
void ends_in_time(const char* what, std::function<void()> work) {
  std::packaged_task<void()> task(std::move(work));
  auto done = task.get_future();
  std::thread(std::move(task)).detach();
  if (done.wait_for(test::kEndsWellBeforeAHang) != std::future_status::ready) {
    std::fprintf(stderr, "%s: still waiting after %lld s\n", what,
                 static_cast<long long>(test::kEndsWellBeforeAHang.count()));
    std::abort();
  }
  done.get();
}

// What the consumer saw: the bytes in order, the pieces, and the threads it ran on.
struct Recorder {
  std::string bytes;
  size_t largest_piece = 0;
  size_t pieces = 0;
  std::vector<std::thread::id> threads;

  void operator()(std::string_view piece) {
    bytes += piece;
    largest_piece = std::max(largest_piece, piece.size());
    ++pieces;
    if (std::find(threads.begin(), threads.end(), std::this_thread::get_id()) == threads.end())
      threads.push_back(std::this_thread::get_id());
  }
};

TEST(BackgroundSink, BytesArriveWholeAndInOrder) {
  struct Row {
    const char* name;
    size_t total, piece, buffer, buffers;
    bool worker;  // whether the worker thread takes part
  };
  const Row rows[] = {
      // Shorter than a buffer: consumed by drain() on the caller's thread, no hand-over at all.
      {"short stream", 1000, 7, 4096, 3, false},
      {"exactly one buffer", 4096, 4096, 4096, 3, true},
      // Pieces that straddle buffer ends, larger than a buffer, and the fewest buffers allowed.
      {"uneven pieces", 100000, 999, 4096, 3, true},
      {"pieces larger than a buffer", 100000, 10000, 4096, 2, true},
      {"one byte at a time", 20000, 1, 64, 4, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string input = numbered_bytes(row.total);
    Recorder seen;
    const std::thread::id caller = std::this_thread::get_id();
    {
      BackgroundSink sink(std::ref(seen), {.buffer = row.buffer, .buffers = row.buffers});
      for (size_t at = 0; at < input.size(); at += row.piece)
        sink.write(std::string_view(input).substr(at, row.piece));
      sink.drain();
      // Drained: the consumer has everything, and is not running while the caller looks.
      EXPECT_EQ(seen.bytes, input);
      // The sink is reusable after a drain, as the ZIP writer does entry after entry.
      sink.write("tail");
      sink.drain();
    }
    EXPECT_EQ(seen.bytes, input + "tail");
    EXPECT_LE(seen.largest_piece, row.buffer);
    bool worker_ran = std::any_of(seen.threads.begin(), seen.threads.end(),
                                  [&](std::thread::id id) { return id != caller; });
    EXPECT_EQ(worker_ran, row.worker);
  }
}

// A consumer that holds its first piece: the producer must stop within the sink's buffers rather
// than queue the whole stream in memory.
TEST(BackgroundSink, ProducerWaitsForAFreeBufferWhenTheConsumerLags) {
  constexpr size_t kBuffer = 1024;
  constexpr size_t kBuffers = 3;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<size_t> accepted = 0;
  std::atomic<size_t> accepted_while_held = 0;
  std::string seen;
  BackgroundSink sink(
      [&](std::string_view piece) {
        if (seen.empty()) {
          // Long enough for an unbounded queue to take the whole 1 MB stream.
          std::this_thread::sleep_for(300ms);
          accepted_while_held = accepted.load();
          released.wait();
        }
        seen += piece;
      },
      {.buffer = kBuffer, .buffers = kBuffers});
  std::string input = numbered_bytes(1 << 20);
  ends_in_time("lagging consumer", [&] {
    std::thread producer([&] {
      for (size_t at = 0; at < input.size(); ++at) {
        sink.write(std::string_view(input).substr(at, 1));
        accepted = at + 1;
      }
      sink.drain();
    });
    std::this_thread::sleep_for(400ms);
    release.set_value();
    producer.join();
  });
  EXPECT_EQ(seen, input);
  // One buffer held by the consumer, the rest queued or filling: the write that would need a
  // fourth buffer waits.
  EXPECT_LT(accepted_while_held.load(), kBuffers * kBuffer);
}

// The consumer's error reaches the producer as the same exception, and again on every later
// call; nothing after the failing piece is consumed.
TEST(BackgroundSink, ConsumerErrorReachesTheProducerAndSticks) {
  struct Row {
    const char* name;
    size_t total;
    size_t failing_piece;
  };
  const Row rows[] = {
      // On the caller's thread, in drain(): a stream shorter than one buffer.
      {"in drain", 100, 0},
      // On the worker, while the producer keeps writing.
      {"on the worker", 200000, 3},
      // On the worker, on the last full buffer: only drain() is left to report it.
      {"last buffer", 8 * 4096, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    size_t pieces = 0;
    size_t pieces_after_failure = 0;
    bool failed = false;
    BackgroundSink sink(
        [&](std::string_view) {
          if (failed) ++pieces_after_failure;
          if (pieces++ == row.failing_piece) {
            failed = true;
            throw core::Error("ZIP archive: write failed");
          }
        },
        {.buffer = 4096, .buffers = 3});
    std::string input = numbered_bytes(row.total);
    std::string message;
    ends_in_time(row.name, [&] {
      try {
        for (size_t at = 0; at < input.size(); at += 1000)
          sink.write(std::string_view(input).substr(at, 1000));
        sink.drain();
      } catch (const core::Error& e) {
        message = e.what();
      }
    });
    EXPECT_EQ(message, "ZIP archive: write failed");
    EXPECT_TRUE(sink.failed());
    EXPECT_THROW(sink.write(input), core::Error);
    EXPECT_THROW(sink.drain(), core::Error);
    EXPECT_EQ(pieces_after_failure, 0u);
  }
}

// The producer gives up in the middle (an exception in the caller): the destructor drops the
// queued buffers and joins the worker, with the consumer busy or failed.
TEST(BackgroundSink, DestroyedMidStreamJoinsTheWorker) {
  for (bool consumer_fails : {false, true}) {
    SCOPED_TRACE(consumer_fails ? "consumer failed" : "consumer busy");
    std::atomic<size_t> consumed = 0;
    ends_in_time("destructor", [&] {
      BackgroundSink sink(
          [&](std::string_view piece) {
            std::this_thread::sleep_for(20ms);
            if (consumer_fails) throw core::Error("ZIP archive: write failed");
            consumed += piece.size();
          },
          {.buffer = 4096, .buffers = 4});
      std::string input = numbered_bytes(3 * 4096 + 100);
      sink.write(input);  // three buffers handed over, the fourth partly filled
    });
    // The partly filled buffer is dropped, not consumed on the way out.
    EXPECT_LE(consumed.load(), size_t{3 * 4096});
  }
}

// --- The ZIP writer over the sink ---

// Bytes that deflate cannot shrink, so that a failing target is reached early in an entry.
std::string noise(size_t n) {
  std::mt19937 random(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

// A seekable in-memory target that refuses every byte past `limit`, as a full disk does.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(size_t limit) : m_limit(limit) {}
  const std::string& bytes() const { return m_bytes; }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    size_t room = m_at >= m_limit ? 0 : m_limit - m_at;
    size_t take = std::min(room, static_cast<size_t>(n));
    if (m_bytes.size() < m_at + take) m_bytes.resize(m_at + take);
    std::memcpy(m_bytes.data() + m_at, s, take);
    m_at += take;
    return static_cast<std::streamsize>(take);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    off_type base = dir == std::ios_base::beg   ? 0
                    : dir == std::ios_base::cur ? off_type(m_at)
                                                : off_type(m_bytes.size());
    m_at = static_cast<size_t>(base + off);
    return pos_type(off_type(m_at));
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    return seekoff(off_type(pos), std::ios_base::beg, which);
  }

 private:
  size_t m_limit;
  size_t m_at = 0;
  std::string m_bytes;
};

// The data of the one entry of an archive, read from its local header.
std::string_view only_entry_data(const std::string& archive, uint32_t& crc) {
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(archive.at(at + i));
    return v;
  };
  crc = le(14, 4);
  size_t data = 30 + le(26, 2) + le(28, 2);
  return std::string_view(archive).substr(data, le(18, 4));
}

std::string deflate_at_once(const std::string& input, int level) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, input.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// An entry of many buffers, written in uneven pieces, is compressed as if zlib had been handed
// the whole part at once: the thread changes when the work is done, not the archive's bytes.
TEST(ZipWriterOnAThread, LargeEntryHasTheBytesOfAOneCallDeflate) {
  const core::DateTime stamp = core::encode_date(2026, 12, 10);
  std::string text;
  for (int r = 1; text.size() < 6'000'000; ++r)
    text += "<w:tr><w:tc><w:p><w:r><w:t>" + std::to_string(r * 7919 % 100003) +
            "</w:t></w:r></w:p></w:tc></w:tr>";
  struct Row {
    const char* name;
    Method method;
    int level;
  };
  for (Row row : {Row{"fastest", Method::deflated, 1}, Row{"default", Method::deflated, -1},
                  Row{"stored", Method::stored, -1}}) {
    SCOPED_TRACE(row.name);
    std::ostringstream out;
    {
      ZipWriter zip(out, {.modified = stamp, .level = row.level});
      EntryWriter& entry = zip.begin_entry("word/document.xml", row.method);
      size_t at = 0;
      for (size_t step = 1; at < text.size(); step = step * 3 % 200'003 + 1) {
        entry.write(std::string_view(text).substr(at, step));
        at += step;
      }
      zip.end_entry();
      zip.finish();
    }
    uint32_t crc = 0;
    const std::string archive = out.str();
    std::string_view data = only_entry_data(archive, crc);
    EXPECT_EQ(crc, crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    EXPECT_TRUE(data == (row.method == Method::stored ? text : deflate_at_once(text, row.level)));
  }
}

// The target fails in the middle of a large deflated entry: the write error comes out of the
// writer's own calls, and keeps coming, rather than an archive that looks finished.
TEST(ZipWriterOnAThread, TargetFailingMidEntryIsReported) {
  const std::string data = noise(8 << 20);
  struct Row {
    const char* name;
    size_t limit;  // bytes the target takes; 0 for the full device
  };
  for (Row row :
       {Row{"full device", 0}, Row{"fails after 1 MB", 1 << 20}, Row{"fails after 5 MB", 5 << 20}}) {
    SCOPED_TRACE(row.name);
    FailingBuffer failing(row.limit);
    std::ostream stream(&failing);
    std::unique_ptr<ZipWriter> zip =
        row.limit ? std::make_unique<ZipWriter>(stream, WriterOptions{})
                  : std::make_unique<ZipWriter>(std::filesystem::path("/dev/full"), WriterOptions{});
    std::string message;
    ends_in_time(row.name, [&] {
      try {
        EntryWriter& entry = zip->begin_entry("word/document.xml");
        for (size_t at = 0; at < data.size(); at += 65536)
          entry.write(std::string_view(data).substr(at, 65536));
        zip->end_entry();
        zip->finish();
      } catch (const core::Error& e) {
        message = e.what();
      }
    });
    // The file and the system's reason; a stream that fails without one reads as an I/O error.
    EXPECT_EQ(message, row.limit ? "Nie udało się zapisać archiwum ZIP: Input/output error"
                                 : "Nie można zapisać pliku \"/dev/full\". No space left on device");
    EXPECT_THROW(zip->finish(), core::Error);
    if (row.limit) {
      EXPECT_EQ(failing.bytes().size(), row.limit);
    }
  }
}

// An exception in the export while an entry is being written: the writer goes out of scope with
// its thread busy and buffers queued, and neither hangs nor writes past the failure.
TEST(ZipWriterOnAThread, ExceptionWithAnEntryOpenLeavesNoHang) {
  core::TempDir dir;
  const std::string data = noise(4 << 20);
  for (std::filesystem::path target : {dir.path() / "out.docx", std::filesystem::path("/dev/full")}) {
    SCOPED_TRACE(target.string());
    std::string caught;
    ends_in_time("abandoned entry", [&] {
      try {
        ZipWriter zip(target, {});
        EntryWriter& entry = zip.begin_entry("word/document.xml");
        for (size_t at = 0; at < data.size(); at += 100000)
          entry.write(std::string_view(data).substr(at, 100000));
        throw std::runtime_error("the export stopped");
      } catch (const std::exception& e) {
        caught = e.what();
      }
    });
    // On the full device the write error may come first; either way the writer is gone.
    EXPECT_TRUE(caught == "the export stopped" ||
                caught == "Nie można zapisać pliku \"/dev/full\". No space left on device")
        << caught;
  }
}

}  // namespace
}  // namespace orvena::exporting::zip
