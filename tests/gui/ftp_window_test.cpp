// The FTP transfer window mirrors the transfer's state.
#include "app/gui/ftp_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "qt_app.h"

namespace orvena::app {
namespace {

TEST(FtpWindowTest, ShowsCaptionStatusProgressAndActivity) {
  test::qt_app();
  FtpWindow window;
  delivery::FtpWindowState state;
  state.caption = "Wysyłanie pliku na serwer FTP!";
  window.shown(state);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Wysyłanie pliku na serwer FTP!");
  EXPECT_EQ(window.size(), QSize(497, 274));

  window.status_changed({"Status operacji: Łączenie...", "Status operacji: Nawiązane połączenie z serwerem",
                         "Status operacji: Połączony", "Status operacji: Rozpoczynam transfer..."});
  delivery::FtpProgressBar bar;
  bar.maximum = 2000;
  bar.position = 900;
  window.progress_changed(bar);
  window.activity_changed(true);
  EXPECT_EQ(window.status_label()->text().count('\n'), 3);
  EXPECT_TRUE(window.status_label()->text().startsWith("Status operacji: Łączenie..."));
  EXPECT_EQ(window.bar()->value(), 45);
  EXPECT_EQ(window.bar()->text(), "45%");
  EXPECT_TRUE(window.activity()->isVisible());
  test::screenshot(window, "ftp_window_during_transfer");

  window.activity_changed(false);
  EXPECT_FALSE(window.activity()->isVisible());
  window.hidden();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace orvena::app
