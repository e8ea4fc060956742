#pragma once
// The FTP transfer window's logic, free of any GUI: it runs one upload or download at a time,
// keeps the Polish status list, the progress bar and the activity indicator, and tells a view
// about every change. The Qt window is a thin view over this class.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/ftp/session.h"

namespace orvena::delivery {

// The bar's model: minimum 0, values clamped into [0, maximum]. `indeterminate` is set while a
// download runs whose size the server did not tell; a view shows a busy bar then.
struct FtpProgressBar {
  int64_t maximum = 100;
  int64_t position = 0;
  bool indeterminate = false;
  // Whole per cent, truncated; 0 for an empty range.
  int percent() const;
};

struct FtpWindowState {
  bool visible = false;
  std::string caption;
  std::vector<std::string> status;  // the status list; the label shows it one entry per line
  FtpProgressBar bar;
  bool activity = false;  // the animated activity picture, shown while the file's bytes move
};

// What the window shows. All calls come on the caller's thread, in the order of the transfer;
// a view mirrors the state it is given. The pump is called after the points where the window
// must repaint, so a view only records and need not process events itself.
class FtpTransferView {
 public:
  virtual ~FtpTransferView() = default;
  // The window appears with this caption (and the cleared state).
  virtual void shown(const FtpWindowState& state) {}
  virtual void status_changed(const std::vector<std::string>& status) {}
  // Only when the shown percentage (or the range) changes, as a progress bar redraws.
  virtual void progress_changed(const FtpProgressBar& bar) {}
  virtual void activity_changed(bool running) {}
  virtual void hidden() {}
};

inline constexpr std::string_view kUploadCaption = "Wysyłanie pliku na serwer FTP!";
inline constexpr std::string_view kDownloadCaption = "Pobieranie pliku z serwera FTP!";
inline constexpr std::string_view kStatusPrefix = "Status operacji: ";

// The Polish form of a session status text; texts without a known key stay as reported.
std::string polish_status(std::string_view reported);

// The CWD arguments for a folder value: "/" and "\" both separate, segments are trimmed, one
// leading and one trailing separator are dropped. An empty value gives no segments; a value
// that holds only separators or blanks gives one empty segment.
std::vector<std::string> folder_segments(std::string_view folder);

class FtpTransfer {
 public:
  explicit FtpTransfer(const FtpLimits& limits = {});
  ~FtpTransfer();
  FtpTransfer(const FtpTransfer&) = delete;
  FtpTransfer& operator=(const FtpTransfer&) = delete;

  void set_view(FtpTransferView* view) { m_view = view; }
  // Lets the GUI process pending events; may be empty (headless runs).
  void set_pump(std::function<void()> pump);
  void set_limits(const FtpLimits& limits) { m_session.set_limits(limits); }
  // The system always uses port 21; tests point the transfer at their own server.
  void set_port(uint16_t port) { m_session.set_port(port); }

  // Host, login name and password for the following transfers; checks nothing, connects not.
  void konfiguruj_ftp(const std::string& serwer, const std::string& uzytkownik, const std::string& haslo);
  // Uploads `z_pliku` into the folder `do_folderu` under `do_pliku_ftp` (the local file's name
  // when empty). True when the file was stored and the session closed. Never throws.
  bool zapisz_plik(const std::string& z_pliku, const std::string& do_folderu,
                   const std::string& do_pliku_ftp);
  // Downloads `plik` from the folder `z_folderu` into the local file `do_pliku`. Never throws.
  bool pobierz_plik(const std::string& plik, const std::string& z_folderu, const std::string& do_pliku);

  // True while a transfer runs: a second one asked for meanwhile (through the pump) is refused.
  bool zajety() const { return m_busy; }
  const std::vector<std::string>& status_list() const { return m_state.status; }
  const FtpWindowState& state() const { return m_state; }
  // The size the server gave for the last download, -1 when it did not tell.
  int64_t download_bytes() const { return m_download_bytes; }

 private:
  class Events;
  enum class Kind { upload, download };

  bool run(Kind kind, const std::function<void()>& work);
  void change_folders(std::string_view folder);
  void pump();

  void on_status(const std::string& reported);
  void on_work_begin(FtpDirection direction, int64_t expected);
  void on_work(int64_t bytes);
  void on_work_end();
  void set_bar(const FtpProgressBar& bar);

  FtpSession m_session;
  std::unique_ptr<Events> m_events;
  FtpTransferView* m_view = nullptr;
  std::function<void()> m_pump;
  bool m_busy = false;
  FtpWindowState m_state;
  int64_t m_download_bytes = -1;
  int64_t m_bytes_seen = 0;
};

}  // namespace orvena::delivery
