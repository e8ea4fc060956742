#pragma once
// `orvena --render TEMPLATE --sql "SELECT …" [--home DIR] --format FORMAT --out FILE`: loads a
// template, runs the query on the home folder's database, prepares the report and exports it,
// the way a run would make the file but without the control file, the log or delivery. Operators
// check templates with it on machines without windows.
#include <iosfwd>

namespace orvena::app {

// Exit status: 0 written, 1 an error (printed), 2 bad usage.
int run_render(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace orvena::app
