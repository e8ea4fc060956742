#include "app/check_template.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/text.h"
#include "report/bands.h"
#include "report/engine_context.h"
#include "report/memo/memo_text.h"
#include "report/report.h"
#include "report/views.h"

namespace orvena::app {

namespace {

// What a run would compile, with the place each comes from.
struct Expression {
  std::string place;  // "Memo1.Memo", "MasterData1.Filter", ...
  std::string text;
};

std::vector<Expression> expressions_of(const report::Report& rep) {
  using namespace report;
  std::vector<Expression> out;
  auto add = [&](const Component& c, std::string_view property, std::string_view text) {
    if (!core::trimmed(text).empty())
      out.push_back({c.name() + "." + std::string(property), std::string(text)});
  };
  for (Component* c : rep.all_objects()) {
    if (auto* memo = dynamic_cast<CustomMemoView*>(c)) {
      // A text bound to a data field shows the field; its brackets are never expanded.
      if (memo->allow_expressions && memo->data_field.empty()) {
        memo_text::Template t =
            memo_text::parse_template(memo->text(), memo_text::split_delimiters(memo->expression_delimiters));
        for (const auto& part : t.parts)
          if (!part.macro) add(*memo, "Memo", t.expression(part));
      }
      for (const auto& h : memo->highlights) add(*memo, "Highlight.Condition", h->condition);
    } else if (auto* data = dynamic_cast<DataBand*>(c)) {
      add(*data, "Filter", data->filter);
    } else if (auto* group = dynamic_cast<GroupHeader*>(c)) {
      add(*group, "Condition", group->condition);
    } else if (auto* barcode = dynamic_cast<BarCodeView*>(c)) {
      add(*barcode, "Expression", barcode->expression);
    } else if (auto* code = dynamic_cast<Barcode2DView*>(c)) {
      add(*code, "Expression", code->expression);
    } else if (auto* check = dynamic_cast<CheckBoxView*>(c)) {
      add(*check, "Expression", check->expression);
    }
  }
  return out;
}

// The first error compiling the script or any expression, as a run would meet it; the script's
// error names its line and column, an expression's the object and property holding it.
std::optional<std::string> first_compile_error(report::Report& rep) {
  report::EngineContext ctx(rep);
  if (!ctx.prepare_script()) return rep.errors().back();
  for (const Expression& e : expressions_of(rep)) {
    try {
      ctx.check_expression(e.text);
    } catch (const std::exception& error) {
      return e.place + ": " + error.what();
    }
  }
  return std::nullopt;
}

}  // namespace

int check_template(const std::filesystem::path& file, const std::optional<std::filesystem::path>& resave,
                   std::ostream& out, std::ostream& err) {
  report::Report rep;
  // The error list is printed here, so the report itself stays quiet.
  rep.engine_options.new_silent_mode = report::SilentMode::Silent;
  try {
    rep.load_from_file(file, true);
  } catch (const std::exception& e) {
    err << file.string() << ": " << e.what() << '\n';
    return 1;
  }
  for (const std::string& text : rep.errors()) {
    out << file.string() << ':';
    for (const report::Diagnostic& d : rep.diagnostics()) {
      if (d.text == text && d.line > 0) {
        out << d.line << ':' << d.column << ':';
        break;
      }
    }
    out << ' ' << text << '\n';
  }
  std::optional<std::string> compile_error;
  if (rep.errors().empty()) {
    compile_error = first_compile_error(rep);
    if (compile_error) out << file.string() << ": " << *compile_error << '\n';
  }
  if (resave) {
    try {
      rep.save_to_file(*resave);
    } catch (const std::exception& e) {
      err << resave->string() << ": " << e.what() << '\n';
      return 1;
    }
  }
  return rep.errors().empty() && !compile_error ? 0 : 1;
}

int run_check_template(int argc, char** argv) {
  std::optional<std::filesystem::path> file, resave;
  for (int i = 1; i < argc; ++i) {
    bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--check-template") == 0 && has_value) {
      file = argv[++i];
    } else if (std::strcmp(argv[i], "--resave") == 0 && has_value) {
      resave = argv[++i];
    }
  }
  if (!file) {
    std::cerr << "Usage: orvena --check-template FILE [--resave OUT]\n";
    return 2;
  }
  return check_template(*file, resave, std::cout, std::cerr);
}

}  // namespace orvena::app
