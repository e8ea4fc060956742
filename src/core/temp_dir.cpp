#include "core/temp_dir.h"

#include <cstdlib>
#include <string>

#include "core/error.h"

namespace orvena::core {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvena.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw Error("Nie można utworzyć folderu tymczasowego.");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

}  // namespace orvena::core
