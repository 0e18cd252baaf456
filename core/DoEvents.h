#pragma once

// Lets pending window messages, timers and sound notifications run
// (QCoreApplication::processEvents). Callers that can be re-entered this way
// guard themselves with a busy flag.
void DoEvents();

// While one of these lives, DoEvents lets window messages and notifications run but no
// timer: the main window's start-up holds them, its own timers being stopped until its end,
// so that nothing driven by a timer acts on a window that is only partly built.
class DoEventsHoldsTimers
{
public:
    DoEventsHoldsTimers();
    ~DoEventsHoldsTimers();
    DoEventsHoldsTimers(const DoEventsHoldsTimers&) = delete;
    DoEventsHoldsTimers& operator=(const DoEventsHoldsTimers&) = delete;
};
