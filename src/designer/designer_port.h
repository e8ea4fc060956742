#pragma once
// The designer as the report component's designer: the host sets it on its report, and
// Report::design_report opens a DesignerWindow through it.
#include "designer/designer_window.h"
#include "report/report.h"

namespace orvena::designer {

class QtDesignerPort : public report::DesignerPort {
 public:
  explicit QtDesignerPort(DesignerOptions options) : m_options(std::move(options)) {}
  // Modal: the window is shown application-modal and this returns when it has closed. There are
  // no MDI windows here: `mdi_child` only keeps the call's shape.
  void open_designer(report::Report& report, bool modal, bool mdi_child) override;
  // The window open now, if any.
  DesignerWindow* window() const { return m_window; }

 private:
  DesignerOptions m_options;
  DesignerWindow* m_window = nullptr;
};

}  // namespace orvena::designer
