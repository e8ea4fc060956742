#pragma once
// `orvena` without --run: the main window with its countdown.
#include "app/session.h"
#include "core/datetime.h"
#include "core/paths.h"

namespace orvena::app {

int windowed_run(int argc, char** argv, const core::Home& home, const core::Clock& clock,
                 const ProductionOptions& options = {});

}  // namespace orvena::app
