#pragma once
// Helpers for the PDF writer's tests: fonts of the machine, text shaped with HarfBuzz as the
// font service will shape it, the command-line readers (poppler, qpdf) and a small parser of our
// own output's cross-reference table.
#include <gtest/gtest.h>
#include <hb.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "export/pdf/pdf_document.h"
#include "support/run_command.h"

namespace orvena::exporting::pdf::test {

inline const std::filesystem::path kFontFolder = "/usr/share/fonts/truetype/liberation2";
inline FontKey liberation(const std::string& file) {
  return {kFontFolder / file, 0};
}

// Glyphs, advances (report pixels) and clusters of `text` at `size` points, kerning included.
inline TextRun shape(Document& doc, const FontKey& key, double size, double x, double y,
                     const std::string& text) {
  hb_blob_t* blob = hb_blob_create_from_file(key.file.c_str());
  hb_face_t* face = hb_face_create(blob, key.face_index);
  hb_font_t* font = hb_font_create(face);
  double upem = hb_face_get_upem(face);
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, nullptr, 0);
  unsigned count = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
  TextRun run{.font = doc.font(key), .size = size, .x = x, .y = y, .text = text};
  for (unsigned i = 0; i < count; ++i)
    run.glyphs.push_back({static_cast<uint16_t>(info[i].codepoint),
                          pos[i].x_advance / upem * size / kPointsPerPixel, info[i].cluster});
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
  return run;
}

using Command = ::orvena::test::CommandResult;

// Standard output only; a command that wants its errors too says "2>&1" itself.
inline Command run(const std::string& command) {
  return ::orvena::test::run_command(command, ::orvena::test::Streams::OutputOnly);
}

using ::orvena::test::shell_quoted;

// A fixed clock and identifier, so that two runs give the same bytes.
struct Fixed {
  core::FixedClock clock{46000.5};  // 2025-12-09 12:00:00
  DocumentOptions options(Compression compression = Compression::Deflate) {
    DocumentOptions o;
    o.compression = compression;
    o.clock = &clock;
    o.file_id = [] { return std::string("0123456789abcdef"); };
    // Counts up from 0: each vector differs, and every run draws the same ones.
    o.random = [n = uint8_t(0)](size_t size) mutable {
      std::string bytes(size, '\0');
      for (char& c : bytes) c = static_cast<char>(n++);
      return bytes;
    };
    return o;
  }
};

// The objects of a file as its cross-reference table lists them, checked on the way: the table
// sits where startxref says, each entry is 20 bytes and each offset points at "N 0 obj".
struct XrefCheck {
  std::map<int, size_t> offsets;
  std::string error;
};

inline XrefCheck check_xref(const std::string& pdf) {
  XrefCheck r;
  size_t sx = pdf.rfind("startxref\r\n");
  if (sx == std::string::npos) return {.error = "no startxref"};
  size_t xref = std::stoul(pdf.substr(sx + 11));
  if (pdf.compare(xref, 6, "xref\r\n") != 0) return {.error = "startxref does not point at xref"};
  size_t at = xref + 6;
  size_t eol = pdf.find("\r\n", at);
  int first = 0, count = 0;
  if (std::sscanf(pdf.substr(at, eol - at).c_str(), "%d %d", &first, &count) != 2 || first != 0)
    return {.error = "bad subsection"};
  at = eol + 2;
  for (int n = 0; n < count; ++n, at += 20) {
    std::string entry = pdf.substr(at, 20);
    if (entry.size() != 20 || entry.substr(18) != "\r\n")
      return {.error = "entry " + std::to_string(n) + " not 20 bytes"};
    if (n == 0) continue;
    size_t offset = std::stoul(entry.substr(0, 10));
    std::string head = std::to_string(n) + " 0 obj";
    if (pdf.compare(offset, head.size(), head) != 0)
      return {.error = "object " + std::to_string(n) + " not at its offset"};
    r.offsets[n] = offset;
  }
  if (pdf.compare(at, 7, "trailer") != 0) return {.error = "no trailer after the table"};
  return r;
}

// Object numbers that no "N 0 R" anywhere in the file names.
inline std::vector<int> unreferenced(const std::string& pdf, const XrefCheck& xref) {
  std::set<int> named;
  static const std::regex ref(R"((\d+) 0 R)");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), ref); it != std::sregex_iterator(); ++it)
    named.insert(std::stoi((*it)[1]));
  std::vector<int> out;
  for (const auto& [n, at] : xref.offsets)
    if (!named.contains(n)) out.push_back(n);
  return out;
}

}  // namespace orvena::exporting::pdf::test
