#include "report/resources.h"

#include <algorithm>
#include <iterator>

namespace orvena::report {
namespace {

struct Text {
  std::string_view name;
  std::string_view text;
};

// Sorted by name for the binary search below.
constexpr Text kTexts[] = {
    {"clDSNotExist", "Źródło \"%s\" nie istnieje"},
    {"clDSNotIncl", "(Źródło jest nie dołączone do Report.DataSets)"},
    {"clDecompressError", "Błąd wypakowania strumienia"},
    {"clErrors", "Pojawił się następujący błąd(y):"},
    {"clExprError", "Błąd w wyrażeniu"},
    {"clScrError", "Błąd wykonania skryptu w %s: %s"},
    {"clUnknownVar", "Nieznana zmienna lub pole danych:"},
    {"dbFldNotFound", "Nieznaleziono pola:"},
    {"dbNotConn", "Źródło %s jest niepodłączone"},
    {"enBandPos", "Nieprawidłowa pozycja wstęgi:"},
    {"enUnconnGFooter", "Brak nagłówka grupy dla"},
    {"enUnconnGroup", "Brak wstęgi danych dla grupy"},
    {"enUnconnHeader", "Niepołączony nagłówek/stopka"},
    {"mbError", "Błąd"},
    {"obChBox", "Zaznaczenie"},
    {"prDupl", "Nazwa jest już użyta"},
    {"prExporting", "Eksportowanie strony %d"},
    {"prInvProp", "Nieprawidłowa wartość właściowości"},
    {"prPrinting", "Drukowanie strony %d"},
    {"prRunning", "Tworzenie strony %d"},
    {"prRunningFirst", "Pierwszy przebieg: strona %d"},
    {"xrCantFindClass", "Nie znaleziono klasy"},
};

static_assert(std::is_sorted(std::begin(kTexts), std::end(kTexts),
                             [](const Text& a, const Text& b) { return a.name < b.name; }));

}  // namespace

std::string_view resource(std::string_view name) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), name,
                             [](const Text& t, std::string_view n) { return t.name < n; });
  if (it != std::end(kTexts) && it->name == name) return it->text;
  return name;
}

std::string resource_format(std::string_view name, std::string_view arg) {
  std::string text(resource(name));
  for (std::string_view spec : {"%s", "%d"}) {
    size_t at = text.find(spec);
    if (at != std::string::npos) return text.replace(at, 2, arg);
  }
  return text;
}

}  // namespace orvena::report
