#include "core/paths.h"

#include <algorithm>
#include <string_view>

#include "core/locale.h"

namespace orvena::core {

std::filesystem::path Home::executable_folder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path();
  return exe.parent_path();
}

Home Home::from_arguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--home" && i + 1 < argc) return Home(std::filesystem::absolute(argv[i + 1]));
    if (arg.substr(0, 7) == "--home=") return Home(std::filesystem::absolute(std::string(arg.substr(7))));
  }
  return Home(executable_folder());
}

std::filesystem::path Home::log_file(double date) const {
  return logs() / ("log_" + Locale::format_date(date) + ".txt");
}

std::filesystem::path Home::resolve(const std::string& path) const {
  std::filesystem::path p(path);
  return p.is_absolute() ? p : m_root / p;
}

bool is_within(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return o == outer.end();
}

}  // namespace orvena::core
