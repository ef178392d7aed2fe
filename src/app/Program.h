#pragma once

// Program entry: the application, the main window beside its settings file,
// the event loop.
int RunProgram(int argc, char **argv);

class QApplication;
// Qt's own texts (standard buttons, dialogs) in German.
void SpeakGerman(QApplication &app);
