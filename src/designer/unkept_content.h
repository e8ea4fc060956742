#pragma once
// What a template file holds that the reader does not keep: elements of classes it does not know
// and attributes no property takes. Saving the loaded report writes neither, so the designer
// names them before it overwrites the file.
#include <string>
#include <string_view>
#include <vector>

#include "report/serializer.h"

namespace orvena::designer {

// One line per lost element or attribute: the classes the load's log names as unknown first,
// then attributes in file order ("właściwość Foo obiektu Tytul (wiersz 8)"). Empty for a file the
// reader keeps whole (or one it cannot read at all: that load already failed and said so).
std::vector<std::string> unkept_content(std::string_view bytes,
                                        const std::vector<report::Diagnostic>& load_log);

}  // namespace orvena::designer
