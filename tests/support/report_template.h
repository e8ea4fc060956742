#pragma once
// A small report template for whole-run tests: one data band over the published query.
#include <filesystem>
#include <string>

#include "core/line_file.h"

namespace orvena::test {

inline std::string xml_attribute(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&#34;";
        break;
      case '\n':
        out += "&#13;&#10;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One data band over "DaneOrvena" whose text object shows `text`; `script` is the template's.
inline void write_template(const std::filesystem::path& file, const std::string& script,
                           const std::string& text) {
  core::write_file_atomic(
      file,
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TrpReport Version=\"2.4.0\" ScriptText.Text=\"" +
          xml_attribute(script) +
          "\">\n<Datasets><item DataSetName=\"DaneOrvena\"/></Datasets>\n"
          "<TrpReportPage Name=\"Page1\"><TrpMasterData Name=\"Row\" Height=\"20\" Left=\"0\" Top=\"20\" "
          "Width=\"300\" DataSetName=\"DaneOrvena\" OnBeforePrint=\"RowOnBeforePrint\">"
          "<TrpMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"20\" Text=\"" +
          xml_attribute(text) + "\"/></TrpMasterData></TrpReportPage>\n</TrpReport>\n");
}

}  // namespace orvena::test
