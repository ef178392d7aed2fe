// The least a Qt Widgets program does before its window is on the screen:
// start a QApplication and show a plain window of the editor's size. The
// editor's start-up is measured against it.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(794, 574);
    window.show();
    return app.exec();
}
