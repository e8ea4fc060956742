#pragma once
// The system's words for a file it could not use.
#include <filesystem>
#include <string_view>

#include "core/error.h"

namespace orvena::core {

// What could not be done to a file.
enum class FileAction { Create, Open, Read, Write, Lock };

// The reason given for a path that names a folder, a FIFO or a device where a file belongs.
inline constexpr std::string_view kNotARegularFile = "To nie jest zwykły plik";

// `Nie można utworzyć pliku "<path>". <reason>`, the reason being the operating system's text
// (strerror) or one of ours; an empty reason is left out.
Error file_error(FileAction action, const std::filesystem::path& path, std::string_view reason = {});

// The error of a write to `path` that failed, with the system's reason (a full disk: "No space
// left on device"); an error number of 0, when the stream did not say, reads as an I/O error.
Error write_failed(const std::filesystem::path& path, int error_number);

}  // namespace orvena::core
