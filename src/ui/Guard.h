#pragma once
#include "Dialogs.h"
#include "base/Failure.h"

#include <exception>
#include <utility>

class QWidget;

// The default failure handler: a failure that escapes an event's work ends
// that work and is shown; the program goes on with the next event.
template <typename Work> bool RunGuarded(Dialogs &dialogs, QWidget *owner, Work &&work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Failure &f) {
        dialogs.showFailure(owner, f.message());
    } catch (const std::bad_alloc &) {
        dialogs.showFailure(owner, QStringLiteral("Zu wenig Arbeitsspeicher"));
    } catch (const std::exception &e) {
        dialogs.showFailure(owner, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
