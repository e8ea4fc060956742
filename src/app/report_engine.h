#pragma once
// Plugs the report engine into a session for the six template formats. Until the engine's
// page generation and writers exist, the session keeps its stand-in that refuses them.
namespace orvena::app {

class Session;
void install_report_engine(Session& session);

}  // namespace orvena::app
