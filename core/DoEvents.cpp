#include "core/DoEvents.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {

int timerHolds = 0;

} // namespace

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(timerHolds > 0 ? QEventLoop::X11ExcludeTimers : QEventLoop::AllEvents);
}

DoEventsHoldsTimers::DoEventsHoldsTimers() { ++timerHolds; }

DoEventsHoldsTimers::~DoEventsHoldsTimers() { --timerHolds; }
