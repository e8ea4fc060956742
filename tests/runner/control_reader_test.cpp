#include "runner/control_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/error.h"
#include "core/temp_dir.h"
#include "runner/day_rules.h"

namespace orvena::runner {
namespace {

// Sunday 18 October 2015.
const core::DateTime kSunday = core::encode_date(2015, 10, 18) + core::encode_time(9, 0, 0);

std::string join(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

// The fields that are set, in a fixed order, so a table row can say what a definition holds.
std::string describe(const ReadDefinition& d) {
  const auto& s = d.szablon;
  std::string out = "raport=" + s.raport;
  auto field = [&](const char* name, const std::string& v) {
    if (!v.empty()) out += std::string("|") + name + "=" + v;
  };
  auto list = [&](const char* name, const std::vector<std::string>& v) {
    if (!v.empty()) out += std::string("|") + name + "=[" + join(v) + "]";
  };
  field("dni", s.dni_raportu);
  list("daty", s.daty);
  list("sql", s.zapytanie);
  field("pusty", s.wyslij_jesli_pusty);
  field("plik", s.nazwa_pliku);
  field("szablon", s.szablon_raportu);
  field("format", s.format_pliku);
  field("na", s.wyslij_na);
  field("adres_ftp", s.adres_ftp);
  field("folder_ftp", s.folder_ftp);
  field("user_ftp", s.user_ftp);
  field("pass_ftp", s.pass_ftp);
  field("temat", s.temat_email);
  list("adresaci", s.adresaci);
  out += d.due ? "|DUE" : "";
  return out;
}

std::vector<std::string> read_all(const std::vector<std::string>& lines, const core::Clock& clock,
                                  std::string_view weekday = "nie") {
  std::vector<std::string> out;
  read_control_lines(lines, clock, weekday, [&](ReadDefinition& d) { out.push_back(describe(d)); });
  return out;
}

struct Case {
  const char* name;
  std::vector<std::string> lines;  // the first line is never read
  std::vector<std::string> expected;
};

class RunnerReader : public ::testing::TestWithParam<Case> {};

TEST_P(RunnerReader, HandsOverDefinitions) {
  core::FixedClock clock(kSunday);
  EXPECT_EQ(read_all(GetParam().lines, clock), GetParam().expected);
}

const std::string kSep = "//" + std::string(94, '=');

const Case kCases[] = {
    {"editor_block",
     {"[raport_start]",
      "[raport]=Sprzedaż",
      "[dni_raportu]=0000001",
      "[daty_start]",
      "03-31",
      "[daty_end]",
      "[zapytanie_start]",
      "select *",
      "from t where d = '[<data-1>]'",
      "[zapytanie_end]",
      "[wyslij_jesli_pusty]=nie",
      "[nazwa_pliku]=sprzedaz_[<data>].pdf",
      "[szablon_raportu]=Sprzedaż [<data>].orp",
      "[format_pliku]=pdf",
      "[wyslij_na]=e-mail/ftp",
      "[adres_ftp]=ftp.[<data>]",
      "[folder_ftp]=/Raporty",
      "[user_ftp]=Jan",
      "[pass_ftp]=Tajne",
      "[temat_email]=Sprzedaż [<data-1>]",
      "[adresaci_start]",
      "a@x.pl",
      "[<data>]@x.pl",
      "[adresaci_end]",
      "[raport_end]",
      kSep},
     // Dates only in the SQL, file name and subject; the template, FTP values and recipients
     // are used as written. Sunday's flag is set, so the definition is due.
     {"raport=Sprzedaż|dni=0000001|daty=[03-31]|sql=[select *,from t where d = ' 2015-10-17 ']|pusty=nie"
      "|plik=sprzedaz_ 2015-10-18 .pdf|szablon=Sprzedaż "
      "[<data>].orp|format=pdf|na=e-mail/ftp|adres_ftp=ftp.[<data>]"
      "|folder_ftp=/Raporty|user_ftp=Jan|pass_ftp=Tajne|temat=Sprzedaż "
      "2015-10-17|adresaci=[a@x.pl,[<data>]@x.pl]|DUE"}},
    {"keys_in_any_case_and_indented",
     {"", "  [RAPORT]=  Duży ", "\t[Dni_Raportu]= 1111111 ", "   [FORMAT_PLIKU]= PDF ", "[WYSLIJ_NA]=E-Mail",
      "[Wyslij_Jesli_Pusty]=NIE", "  [Szablon_Raportu]= Wzór.ORP", "[ZAPYTANIE_START]", "  Select 1  ",
      "[Zapytanie_End]", "  [RAPORT_END]  "},
     // Lower-cased values: the destination, format and empty rule; the rest keep their case.
     {"raport=Duży|dni=1111111|sql=[Select 1]|pusty=nie|szablon=Wzór.ORP|format=pdf|na=e-mail|DUE"}},
    {"key_inside_line_takes_value_from_line_start",
     {"", "[raport]=A", "x [nazwa_pliku]=abc.csv", "-- [temat_email]=T", "[raport_end]"},
     // The value loses as many characters as the key has, counted from the line's start.
     {"raport=A|dni=0000000|pusty=tak|plik=]=abc.csv|temat=l]=T"}},
    {"first_line_is_never_read",
     {"[raport]=Pierwszy", "[dni_raportu]=0000001", "[zapytanie_start]", "select 1", "[zapytanie_end]",
      "[raport_end]"},
     // Without its "[raport]=" line the block has no name and no reset: no default flags.
     {"raport=|dni=0000001|sql=[select 1]|pusty=tak|DUE"}},
    {"fewer_than_two_lines", {"[raport_end]"}, {}},
    {"no_end_line_no_definition", {"", "[raport]=A", "[zapytanie_start]", "select 1", "[zapytanie_end]"}, {}},
    {"template_carried_over_empty_rule_reset",
     {"", "[raport]=A", "[szablon_raportu]=a.orp", "[wyslij_jesli_pusty]=nie", "[format_pliku]=pdf",
      "[raport_end]", kSep, "[raport_start]", "[raport]=B", "[raport_end]"},
     // B names no template, so it uses A's; its empty rule went back to "tak" after A's job;
     // everything else was reset by B's "[raport]=".
     {"raport=A|dni=0000000|pusty=nie|szablon=a.orp|format=pdf",
      "raport=B|dni=0000000|pusty=tak|szablon=a.orp"}},
    {"empty_rule_before_name_line_survives",
     {"", "[raport_start]", "[wyslij_jesli_pusty]=nie", "[raport]=A", "[raport_end]"},
     {"raport=A|dni=0000000|pusty=nie"}},
    {"missing_adresaci_end",
     {"", "[raport]=A", "[adresaci_start]", "a@x.pl", "b@x.pl", "[raport_end]", kSep, "[raport_start]",
      "[raport]=B", "[raport_end]"},
     // The end line itself becomes a recipient; the next block's "[raport]=" closes the list.
     {"raport=A|dni=0000000|pusty=tak|adresaci=[a@x.pl,b@x.pl,[raport_end]]",
      "raport=B|dni=0000000|pusty=tak"}},
    {"two_blocks_of_one_name_both_run",
     {"", "[raport]=A", "[format_pliku]=csv", "[raport_end]", "[raport]=A", "[format_pliku]=pdf",
      "[raport_end]"},
     {"raport=A|dni=0000000|pusty=tak|format=csv", "raport=A|dni=0000000|pusty=tak|format=pdf"}},
    {"markers_anywhere_in_any_case",
     {"", "[raport]=A", "-- [Zapytanie_Start] begins", "select 1", "", "   ", "[ZAPYTANIE_END] --",
      "select 2", "[raport_end]"},
     // Blank lines are no content; lines outside every section are dropped.
     {"raport=A|dni=0000000|sql=[select 1]|pusty=tak"}},
    {"sections_are_independent",
     {"", "[raport]=A", "[zapytanie_start]", "[daty_start]", "[<data>]", "[zapytanie_end]", "[daty_end]",
      "[raport_end]"},
     // A line inside two open sections goes to both; only the SQL copy is substituted.
     {"raport=A|dni=0000000|daty=[[<data>]]|sql=[2015-10-18]|pusty=tak"}},
    {"key_text_inside_sql_is_a_key",
     {"", "[raport]=A", "[zapytanie_start]", "[temat_email]= x", "select 1", "[zapytanie_end]",
      "[raport_end]"},
     {"raport=A|dni=0000000|sql=[select 1]|pusty=tak|temat=x"}},
    {"weekday_flag_reset_by_next_name",
     {"", "[raport]=A", "[dni_raportu]=0000001", "[raport_end]", "[raport]=B", "[raport_end]", "[raport]=C",
      "[dni_raportu]=1111110", "[raport_end]"},
     {"raport=A|dni=0000001|pusty=tak|DUE", "raport=B|dni=0000000|pusty=tak",
      "raport=C|dni=1111110|pusty=tak"}},
    {"short_weekday_flags",
     {"", "[raport]=A", "[dni_raportu]=", "[raport_end]", "[raport]=B", "[dni_raportu]=000000",
      "[raport_end]"},
     // Missing positions count as "0": neither is due on a Sunday.
     {"raport=A|pusty=tak", "raport=B|dni=000000|pusty=tak"}},
    {"end_line_must_be_whole_line",
     {"", "[raport]=A", "[raport_end] x", "[raport_end]"},
     {"raport=A|dni=0000000|pusty=tak"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunnerReader, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunnerReaderErrors, MalformedOffsetEndsTheReading) {
  core::FixedClock clock(kSunday);
  std::vector<std::string> names;
  std::vector<std::string> lines = {"",
                                    "[raport]=A",
                                    "[raport_end]",
                                    "[raport]=B",
                                    "[nazwa_pliku]=r_[<data+x>].pdf",
                                    "[raport_end]",
                                    "[raport]=C",
                                    "[raport_end]"};
  try {
    read_control_lines(lines, clock, "nie", [&](ReadDefinition& d) { names.push_back(d.szablon.raport); });
    FAIL() << "no error";
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
  // A ran; the error came while B's line was read, so neither B nor C was handed over.
  EXPECT_EQ(names, std::vector<std::string>{"A"});
}

TEST(RunnerReaderErrors, MalformedOffsetInSqlLine) {
  core::FixedClock clock(kSunday);
  std::vector<std::string> lines = {
      "", "[raport]=A", "[zapytanie_start]", "where d > '[<data->]'", "[zapytanie_end]", "[raport_end]"};
  EXPECT_THROW(read_control_lines(lines, clock, "nie", nullptr), core::Error);
}

// A clock the test moves by hand between jobs.
class HandClock : public core::Clock {
 public:
  explicit HandClock(core::DateTime t) : m_now(t) {}
  core::DateTime now() const override { return m_now; }
  void set(core::DateTime t) { m_now = t; }

 private:
  core::DateTime m_now;
};

TEST(RunnerReaderMidnight, WeekdayStaysDatesMoveOn) {
  // The run starts on Sunday 23:59; the first job takes past midnight. The weekday name was
  // fixed at the start, so B's Sunday flag still counts on Monday; B's SQL and the month-day
  // key of its job take the new date.
  HandClock clock(core::encode_date(2015, 10, 18) + core::encode_time(23, 59, 0));
  const std::string weekday(weekday_name_of(clock.now()));
  ASSERT_EQ(weekday, "nie");
  std::vector<std::string> lines = {"",
                                    "[raport]=A",
                                    "[dni_raportu]=0000001",
                                    "[zapytanie_start]",
                                    "[<data>]",
                                    "[zapytanie_end]",
                                    "[raport_end]",
                                    "[raport]=B",
                                    "[dni_raportu]=0000001",
                                    "[daty_start]",
                                    "10-19",
                                    "[daty_end]",
                                    "[zapytanie_start]",
                                    "[<data>]",
                                    "[zapytanie_end]",
                                    "[raport_end]"};
  std::vector<std::string> seen;
  read_control_lines(lines, clock, weekday, [&](ReadDefinition& d) {
    std::string key = month_day_key(clock.now());
    if (month_day_listed(d.szablon.daty, key)) d.due = true;
    seen.push_back(d.szablon.raport + " " + d.szablon.zapytanie.at(0) + " " + key + (d.due ? " due" : ""));
    clock.set(core::encode_date(2015, 10, 19) + core::encode_time(0, 0, 30));  // the job ran long
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"A 2015-10-18 10-18 due", "B 2015-10-19 10-19 due"}));
}

TEST(RunnerReaderFile, ReadsEditorFileInCodePage) {
  core::FixedClock clock(kSunday);
  std::vector<std::string> got;
  ASSERT_TRUE(read_control_file(std::string(ORVENA_FIXTURES) + "/control/editor_two_blocks.txt", clock, "pon",
                                [&](ReadDefinition& d) { got.push_back(describe(d)); }));
  EXPECT_EQ(got,
            (std::vector<std::string>{
                "raport=Sprzedaż dzienna|dni=1111100|sql=[select * from sprzedaz,where data = ' 2015-10-17 ']"
                "|pusty=nie|plik=sprzedaz_ 2015-10-18 .xlsx|szablon=sprzedaż.orp|format=excel|na=e-mail"
                "|temat=Sprzedaż 2015-10-17|adresaci=[jan@example.com,ola@example.com]|DUE",
                "raport=Obroty roczne|dni=0000000|daty=[01-15,07-01]|sql=[select 1]|pusty=tak|plik=obroty.csv"
                "|format=csv|na=ftp|adres_ftp=127.0.0.1|folder_ftp=/raporty|user_ftp=ftp"
                "|pass_ftp=Hasło"}));
}

TEST(RunnerReaderFile, MissingFileReadsNothing) {
  core::TempDir dir;
  core::FixedClock clock(kSunday);
  int calls = 0;
  EXPECT_FALSE(
      read_control_file(dir.path() / "sterowanie.txt", clock, "pon", [&](ReadDefinition&) { ++calls; }));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace orvena::runner
