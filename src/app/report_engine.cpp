#include "app/report_engine.h"

#include "app/session.h"

namespace orvena::app {

// FIXME: install the engine's producer once page generation and the writers land.
void install_report_engine(Session&) {}

}  // namespace orvena::app
