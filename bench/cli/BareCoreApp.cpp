// The least a Qt command-line tool does: start a QCoreApplication and print
// one line. The command line's "get" is measured against it.
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::fputs("127.0.0.1\n", stdout);
    return 0;
}
