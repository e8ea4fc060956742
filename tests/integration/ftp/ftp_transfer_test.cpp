// Uploads and downloads against the real FTP server of scripts/test-servers.sh (pyftpdlib on the
// loopback), checked on the server's disk.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "delivery/ftp/transfer.h"
#include "support/servers.h"

namespace orvena::delivery {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::server_env;
using Lines = std::vector<std::string>;

std::string read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class FtpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ORVENA_NEED_SERVER("ORVENA_TEST_FTP_HOST");
    m_home = server_env("ORVENA_TEST_FTP_HOME");
    m_local = fs::temp_directory_path() / ("orvena-ftp-it-" + std::to_string(::getpid()));
    fs::create_directories(m_local);
    m_transfer.set_limits(FtpLimits{5s, 5s, 100ms});
    std::string port = server_env("ORVENA_TEST_FTP_PORT");
    if (!port.empty()) m_transfer.set_port(static_cast<uint16_t>(std::stoi(port)));
    m_transfer.konfiguruj_ftp(server_env("ORVENA_TEST_FTP_HOST"), server_env("ORVENA_TEST_FTP_USER"),
                              server_env("ORVENA_TEST_FTP_PASS"));
    remove_earlier_results();
  }
  void TearDown() override {
    std::error_code ignored;
    if (!m_local.empty()) fs::remove_all(m_local, ignored);
  }

  // A local file with this content; the name carries the test's name so parallel runs never meet.
  fs::path local(const std::string& content, const std::string& suffix = ".csv") {
    fs::path p = m_local / (unique() + suffix);
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  // What a previous run of this test left on the server would hide a file that is not stored.
  void remove_earlier_results() {
    for (const fs::path& dir : {m_home, m_home / "a" / "b", m_home / "dl"}) {
      std::error_code ec;
      for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(unique(), 0) == 0) fs::remove_all(it->path(), ec);
      }
    }
  }
  std::string unique() const {
    return std::string("t_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  fs::path m_home;
  fs::path m_local;
  FtpTransfer m_transfer;
};

const Lines kOrdinaryUpload = {
    "Status operacji: Łączenie...",
    "Status operacji: Nawiązane połączenie z serwerem",
    "Status operacji: Połączony",
    "Status operacji: Rozpoczynam transfer...",
    "Status operacji: Transfer zakończony, oczekiwanie na zamknięcie sesji...",
    "Status operacji: Rozłączanie",
    "Status operacji: Disconnected.",
};

TEST_F(FtpServerTest, UploadIntoNestedFolders) {
  fs::create_directories(m_home / "a" / "b");
  struct Case {
    const char* folder;
    const char* why;
  } cases[] = {
      {"/a/b/", "slashes, leading and trailing dropped"},
      {"a / b", "segments are trimmed"},
      {"\\a\\b", "backslashes"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = unique() + "_" + std::to_string(++n) + ".csv";
    std::string content = "kolumna;wartość\r\n" + std::string(c.why) + "\r\n";
    ASSERT_TRUE(m_transfer.zapisz_plik(local(content).string(), c.folder, name)) << c.why;
    EXPECT_EQ(read_all(m_home / "a" / "b" / name), content) << c.why;
    EXPECT_EQ(m_transfer.status_list(), kOrdinaryUpload) << c.why;
    EXPECT_FALSE(m_transfer.zajety());
  }
}

TEST_F(FtpServerTest, EmptyFolderValueStoresInTheLoginFolder) {
  std::string name = unique() + ".csv";
  ASSERT_TRUE(m_transfer.zapisz_plik(local("x").string(), "", name));
  EXPECT_EQ(read_all(m_home / name), "x");
}

TEST_F(FtpServerTest, EmptyFileIsStored) {
  std::string name = unique() + ".csv";
  ASSERT_TRUE(m_transfer.zapisz_plik(local("").string(), "", name));
  ASSERT_TRUE(fs::exists(m_home / name));
  EXPECT_EQ(fs::file_size(m_home / name), 0u);
}

TEST_F(FtpServerTest, UploadOverwritesFromTheFirstByte) {
  std::string name = unique() + ".csv";
  ASSERT_TRUE(m_transfer.zapisz_plik(local("a long first version\r\n").string(), "", name));
  ASSERT_TRUE(m_transfer.zapisz_plik(local("short").string(), "", name));
  EXPECT_EQ(read_all(m_home / name), "short");  // not appended, no tail of the old file left
}

TEST_F(FtpServerTest, PolishFileNameArrivesAsUtf8) {
  std::string name = unique() + "_sprzedaż_łódź.csv";
  ASSERT_TRUE(m_transfer.zapisz_plik(local("ż").string(), "", name));
  EXPECT_EQ(read_all(m_home / name), "ż");
}

TEST_F(FtpServerTest, DownloadWithSize) {
  fs::create_directories(m_home / "dl");
  std::string content(70'000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);  // binary, all bytes
  std::string name = unique() + ".bin";
  std::ofstream(m_home / "dl" / name, std::ios::binary) << content;
  fs::path target = m_local / "pobrany.bin";
  ASSERT_TRUE(m_transfer.pobierz_plik(name, "/dl/", target.string()));
  EXPECT_EQ(m_transfer.download_bytes(), 70'000);
  EXPECT_EQ(read_all(target), content);
  EXPECT_EQ(m_transfer.state().bar.percent(), 100);
}

TEST_F(FtpServerTest, WrongPasswordFailsWithConnectionEntriesOnly) {
  m_transfer.konfiguruj_ftp(server_env("ORVENA_TEST_FTP_HOST"), server_env("ORVENA_TEST_FTP_USER"),
                            "zle-haslo");
  std::string name = unique() + ".csv";
  EXPECT_FALSE(m_transfer.zapisz_plik(local("x").string(), "", name));
  EXPECT_EQ(m_transfer.status_list(), (Lines{
                                          "Status operacji: Łączenie...",
                                          "Status operacji: Nawiązane połączenie z serwerem",
                                          "Status operacji: Rozłączanie",
                                          "Status operacji: Disconnected.",
                                      }));
  EXPECT_FALSE(m_transfer.state().visible);
  EXPECT_FALSE(m_transfer.zajety());
  EXPECT_FALSE(fs::exists(m_home / name));
}

TEST_F(FtpServerTest, MissingFolderFailsAndCreatesNothing) {
  std::string folder = unique() + "_brak";
  std::string name = unique() + ".csv";
  EXPECT_FALSE(m_transfer.zapisz_plik(local("x").string(), "/" + folder + "/pod/", name));
  EXPECT_FALSE(fs::exists(m_home / folder));
  EXPECT_FALSE(fs::exists(m_home / name));
  // The session was left open by the failure; the next transfer still works.
  EXPECT_TRUE(m_transfer.zapisz_plik(local("y").string(), "", name));
  EXPECT_EQ(read_all(m_home / name), "y");
}

TEST_F(FtpServerTest, BusyFlagRefusesATransferStartedFromAProgressCallback) {
  struct View : FtpTransferView {
    std::function<void()> on_progress;
    void progress_changed(const FtpProgressBar&) override { on_progress(); }
  } view;
  std::vector<bool> nested;
  std::string first = unique() + "_pierwszy.bin";
  std::string second = unique() + "_drugi.bin";
  fs::path second_local = local("drugi", ".2");
  view.on_progress = [&] {
    EXPECT_TRUE(m_transfer.zajety());
    nested.push_back(m_transfer.zapisz_plik(second_local.string(), "", second));
  };
  m_transfer.set_view(&view);
  std::string content(500'000, 'p');
  ASSERT_TRUE(m_transfer.zapisz_plik(local(content).string(), "", first));
  ASSERT_FALSE(nested.empty());
  EXPECT_EQ(std::count(nested.begin(), nested.end(), true), 0);
  EXPECT_EQ(read_all(m_home / first), content);
  EXPECT_FALSE(fs::exists(m_home / second));
  EXPECT_EQ(m_transfer.status_list(), kOrdinaryUpload);  // the refused calls left no trace
}

}  // namespace
}  // namespace orvena::delivery
