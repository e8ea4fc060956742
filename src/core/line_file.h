#pragma once
// The system's own text files: lists of lines, 8-bit code page unless a byte-order mark says
// otherwise, written back in Windows-1250 with CR LF after every line.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::core {

// Decodes a whole file's bytes: a UTF-8 or UTF-16 (LE/BE) byte-order mark selects that
// encoding (and is dropped); anything else is Windows-1250.
std::string decode_text(std::string_view bytes);

// Whole file as bytes. Throws core::Error ("Cannot open file ...") when it cannot be read.
std::string read_file(const std::filesystem::path& path);
// The same for a file of at most max_bytes; std::nullopt for a longer one, found out while
// reading, so a file that grows after a size check, a pipe or a device cannot fill the memory.
std::optional<std::string> read_file_limited(const std::filesystem::path& path, uint64_t max_bytes);

// The file's lines as UTF-8; CR LF, LF and lone CR all end a line.
std::vector<std::string> read_lines(const std::filesystem::path& path);

// Writes bytes through a temporary file in the same folder renamed over `path`, so readers
// never see a half-written file. Throws core::Error ("Cannot create file ...") on failure.
void write_file_atomic(const std::filesystem::path& path, std::string_view bytes);

// Every line in Windows-1250 followed by CR LF (the last one too), written atomically.
void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines);
std::string encode_lines(const std::vector<std::string>& lines);

}  // namespace orvena::core
