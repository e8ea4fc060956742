#include "delivery/ftp/transfer.h"

#include <algorithm>
#include <filesystem>

#include "core/text.h"

namespace orvena::delivery {
namespace {

// Applied in order to the lower-cased text, each replacing the whole text when its key is in it.
struct StatusRule {
  std::string_view key;
  std::string_view unless;  // a second key that keeps the rule from applying
  std::string_view polish;
};

constexpr StatusRule kStatusRules[] = {
    {"onnecting to", "", "Łączenie..."},
    {"connected", "disconnected", "Nawiązane połączenie z serwerem"},
    {"connection established", "", "Połączony"},
    {"starting ftp transfer", "", "Rozpoczynam transfer..."},
    {"transfer complete", "", "Transfer zakończony, oczekiwanie na zamknięcie sesji..."},
    {"disconnecting.", "", "Rozłączanie"},
};

// Name resolution is not worth a line in the window.
constexpr std::string_view kHiddenStatus = "resolving hostname";

}  // namespace

int FtpProgressBar::percent() const {
  if (indeterminate || maximum <= 0) return 0;
  int64_t p = std::clamp<int64_t>(position, 0, maximum);
  return static_cast<int>(static_cast<long double>(p) * 100 / static_cast<long double>(maximum));
}

std::string polish_status(std::string_view reported) {
  std::string s(reported);
  for (const StatusRule& rule : kStatusRules) {
    std::string lower = core::to_lower(s);
    if (lower.find(rule.key) == std::string::npos) continue;
    if (!rule.unless.empty() && lower.find(rule.unless) != std::string::npos) continue;
    s = rule.polish;
  }
  return s;
}

std::vector<std::string> folder_segments(std::string_view folder) {
  if (folder.empty()) return {};
  std::string rest = core::trim(core::replace_all(folder, "/", "\\"));
  if (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
  if (!rest.empty() && rest.back() == '\\') rest.pop_back();
  std::vector<std::string> segments;
  for (size_t sep; (sep = rest.find('\\')) != std::string::npos;) {
    segments.push_back(core::trim(std::string_view(rest).substr(0, sep)));
    rest.erase(0, sep + 1);
  }
  segments.push_back(core::trim(rest));
  return segments;
}

class FtpTransfer::Events : public FtpSessionEvents {
 public:
  explicit Events(FtpTransfer& transfer) : m_transfer(transfer) {}
  void ftp_status(const std::string& text) override { m_transfer.on_status(text); }
  void ftp_work_begin(FtpDirection direction, int64_t expected) override {
    m_transfer.on_work_begin(direction, expected);
  }
  void ftp_work(int64_t bytes) override { m_transfer.on_work(bytes); }
  void ftp_work_end() override { m_transfer.on_work_end(); }

 private:
  FtpTransfer& m_transfer;
};

FtpTransfer::FtpTransfer(const FtpLimits& limits) : m_events(std::make_unique<Events>(*this)) {
  m_session.set_limits(limits);
  m_session.set_events(m_events.get());
}

FtpTransfer::~FtpTransfer() {
  m_session.set_events(nullptr);
}

void FtpTransfer::set_pump(std::function<void()> pump) {
  m_pump = pump;
  m_session.set_pump(std::move(pump));
}

void FtpTransfer::pump() {
  if (m_pump) m_pump();
}

void FtpTransfer::konfiguruj_ftp(const std::string& serwer, const std::string& uzytkownik,
                                 const std::string& haslo) {
  m_session.set_host(serwer);
  m_session.set_user(uzytkownik);
  m_session.set_password(haslo);
}

bool FtpTransfer::zapisz_plik(const std::string& z_pliku, const std::string& do_folderu,
                              const std::string& do_pliku_ftp) {
  return run(Kind::upload, [&] {
    change_folders(do_folderu);
    std::string name =
        do_pliku_ftp.empty() ? std::filesystem::path(z_pliku).filename().string() : do_pliku_ftp;
    m_session.store(z_pliku, name);
  });
}

bool FtpTransfer::pobierz_plik(const std::string& plik, const std::string& z_folderu,
                               const std::string& do_pliku) {
  return run(Kind::download, [&] {
    m_download_bytes = -1;
    change_folders(z_folderu);
    m_download_bytes = m_session.size(plik);
    m_session.retrieve(plik, do_pliku);
  });
}

bool FtpTransfer::run(Kind kind, const std::function<void()>& work) {
  // A transfer started from inside another one's event processing must not disturb it.
  if (m_busy) return false;
  m_busy = true;
  bool ok = false;
  try {
    if (kind == Kind::upload) pump();
    m_state.visible = true;
    m_state.caption = kind == Kind::upload ? kUploadCaption : kDownloadCaption;
    m_state.status.clear();
    m_state.activity = false;
    m_state.bar.position = 0;
    m_state.bar.indeterminate = false;
    if (m_view) m_view->shown(m_state);
    pump();
    // A session left open by an earlier failure is closed before the new one starts.
    if (m_session.connected()) m_session.disconnect();
    m_session.connect();
    work();
    m_session.disconnect();
    ok = true;
  } catch (...) {
    // The caller learns of the failure from the result alone; it logs its own line.
  }
  m_busy = false;
  try {
    pump();
  } catch (...) {
  }
  m_state.visible = false;
  m_state.activity = false;
  try {
    if (m_view) m_view->hidden();
  } catch (...) {
  }
  return ok;
}

void FtpTransfer::change_folders(std::string_view folder) {
  std::vector<std::string> segments = folder_segments(folder);
  // An empty segment would be "CWD " with nothing after it; a server that took that as "go home"
  // would receive the file in the wrong folder, so the transfer fails here instead.
  if (std::find(segments.begin(), segments.end(), std::string()) != segments.end())
    throw core::Error("Empty folder name in " + std::string(folder));
  for (const std::string& segment : segments) m_session.change_folder(segment);
}

void FtpTransfer::on_status(const std::string& reported) {
  if (core::to_lower(reported).find(kHiddenStatus) != std::string::npos) return;
  m_state.status.push_back(std::string(kStatusPrefix) + polish_status(reported));
  if (m_view) m_view->status_changed(m_state.status);
}

void FtpTransfer::on_work_begin(FtpDirection direction, int64_t expected) {
  if (direction == FtpDirection::retrieve) expected = m_download_bytes;
  m_bytes_seen = 0;
  FtpProgressBar bar;
  bar.position = 0;
  bar.indeterminate = expected < 0;
  bar.maximum = std::max<int64_t>(expected, 0);
  set_bar(bar);
  m_state.activity = true;
  if (m_view) m_view->activity_changed(true);
  pump();
}

void FtpTransfer::on_work(int64_t bytes) {
  m_bytes_seen = bytes;
  FtpProgressBar bar = m_state.bar;
  bar.position = std::clamp<int64_t>(bytes, 0, bar.maximum);
  set_bar(bar);
  pump();
}

void FtpTransfer::on_work_end() {
  FtpProgressBar bar = m_state.bar;
  if (bar.indeterminate) {
    // The size is known now that the transfer is over.
    bar.indeterminate = false;
    bar.maximum = m_bytes_seen;
  }
  bar.position = bar.maximum;
  set_bar(bar);
  m_state.activity = false;
  if (m_view) m_view->activity_changed(false);
  pump();
}

void FtpTransfer::set_bar(const FtpProgressBar& bar) {
  bool redraw = bar.percent() != m_state.bar.percent() || bar.indeterminate != m_state.bar.indeterminate;
  m_state.bar = bar;
  if (redraw && m_view) m_view->progress_changed(m_state.bar);
}

}  // namespace orvena::delivery
