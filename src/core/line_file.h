#pragma once
// The system's own text files: lists of lines, 8-bit code page unless a byte-order mark says
// otherwise, written back in Windows-1250 with CR LF after every line.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::core {

// Decodes a whole file's bytes: a UTF-8 or UTF-16 (LE/BE) byte-order mark selects that
// encoding (and is dropped); anything else is Windows-1250.
std::string decode_text(std::string_view bytes);

// Whole file as bytes. Throws core::Error ("Cannot open file ...") when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// Reads a file that must be a regular file of at most `max_bytes`. A FIFO, a device or a folder
// (also behind a symlink) is refused without blocking, a larger file before it is read. Settings,
// control file and templates come through here, so a link to /dev/zero cannot exhaust memory.
std::string read_regular_file(const std::filesystem::path& path, std::uintmax_t max_bytes);

// The file's lines as UTF-8; CR LF, LF and lone CR all end a line.
std::vector<std::string> read_lines(const std::filesystem::path& path);

// The error of a write to `file` that failed, with the system's reason (a full disk: "No space
// left on device"); an error number of 0, when the stream did not say, reads as an I/O error.
class Error;
Error write_failed(const std::filesystem::path& file, int error_number);

// Writes bytes through a temporary file in the same folder renamed over `path`, so readers
// never see a half-written file. A target that exists and is not a regular file (a device, a
// FIFO, a folder) is refused: renaming over it would replace it. Throws core::Error ("Cannot
// create file ...") on failure.
void write_file_atomic(const std::filesystem::path& path, std::string_view bytes);

// Every line in Windows-1250 followed by CR LF (the last one too), written atomically.
void write_lines(const std::filesystem::path& path, const std::vector<std::string>& lines);
std::string encode_lines(std::span<const std::string> lines);
std::string encode_lines(const std::vector<std::string>& lines);

// Appends bytes to a regular file, creating it. A file that does not end with a line break gets
// CR LF first, so that a line cut off by a killed writer stays apart from the new ones. When a
// write fails the file is cut back to its former size: a full disk leaves no half line behind.
// Throws core::Error ("Cannot create file ..." / "Cannot write file ...").
void append_to_file(const std::filesystem::path& path, std::string_view bytes);

}  // namespace orvena::core
