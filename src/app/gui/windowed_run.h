#pragma once
// `orvena` without --run: the main window with its countdown.
#include "core/datetime.h"
#include "core/paths.h"

namespace orvena::app {

int windowed_run(int argc, char** argv, const core::Home& home, const core::Clock& clock);

}  // namespace orvena::app
