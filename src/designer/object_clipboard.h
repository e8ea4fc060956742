#pragma once
// Objects on the clipboard as template text: the elements a template file holds for them, under
// one root element, so that another designer reads them back and a text editor shows what a
// template would hold.
//
//   std::string text = objects_to_text({memo1, memo2});
//   auto pasted = objects_from_text(text);   // detached copies, names as written
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvena::report {
class Component;
}

namespace orvena::designer {

inline constexpr std::string_view kClipboardRoot = "OrvenaObjects";
// The clipboard format that marks our text (plain text is offered beside it).
inline constexpr const char* kClipboardMime = "application/x-orvena-objects";

// The objects with their children, as a template writes them.
std::string objects_to_text(const std::vector<const report::Component*>& objects);

// New components read from such a text, belonging to no report; empty for a text that is not
// ours (any other clipboard content). Unknown classes are left out.
std::vector<std::unique_ptr<report::Component>> objects_from_text(std::string_view text);

}  // namespace orvena::designer
