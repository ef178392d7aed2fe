// Lets the window finish what a step set off: posted events (deferred
// refreshes, queued reactions) and the paints they cause.
#pragma once

#include <QCoreApplication>

namespace bench
{

inline void Idle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace bench
