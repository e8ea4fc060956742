#include "app/report_engine.h"

#include "app/session.h"

namespace orvena::app {

// FIXME: install the engine's producer once page generation and the writers land. Its report
// takes session.main_window_components() as host, which holds the query published as
// "DaneOrvena" (session.published_dataset()).
void install_report_engine(Session&) {}

}  // namespace orvena::app
