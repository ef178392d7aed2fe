#include "Program.h"

#include "SettingsController.h"
#include "ui/Guard.h"
#include "ui/PageWidgets.h"
#include "ui/Tf_root.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>

namespace
{

// The last line of the default failure handler: the window runs its work
// guarded, and anything that still escapes an event ends only that event.
class Application : public QApplication
{
  public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        bool handled = false;
        RunGuarded(m_dialogs, activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }

  private:
    QtDialogs m_dialogs;
};

void UseSystemQtOnly()
{
    // The program runs from wherever it is copied: no plugins are looked up
    // beside the executable.
    QCoreApplication::setLibraryPaths({QLibraryInfo::path(QLibraryInfo::PluginsPath)});
}

} // namespace

void SpeakGerman(QApplication &app)
{
    Speak(app, InterfaceLanguage::German);
}

int RunProgram(int argc, char **argv)
{
    UseSystemQtOnly();
    Application app(argc, argv);
    // The title is the message boxes' caption; it is not made the display
    // name, which X11 would append to the window's caption.
    QCoreApplication::setApplicationName(QStringLiteral("VADaroradarAdadad"));
    Speak(app, SystemInterfaceLanguage());
    SubstituteTahoma();

    Tf_root f_root;
    SettingsController controller(f_root, SettingsFile::beside(QCoreApplication::applicationDirPath()));
    f_root.show();
    return app.exec();
}
