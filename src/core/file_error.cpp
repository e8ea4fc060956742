#include "core/file_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace orvena::core {

Error file_error(FileAction action, const std::filesystem::path& path, std::string_view reason) {
  std::string text = "Nie można ";
  switch (action) {
    case FileAction::Create:
      text += "utworzyć";
      break;
    case FileAction::Open:
      text += "otworzyć";
      break;
    case FileAction::Read:
      text += "odczytać";
      break;
    case FileAction::Write:
      text += "zapisać";
      break;
    case FileAction::Lock:
      text += "zablokować";
      break;
  }
  text += " pliku \"" + path.string() + "\".";
  if (!reason.empty()) text += " " + std::string(reason);
  return Error(text);
}

Error write_failed(const std::filesystem::path& path, int error_number) {
  return file_error(FileAction::Write, path, std::strerror(error_number ? error_number : EIO));
}

}  // namespace orvena::core
