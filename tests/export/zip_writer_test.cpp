#include "export/zip/zip_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/error.h"
#include "core/temp_dir.h"
#include "export/external_reader.h"
#include "export/zip/zip_archive.h"

namespace orvena::exporting::zip {
namespace {

using test::run_command;
using test::run_python;

const core::DateTime kStamp = core::encode_date(2026, 12, 10) + core::encode_time(14, 37, 59);

// Lists every entry as name, method, date-time and size, checks every CRC, and prints the
// contents of small entries so that a test can compare them whole.
const char* kListScript = R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    print("bad", bad)
    print("count", len(z.infolist()))
    for i in z.infolist()[:int(sys.argv[2]) if len(sys.argv) > 2 else None]:
        data = z.read(i)
        print(i.filename, i.compress_type, i.date_time, len(data),
              repr(data[:40].decode("utf-8")))
)";

std::string text_of_size(size_t n) {
  std::string s;
  while (s.size() < n) s += "<row r=\"" + std::to_string(s.size()) + "\"/>";
  s.resize(n);
  return s;
}

std::string read_all(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ZipWriterTest : public ::testing::Test {
 protected:
  core::TempDir m_dir;
  std::filesystem::path archive() const { return m_dir.path() / "out.zip"; }
};

// Three parts across the stored/deflated boundary, read back by two readers that are not ours.
TEST_F(ZipWriterTest, ThreePartsAreReadBackByPythonAndUnzip) {
  {
    ZipWriter zip(archive(), {.modified = kStamp});
    zip.add("[Content_Types].xml", text_of_size(128));  // the largest part still stored
    zip.add("xl\\workbook.xml", text_of_size(129));     // the smallest deflated; "\" becomes "/"
    zip.add("xl/worksheets/sheet1.xml", text_of_size(200000));
    zip.finish();
  }
  auto listed = run_python(m_dir.path(), kListScript, archive().string());
  ASSERT_EQ(listed.status, 0) << listed.output;
  // The time is 14:37:58: DOS times count in two-second steps.
  // Every part starts with the same text; its first 40 characters as Python shows them.
  const std::string head = " '<row r=\"0\"/><row r=\"12\"/><row r=\"25\"/><r'\n";
  EXPECT_EQ(listed.output,
            "bad None\ncount 3\n"
            "[Content_Types].xml 0 (2026, 12, 10, 14, 37, 58) 128" +
                head + "xl/workbook.xml 8 (2026, 12, 10, 14, 37, 58) 129" + head +
                "xl/worksheets/sheet1.xml 8 (2026, 12, 10, 14, 37, 58) 200000" + head);

  auto tested = run_command("unzip -t " + archive().string());
  EXPECT_EQ(tested.status, 0) << tested.output;
  EXPECT_NE(tested.output.find("No errors detected"), std::string::npos) << tested.output;
}

TEST_F(ZipWriterTest, ContentsSurviveWhole) {
  // Every byte value, a part written in uneven pieces, and a non-ASCII name (UTF-8 flag).
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  std::filesystem::path on_disk = m_dir.path() / "image1.png";
  std::ofstream(on_disk, std::ios::binary) << binary;
  {
    ZipWriter zip(archive(), {.modified = kStamp});
    zip.add_file("xl/media/image1.png", on_disk);
    EntryWriter& part = zip.begin_entry("word/zażółć.xml");
    for (size_t at = 0; at < binary.size(); at += 999) part.write(std::string_view(binary).substr(at, 999));
    zip.end_entry();
    zip.add("empty.xml", "");
    zip.finish();
  }
  auto out = run_python(m_dir.path(), R"(import sys, zipfile, hashlib
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        print(i.filename, i.flag_bits & 0x800, hashlib.sha1(z.read(i)).hexdigest())
)",
                        archive().string());
  ASSERT_EQ(out.status, 0) << out.output;
  auto sha = run_command("sha1sum " + on_disk.string()).output.substr(0, 40);
  EXPECT_EQ(out.output, "xl/media/image1.png 0 " + sha + "\nword/zażółć.xml 2048 " + sha +
                            "\nempty.xml 0 da39a3ee5e6b4b0d3255bfef95601890afd80709\n");
}

TEST_F(ZipWriterTest, EmptyArchiveIsTheEndRecordAlone) {
  std::ostringstream out;
  ZipWriter(out, {.modified = kStamp}).finish();
  EXPECT_EQ(out.str(), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

// A part streamed in pieces gets the same header, CRC and sizes as one added whole, so the
// patch-back of the local header lands on the right bytes.
TEST_F(ZipWriterTest, StreamedPartMatchesPartAddedWhole) {
  std::string data = text_of_size(100000);
  std::ostringstream whole, pieces;
  {
    ZipWriter zip(whole, {.modified = kStamp});
    zip.add("a.xml", data, Method::deflated);
    zip.add("b.xml", data, Method::stored);
    zip.finish();
  }
  {
    ZipWriter zip(pieces, {.modified = kStamp});
    for (auto [name, method] : {std::pair{"a.xml", Method::deflated}, {"b.xml", Method::stored}}) {
      EntryWriter& entry = zip.begin_entry(name, method);
      for (size_t at = 0; at < data.size(); at += 4096) entry.write(std::string_view(data).substr(at, 4096));
      zip.end_entry();
    }
    zip.finish();
  }
  EXPECT_EQ(whole.str(), pieces.str());
}

TEST_F(ZipWriterTest, FixedDateGivesIdenticalBytes) {
  auto build = [](core::DateTime stamp) {
    std::ostringstream out;
    ZipWriter zip(out, {.modified = stamp});
    zip.add("docProps/core.xml", text_of_size(5000));
    zip.add("_rels/.rels", text_of_size(60));
    zip.finish();
    return out.str();
  };
  std::string first = build(kStamp);
  EXPECT_EQ(first, build(kStamp));
  EXPECT_NE(first, build(kStamp + 1));
}

TEST(DosTime, FieldsAndRange) {
  struct Row {
    const char* name;
    core::DateTime when;
    uint16_t time, date;
  };
  const Row rows[] = {
      // The format's first day: year 0 is 1980, month and day count from 1.
      {"epoch", core::encode_date(1980, 1, 1), 0, 0x0021},
      // Odd seconds round down to the two-second step.
      {"odd second", kStamp, (14 << 11) | (37 << 5) | 29, (46 << 9) | (12 << 5) | 10},
      // Dates the fields cannot hold are pinned to the ends of the range, not wrapped.
      {"before 1980", core::encode_date(1970, 6, 1), 0, 0x0021},
      {"after 2107", core::encode_date(2200, 6, 1), (23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31},
  };
  for (const Row& row : rows) {
    DosTime t = dos_time(row.when);
    EXPECT_EQ(t.time, row.time) << row.name;
    EXPECT_EQ(t.date, row.date) << row.name;
  }
}

TEST_F(ZipWriterTest, BadUseIsRefusedWithAMessage) {
  std::ostringstream out;
  ZipWriter zip(out, {.modified = kStamp});
  zip.add("xl/styles.xml", "x");
  EXPECT_THROW(zip.add("xl/styles.xml", "y"), core::Error);
  EXPECT_THROW(zip.add("", "y"), core::Error);
  EXPECT_THROW(zip.add(std::string(70000, 'n'), "y"), core::Error);
  try {
    zip.add_file("xl/media/image9.png", m_dir.path() / "missing.png");
    ADD_FAILURE() << "a missing file was packed";
  } catch (const core::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "File " + (m_dir.path() / "missing.png").string() + " cannot be opened!");
  }
  // The refused parts left nothing behind: the archive still holds one readable entry.
  zip.finish();
  std::ofstream(archive(), std::ios::binary) << out.str();
  auto listed = run_python(m_dir.path(), kListScript, archive().string());
  EXPECT_EQ(listed.output, "bad None\ncount 1\nxl/styles.xml 0 (2026, 12, 10, 14, 37, 58) 1 'x'\n");
}

// 70,000 entries pass the 16-bit count of the end record: the ZIP64 end record carries it.
TEST_F(ZipWriterTest, SeventyThousandEntriesUseZip64Count) {
  {
    ZipWriter zip(archive(), {.modified = kStamp});
    for (int i = 0; i < 70000; ++i) zip.add("c/" + std::to_string(i) + ".txt", std::to_string(i));
    zip.finish();
  }
  auto listed = run_python(m_dir.path(), kListScript, archive().string() + " 2");
  ASSERT_EQ(listed.status, 0) << listed.output;
  EXPECT_EQ(listed.output,
            "bad None\ncount 70000\n"
            "c/0.txt 0 (2026, 12, 10, 14, 37, 58) 1 '0'\n"
            "c/1.txt 0 (2026, 12, 10, 14, 37, 58) 1 '1'\n");
  // The last entry's data is found through the ZIP64 record as well.
  auto last = run_python(m_dir.path(), R"(import sys, zipfile
print(zipfile.ZipFile(sys.argv[1]).read("c/69999.txt").decode())
)",
                         archive().string());
  EXPECT_EQ(last.output, "69999\n");
  auto tested = run_command("unzip -tq " + archive().string());
  EXPECT_EQ(tested.status, 0) << tested.output;
  EXPECT_NE(tested.output.find("No errors detected"), std::string::npos) << tested.output;
  // The classic end record says "see ZIP64" rather than a wrapped count.
  std::string bytes = read_all(archive());
  EXPECT_EQ(bytes.substr(bytes.size() - 22, 4), std::string("PK\x05\x06", 4));
  EXPECT_EQ(bytes.substr(bytes.size() - 14, 4), std::string("\xFF\xFF\xFF\xFF", 4));
  EXPECT_EQ(bytes.substr(bytes.size() - 42, 4), std::string("PK\x06\x07", 4));
}

// A part announced at 4 GiB or more carries its sizes in ZIP64 extra fields, local and central.
// (Writing 4 GiB is left to a manual run; the announced size takes the same path.)
TEST_F(ZipWriterTest, PartAnnouncedPastFourGiBUsesZip64Sizes) {
  {
    ZipWriter zip(archive(), {.modified = kStamp});
    zip.add("before.xml", text_of_size(1000));
    zip.begin_entry("big.xml", Method::deflated, uint64_t{5} << 30).write(text_of_size(300000));
    zip.end_entry();
    zip.add("after.xml", "x");
    zip.finish();
  }
  auto listed = run_python(m_dir.path(), R"(import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    print(z.testzip())
    for i in z.infolist():
        print(i.filename, i.file_size, i.compress_size < i.file_size, len(i.extra), i.extract_version)
)",
                           archive().string());
  EXPECT_EQ(listed.output,
            "None\nbefore.xml 1000 True 0 20\nbig.xml 300000 True 20 45\nafter.xml 1 False 0 20\n");
  auto tested = run_command("unzip -t " + archive().string());
  EXPECT_EQ(tested.status, 0) << tested.output;
}

class ZipArchiveTest : public ZipWriterTest {
 protected:
  void make(const std::filesystem::path& relative, const std::string& content) {
    std::filesystem::create_directories((m_dir.path() / relative).parent_path());
    std::ofstream(m_dir.path() / relative, std::ios::binary) << content;
  }
};

TEST_F(ZipArchiveTest, FolderTreeGivesRelativeNamesInNameOrder) {
  make("pkg/xl/worksheets/sheet1.xml", text_of_size(300));
  make("pkg/[Content_Types].xml", "<Types/>");
  make("pkg/xl/workbook.xml", "<workbook/>");
  ZipArchive archive;
  archive.root_folder = (m_dir.path() / "pkg").string() + "/";
  int progress = 0;
  archive.progress = [&] { ++progress; };
  archive.add_dir(m_dir.path() / "pkg");
  archive.add_file(m_dir.path() / "pkg" / "nothing.xml");
  EXPECT_EQ(archive.file_count(), 3u);
  ASSERT_EQ(archive.errors.size(), 1u);
  EXPECT_EQ(archive.errors[0], "File " + (m_dir.path() / "pkg" / "nothing.xml").string() + " not found!");

  archive.save_to_file(this->archive(), {.modified = kStamp});
  EXPECT_EQ(progress, 3);
  auto listed = run_python(m_dir.path(), R"(import sys, zipfile
print([i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist()])
)",
                           this->archive().string());
  EXPECT_EQ(listed.output, "['[Content_Types].xml', 'xl/workbook.xml', 'xl/worksheets/sheet1.xml']\n");

  // The first file added sets an empty root folder to its own folder.
  archive.clear();
  archive.add_file(m_dir.path() / "pkg" / "xl" / "workbook.xml");
  archive.add_dir(m_dir.path() / "pkg" / "xl" / "worksheets");
  std::ostringstream out;
  archive.save_to_stream(out, {.modified = kStamp});
  EXPECT_NE(out.str().find("worksheets/sheet1.xml"), std::string::npos);
  EXPECT_EQ(out.str().find("xl/workbook.xml"), std::string::npos);
}

}  // namespace
}  // namespace orvena::exporting::zip
