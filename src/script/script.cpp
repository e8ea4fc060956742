#include "script/script.h"

#include <algorithm>

#include "core/line_file.h"
#include "core/paths.h"
#include "core/quote.h"
#include "core/text.h"
#include "script/nodes_p.h"

namespace orvena::script {

namespace {

// "#language NAME" on the first line picks the language; the line stays (empty) so that
// positions keep their line numbers.
std::string take_language_directive(std::string_view text, std::string& language) {
  if (text.empty() || text[0] != '#') return std::string(text);
  size_t end = text.find('\n');
  std::string_view line = text.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
  size_t name_end = 0;
  while (name_end < line.size() && std::isalpha(static_cast<unsigned char>(line[name_end]))) ++name_end;
  if (!core::equals_ignore_case(line.substr(0, name_end), "language")) return std::string(text);
  language = core::trim(line.substr(name_end));
  return end == std::string_view::npos ? std::string() : std::string(text.substr(end));
}

// Larger than any unit written by hand; a link to /dev/zero or a huge file stops here.
constexpr std::uintmax_t kMaxUnitBytes = 4 << 20;

// A used unit: a file in one of the unit folders (the first that has it), never a path leading
// out of them, and only a regular file of bounded size, so a unit name cannot read /etc/passwd,
// block on a FIFO or fill the memory.
std::string read_unit(const std::vector<std::filesystem::path>& folders, const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path relative = fs::path(name).lexically_normal();
  if (name.empty() || relative.is_absolute() || *relative.begin() == "..")
    throw core::Error("Moduł '" + name + "' leży poza folderem szablonu - nie wczytano go.");
  if (folders.empty()) throw core::Error("Moduł '" + name + "' nie ma folderu, z którego można go wczytać.");
  std::error_code ec;
  const fs::path* found = &folders.front();
  for (const auto& dir : folders) {
    if (fs::exists(dir / relative, ec)) {
      found = &dir;
      break;
    }
  }
  const fs::path path = *found / relative;
  // A link in the folder may lead anywhere; where it leads is what would be read.
  std::error_code ec1, ec2;
  const fs::path real_folder = fs::weakly_canonical(*found, ec1), real_path = fs::weakly_canonical(path, ec2);
  if (!ec1 && !ec2 && !core::is_within(real_path, real_folder))
    throw core::Error("Moduł '" + name + "' leży poza folderem szablonu - nie wczytano go.");
  return core::decode_text(core::read_regular_file(path, kMaxUnitBytes));
}

}  // namespace

Script::Script(Host* host) : m_host(host), m_runtime(std::make_shared<Runtime>()) {
  m_runtime->host = host;
}

Script::Script(Host* host, Script* parent) : Script(host) {
  m_parent = parent;
}

Script::~Script() = default;

bool Script::compile(std::string_view text) {
  auto fresh = std::make_shared<Runtime>();
  fresh->host = m_host;
  fresh->hook = std::move(m_runtime->hook);
  fresh->clock = m_runtime->clock;
  if (m_parent) {
    fresh->parent = m_parent->m_runtime.get();
    fresh->root->parent = m_parent->m_runtime->root.get();
  }
  m_runtime = std::move(fresh);
  m_error.clear();
  m_error_unit.clear();
  m_error_pos.reset();

  std::string language = m_language;
  std::string source = take_language_directive(text, language);
  if (!core::equals_ignore_case(language, kPascalScript)) {
    m_error = core::replace_all(text::kUnknownLanguage, "%s", language);
    return false;
  }
  Runtime& rt = *m_runtime;
  if (!m_parent) {
    auto declare = [&](const char* name) {
      auto v = std::make_unique<Variable>();
      v->name = name;
      v->kind = TypeKind::String;
      v->type_name = "String";
      v->value = Variant("");
      Variable* raw = v.get();
      rt.root->variables.push_back(std::move(v));
      rt.root->items[core::to_lower(name)].var = raw;
      return raw;
    };
    rt.exception_class = declare("ExceptionClassName");
    rt.exception_message = declare("ExceptionMessage");
  }
  UnitLoader load_unit = [this](const std::string& name) -> std::string {
    if (unit_loader)
      if (auto text = unit_loader(name)) return *text;
    return read_unit(include_path, name);
  };
  try {
    compile_into(rt, source, load_unit);
    return true;
  } catch (const SyntaxError& e) {
    m_error = e.what();
    m_error_pos = e.pos();
    m_error_unit = e.unit();
  } catch (const core::Error& e) {
    m_error = e.what();
  }
  // A failed compile leaves nothing runnable behind.
  m_runtime->main.clear();
  return false;
}

bool Script::has_main_block() const {
  return !m_runtime->main.empty();
}

void Script::execute() {
  Runtime& rt = *m_runtime;
  rt.terminated = false;
  run_list(rt, rt.main);
  rt.terminated = false;
}

core::Variant Script::call_function(std::string_view name, std::span<core::Variant> params) {
  const Scope::Item* item = m_runtime->root->find(core::to_lower(name));
  if (!item || !item->proc) return core::Variant::null();
  Runtime& rt = *m_runtime;
  rt.terminated = false;
  Variant r = item->proc->call(rt, params);
  rt.terminated = false;
  return r;
}

bool Script::has_procedure(std::string_view name) const {
  const Scope::Item* item = m_runtime->root->find(core::to_lower(name));
  return item && item->proc;
}

std::unique_ptr<CompiledExpression> Script::compile_expression(std::string_view expression,
                                                               std::string& error,
                                                               std::optional<Position>* error_pos) {
  auto child = std::unique_ptr<Script>(new Script(m_host, this));
  constexpr std::string_view kBefore = "function rpf: Variant; begin Result := ";
  std::string wrapper = std::string(kBefore) + std::string(expression) + " end; begin end.";
  if (!child->compile(wrapper)) {
    error = child->error_message();
    // The place in the expression as its author wrote it, not in the wrapper.
    std::optional<Position> at = child->m_error_pos;
    if (at && at->line == 1) at->column = std::max(at->column - static_cast<int>(kBefore.size()), 1);
    if (error_pos) *error_pos = at;
    return nullptr;
  }
  const Scope::Item* item = child->m_runtime->root->find_here("rpf");
  auto compiled = std::unique_ptr<CompiledExpression>(new CompiledExpression(std::move(child), m_runtime));
  compiled->m_function = item->proc;
  return compiled;
}

core::Variant Script::get_variable(std::string_view name) const {
  const Scope::Item* item = m_runtime->root->find(core::to_lower(name));
  return item && item->var ? item->var->value : core::Variant::null();
}

void Script::set_variable(std::string_view name, const core::Variant& value) {
  std::string lower = core::to_lower(name);
  if (const Scope::Item* item = m_runtime->root->find(lower); item && item->var) {
    item->var->set(value);
    return;
  }
  auto v = std::make_unique<Variable>();
  v->name = std::string(name);
  v->type_name = "Variant";
  v->value = value;
  m_runtime->root->items[lower].var = v.get();
  m_runtime->root->variables.push_back(std::move(v));
}

void Script::terminate() {
  m_runtime->terminated = true;
}

bool Script::terminated() const {
  return m_runtime->terminated;
}

void Script::set_line_hook(std::function<void(const LineEvent&)> hook) {
  m_runtime->hook = std::move(hook);
}

void Script::set_clock(const core::Clock* clock) {
  m_runtime->clock = clock;
}

CompiledExpression::~CompiledExpression() = default;

core::Variant CompiledExpression::evaluate(DivisionByZero mode) {
  Runtime& rt = *m_child->m_runtime;
  rt.terminated = false;
  if (mode == DivisionByZero::Raise) return m_function->call(rt, {});
  try {
    return m_function->call(rt, {});
  } catch (const core::Error& e) {
    if (exception_class_of(e) != "EDivByZero") throw;
    return core::Variant::null();
  }
}

std::string expression_error_text(std::string_view expression, std::string_view message) {
  return std::string(text::kExpressionError) + " '" + core::quoted_excerpt(expression) + "': " +
         core::quoted_excerpt(message, 2 * core::kMaxQuotedChars);  // it may quote a name of the expression
}

}  // namespace orvena::script
