#pragma once
// Plugs the report engine into a session for the six template formats: the template is loaded
// and its pages generated; until the writers exist, the export step then refuses the format.
namespace orvena::app {

class Session;
void install_report_engine(Session& session);

}  // namespace orvena::app
