#pragma once
// The SQL box of the template workshop, as a plain object: the runner writes a job's SQL here
// once, and every query of the job takes its command text from it. The workshop window shows it.
#include <functional>
#include <string>

namespace orvena::runner {

class SqlBuffer {
 public:
  using Observer = std::function<void(const std::string& text)>;

  const std::string& text() const { return m_text; }
  void set_text(std::string text) {
    m_text = std::move(text);
    if (m_observer) m_observer(m_text);
  }
  void set_observer(Observer observer) { m_observer = std::move(observer); }

 private:
  std::string m_text;
  Observer m_observer;
};

}  // namespace orvena::runner
