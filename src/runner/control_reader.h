#pragma once
// The runner's reader of the control file. It is lenient where the editor's reader is strict:
// keys and markers count in any letter case, after any blanks and anywhere in a line. It reads
// top to bottom and hands each definition over at its "[raport_end]" line, so the job runs
// before the next line is read; date variables are replaced and the weekday flag is tested as
// the lines are read, with the clock of that moment.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/control_file.h"
#include "core/datetime.h"

namespace orvena::runner {

// The definition being read. The job receives it by reference: the month-day rule sets `due`
// there, and like every field it stays until the next "[raport]=" line resets it (a block
// without that line continues from the one before it).
struct ReadDefinition {
  config::SzablonRaportu szablon;
  bool due = false;  // set by the weekday flag when "[dni_raportu]=" is read
};

// Called at each "[raport_end]" line. An exception from it ends the reading.
using DefinitionHandler = std::function<void(ReadDefinition&)>;

class ControlReader {
 public:
  // `weekday_name` is today's name ("pon" ... "nie"), fixed for the whole run.
  ControlReader(const core::Clock& clock, std::string weekday_name, DefinitionHandler on_definition);

  // Reads one line. The caller skips the file's first line (read_control_lines does).
  // Raises core::Error for a malformed date offset in the SQL, file name or subject.
  void read_line(std::string_view line);

  const ReadDefinition& current() const { return m_current; }

 private:
  void start_definition(const std::string& s);
  bool read_keys(const std::string& s, const std::string& k);
  bool read_markers(const std::string& k);
  void add_content(const std::string& s);

  const core::Clock& m_clock;
  std::string m_weekday;
  DefinitionHandler m_on_definition;
  ReadDefinition m_current;
  bool m_in_zapytanie = false;
  bool m_in_adresaci = false;
  bool m_in_daty = false;
};

// Reads every line but the first (that one is never read; a file of fewer than two lines
// yields nothing).
void read_control_lines(const std::vector<std::string>& lines, const core::Clock& clock,
                        std::string_view weekday_name, const DefinitionHandler& on_definition);

// Reads the control file. Returns false, having read nothing, when the file does not exist;
// a file that exists but cannot be read raises core::Error.
bool read_control_file(const std::filesystem::path& path, const core::Clock& clock,
                       std::string_view weekday_name, const DefinitionHandler& on_definition);

}  // namespace orvena::runner
