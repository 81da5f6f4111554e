#pragma once
// SIGTERM, SIGINT and SIGHUP turned into an ordinary call on the UI thread.
//
// The signal handler only writes one byte into a socket pair (async-signal-safe); a
// QSocketNotifier on the other end runs `onSignal` from the event loop, where it may do
// anything a handler may do (close the main window, write files). Call once, after the
// application object exists. A second signal while the first is still being handled is
// ignored; later ones run `onSignal` again.
#include <functional>

void installTerminationHandler(std::function<void(int signalNumber)> onSignal);
