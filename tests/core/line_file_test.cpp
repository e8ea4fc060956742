#include "core/line_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/temp_dir.h"

namespace orvena::core {
namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

class ReadLines : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ReadLines, DecodesAndSplits) {
  TempDir dir;
  auto path = dir.path() / "f.txt";
  std::ofstream(path, std::ios::binary) << GetParam().bytes;
  EXPECT_EQ(read_lines(path), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ReadLines,
    ::testing::Values(
        // Windows-1250 bytes of "Zażółć" and "łódź": no mark means the 8-bit code page.
        DecodeCase{"cp1250", "Za\xBF\xF3\xB3\xE6\r\n\xB3\xF3\x64\x9F\r\n", {"Zażółć", "łódź"}},
        DecodeCase{"utf8_bom", "\xEF\xBB\xBFZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\nb", {"Zażółć", "b"}},
        // UTF-16 LE "ą\r\nx" and BE "ą\nx".
        DecodeCase{"utf16le", std::string("\xFF\xFE\x05\x01\r\0\n\0x\0", 10), {"ą", "x"}},
        DecodeCase{"utf16be", std::string("\xFE\xFF\x01\x05\0\n\0x", 8), {"ą", "x"}},
        // Every kind of line end, an empty line kept, a final break not starting a new line.
        DecodeCase{"mixed_line_ends", "a\r\nb\nc\rd\r\n\r\ne\n", {"a", "b", "c", "d", "", "e"}},
        DecodeCase{"no_final_break", "a\r\nb", {"a", "b"}}, DecodeCase{"empty", "", {}},
        // The byte 0x81 is undefined in Windows-1250; it must survive as some character, not vanish.
        DecodeCase{"undefined_byte", "a\x81z", {"a\u0081z"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadLinesUtf16, OddTrailingByteAndLoneSurrogateDoNotCrash) {
  TempDir dir;
  auto path = dir.path() / "f.txt";
  std::ofstream(path, std::ios::binary) << std::string(
      "\xFF\xFE"
      "a\0\x00\xD8"
      "b",
      7);
  auto lines = read_lines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "a\uFFFD");
}

TEST(ReadLines, MissingFileNamesThePath) {
  TempDir dir;
  try {
    read_lines(dir.path() / "nie_ma.txt");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("nie_ma.txt"), std::string::npos) << e.what();
  }
}

TEST(ReadRegularFile, TheLimitIsInclusiveOverSeveralReads) {
  TempDir dir;
  auto path = dir.path() / "f.bin";
  std::ofstream(path, std::ios::binary) << std::string(70000, 'x');  // more than one read
  EXPECT_EQ(read_regular_file(path, 70000), std::string(70000, 'x'));
  EXPECT_THROW(read_regular_file(path, 69999), Error);
  EXPECT_THROW(read_regular_file(path, 0), Error);
}

TEST(WriteLines, Windows1250WithCrLfAfterEveryLine) {
  TempDir dir;
  auto path = dir.path() / "out.txt";
  write_lines(path, {"Zażółć gęślą jaźń", "", "€ koniec"});
  EXPECT_EQ(read_file(path), "Za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1\r\n\r\n\x80 koniec\r\n");
  // Replacing leaves no temporary files behind.
  write_lines(path, {"x"});
  EXPECT_EQ(read_file(path), "x\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriteLines, CharacterOutsideTheCodePageBecomesQuestionMark) {
  EXPECT_EQ(encode_lines({"日本"}), "??\r\n");
}

TEST(WriteLines, MissingFolderFailsWithCreateError) {
  TempDir dir;
  auto path = dir.path() / "Logi" / "log.txt";
  try {
    write_lines(path, {"a"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Nie można utworzyć pliku \"" + path.string() + "\". No such file or directory");
  }
}

// Settings, control file and templates: a FIFO would hang the run and a link to /dev/zero
// would exhaust memory; both must fail at once with the file named.
TEST(ReadRegularFile, RefusesWhatIsNoRegularFileAndWhatIsTooLarge) {
  TempDir dir;
  const auto fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const auto zero = dir.path() / "zero";
  std::filesystem::create_symlink("/dev/zero", zero);
  const auto big = dir.path() / "big.txt";
  std::ofstream(big, std::ios::binary) << std::string(101, '\n');
  struct Case {
    std::filesystem::path path;
    const char* message;
  };
  for (const Case& c : {Case{fifo, "To nie jest zwykły plik"}, Case{zero, "To nie jest zwykły plik"},
                        Case{dir.path(), "To nie jest zwykły plik"}, Case{big, "większy niż 100 bajtów"},
                        Case{dir.path() / "nie_ma", "No such file"}}) {
    try {
      read_regular_file(c.path, 100);
      ADD_FAILURE() << c.path << " was read";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.path.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  std::ofstream(big, std::ios::binary) << std::string(100, '\n');
  EXPECT_EQ(read_regular_file(big, 100).size(), 100u);
}

TEST(WriteLines, ATargetThatIsNoRegularFileIsRefusedAndStays) {
  TempDir dir;
  const auto fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // A link to a device: renaming over it would have replaced /dev/null itself as root.
  const auto device = dir.path() / "null";
  std::filesystem::create_symlink("/dev/null", device);
  for (const auto& target : {fifo, device, dir.path()}) {
    EXPECT_THROW(write_lines(target, {"x"}), Error) << target;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_TRUE(std::filesystem::is_symlink(device));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
      << "no temporary file left";
}

}  // namespace
}  // namespace orvena::core
