#pragma once
#include "support/FakeDialogs.h"
#include "ui/Tf_root.h"

#include <QTabWidget>
#include <QTimer>

// The window as the operator meets it once loading has ended, without a
// load: start-up timer stopped, window and page control shown.
struct ShownWindow {
    ShownWindow()
    {
        w.ti_start->stop();
        w.show();
        w.P_Einstellungen->show();
    }
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};
