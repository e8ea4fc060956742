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

// A cell text as the sheet keeps it (ECMA-376 Part 1, 22.9.2.19, ST_Xstring), XML-escaped: a
// control character that XML cannot carry is written "_xHHHH_" and an underscore that would
// begin such a form "_x005F_", so that the text reads back as it was.
void append_cell_text(std::string& out, std::string_view text);

class SharedStrings {
 public:
  // What a cell holds, in UTF-16 units: a longer text makes the spreadsheet programs repair the
  // workbook.
  static constexpr size_t kMaxCharacters = 32767;

  // The text's index; an equal text added before keeps its index. A text past kMaxCharacters is
  // cut to fit, its last character "…", so the cell shows that it goes on.
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
