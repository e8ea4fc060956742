// The transfer window's rules that need no server: status texts, folder segments, the bar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "delivery/ftp/transfer.h"

namespace orvena::delivery {
namespace {

TEST(FtpStatusText, PolishForms) {
  struct Case {
    const char* reported;
    const char* shown;
  } cases[] = {
      {"Connecting to 127.0.0.1.", "Łączenie..."},
      {"Connected.", "Nawiązane połączenie z serwerem"},
      {"Connection established", "Połączony"},
      {"Starting FTP transfer", "Rozpoczynam transfer..."},
      {"Transfer complete", "Transfer zakończony, oczekiwanie na zamknięcie sesji..."},
      {"Disconnecting.", "Rozłączanie"},
      // "disconnected" holds "connected" but is not the connected status.
      {"Disconnected.", "Disconnected."},
      // Unknown texts stay in English.
      {"Transfer aborted", "Transfer aborted"},
      {"Resolving hostname ftp.example.com.", "Resolving hostname ftp.example.com."},
      // Keys are found in any letter case.
      {"CONNECTING TO host", "Łączenie..."},
  };
  for (const Case& c : cases) EXPECT_EQ(polish_status(c.reported), c.shown) << c.reported;
}

TEST(FtpFolderSegments, SeparatorsTrimmingAndEdges) {
  using Segments = std::vector<std::string>;
  struct Case {
    const char* folder;
    Segments segments;
  } cases[] = {
      {"", {}},
      {"raporty", {"raporty"}},
      {"/raporty/dzienne/", {"raporty", "dzienne"}},
      {"raporty\\dzienne", {"raporty", "dzienne"}},
      {"\\a\\b\\", {"a", "b"}},
      {"a / b", {"a", "b"}},
      {"  /a/b/  ", {"a", "b"}},
      // Only one leading and one trailing separator go; the rest become empty segments.
      {"//a//", {"", "a", ""}},
      {"a//b", {"a", "", "b"}},
      {"/", {""}},
      {"   ", {""}},
      {"zażółć/gęślą", {"zażółć", "gęślą"}},
  };
  for (const Case& c : cases) EXPECT_EQ(folder_segments(c.folder), c.segments) << '"' << c.folder << '"';
}

TEST(FtpProgressBar, PercentIsTruncatedAndClamped) {
  struct Case {
    int64_t maximum, position;
    bool indeterminate;
    int percent;
  } cases[] = {
      {100, 0, false, 0},   {100, 50, false, 50}, {3, 2, false, 66},  // truncated, not rounded
      {3, 3, false, 100},   {0, 0, false, 0},                         // an empty file: nothing to show
      {10, 20, false, 100}, {10, -5, false, 0},   {5'000'000'000, 2'500'000'000, false, 50},
      {0, 7, true, 0},
  };
  for (const Case& c : cases) {
    FtpProgressBar bar{c.maximum, c.position, c.indeterminate};
    EXPECT_EQ(bar.percent(), c.percent) << c.maximum << "/" << c.position;
  }
}

// Without a server the connection fails: the result is false, the busy flag is clear again,
// the window was shown and hidden, and the failure put no text of its own into the list.
TEST(FtpTransferLogic, FailedConnectReturnsFalseAndHidesTheWindow) {
  struct View : FtpTransferView {
    std::vector<std::string> calls;
    void shown(const FtpWindowState& s) override { calls.push_back("shown " + s.caption); }
    void hidden() override { calls.push_back("hidden"); }
  } view;
  FtpTransfer transfer(FtpLimits{std::chrono::milliseconds(500), std::chrono::milliseconds(500)});
  transfer.set_view(&view);
  transfer.set_port(1);  // nothing listens on port 1 of the loopback
  transfer.konfiguruj_ftp("127.0.0.1", "u", "p");
  EXPECT_FALSE(transfer.zapisz_plik("/nonexistent", "", ""));
  EXPECT_FALSE(transfer.zajety());
  EXPECT_FALSE(transfer.state().visible);
  EXPECT_EQ(view.calls, (std::vector<std::string>{"shown Wysyłanie pliku na serwer FTP!", "hidden"}));
  EXPECT_EQ(transfer.status_list(), std::vector<std::string>{"Status operacji: Łączenie..."});

  EXPECT_FALSE(transfer.pobierz_plik("x", "", "/nonexistent"));
  EXPECT_EQ(view.calls.at(2), "shown Pobieranie pliku z serwera FTP!");
}

}  // namespace
}  // namespace orvena::delivery
