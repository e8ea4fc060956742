#pragma once
// Media types of attachments by file extension: a few built-in pairs, overridden by the types the
// system registers in a mime.types file (Debian: /etc/mime.types, from media-types).
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace orvena::delivery::mail {

class MediaTypes {
 public:
  static constexpr std::string_view kDefaultFile = "/etc/mime.types";
  static constexpr std::string_view kUnknown = "application/octet-stream";

  // The built-in pairs alone.
  MediaTypes();
  // Built-in pairs overridden by `file` when it can be read; an unreadable file adds nothing.
  static MediaTypes with_system_file(const std::filesystem::path& file);

  // Adds the pairs of mime.types text ("type ext ext ...", '#' comments), overriding earlier ones.
  void add_mime_types_text(std::string_view text);

  // By the extension of `file_name`, ignoring letter case; kUnknown when not found.
  std::string lookup(std::string_view file_name) const;

 private:
  std::map<std::string, std::string> m_by_extension;  // lower-case extension without the dot
};

}  // namespace orvena::delivery::mail
