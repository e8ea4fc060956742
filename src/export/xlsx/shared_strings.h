#pragma once
// The shared strings part (xl/sharedStrings.xml): every distinct cell text once, cells refer to
// it by index. A report of a million rows holds millions of texts, so the table keeps them packed
// in large blocks with a compact open-addressing index instead of a node per string.
//
//   SharedStrings strings;
//   int i = strings.add("Kowalski");      // the same index for an equal text added again
//   strings.add_references(cells);        // the string cells the sheets wrote
//   strings.write(zip.begin_entry("xl/sharedStrings.xml"));
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::exporting::zip {
class EntryWriter;
}

namespace orvena::exporting::xlsx {

class SharedStrings {
 public:
  // The text's index; an equal text added before keeps its index.
  uint32_t add(std::string_view text);

  size_t unique_count() const { return m_refs.size(); }
  // The cells that refer to a shared string, for the part's count: a text may be used by
  // several cells (the covered cells of a merged range among them).
  uint64_t reference_count() const { return m_references; }
  void add_references(uint64_t cells) { m_references += cells; }
  std::string_view at(uint32_t index) const;

  // The whole part: <sst count uniqueCount> with one <si><t> per text.
  void write(zip::EntryWriter& entry) const;

 private:
  struct Ref {
    uint32_t block, offset, size;
  };
  static constexpr size_t kBlockSize = size_t(1) << 20;

  std::string_view store(std::string_view text, Ref& ref);
  void grow();

  std::vector<std::unique_ptr<char[]>> m_blocks;
  std::vector<size_t> m_block_sizes;  // bytes in use per block
  std::vector<Ref> m_refs;
  std::vector<uint32_t> m_slots;  // index + 1; 0 is empty
  uint64_t m_references = 0;
};

}  // namespace orvena::exporting::xlsx
