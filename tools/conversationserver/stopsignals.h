#pragma once

namespace ostrane::server {

// Turns SIGINT and SIGTERM into a byte on a pipe that the event loop watches, so that a
// server stops between events and removes its socket; SIGPIPE is ignored, since a client
// that goes away must not end the server. The read end, or -1 when nothing was installed.
int installStopSignals();

} // namespace ostrane::server
