#include "window/termination_signals.h"

namespace brenvik {

// Windows ends a session by closing the window, which Qt delivers as a close.
TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::Drain() {}

}  // namespace brenvik
