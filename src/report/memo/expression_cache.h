#pragma once
// Compiled bracket expressions of one run, each compiled once into a function "rpf" + N of a
// child of the report's script (so it sees the script's names) and called as often as printed.
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "script/script.h"

namespace orvena::report {

class ExpressionCache {
 public:
  struct Entry {
    std::string function_name;  // "rpf" + the entry count when it was compiled
    std::unique_ptr<script::CompiledExpression> compiled;
  };

  // The entry of `expression`, compiled in a child of `script` on first sight. A compile failure
  // throws core::Error with "Błąd w wyrażeniu '<expression>': <message> (<line>:<column>)", the
  // place counted in the expression.
  Entry& get(script::Script& script, std::string_view expression);
  size_t size() const { return m_entries.size(); }
  void clear() { m_entries.clear(); }

  // Names ignore case but the text of quoted strings does not: 'Tak' and 'TAK' are different
  // expressions, "SUM(x)" and "sum(X)" are one.
  static std::string key(std::string_view expression);

 private:
  std::map<std::string, Entry> m_entries;
};

}  // namespace orvena::report
