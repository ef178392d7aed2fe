// Prints the interface language the program would choose in this process's
// environment: "de" or "en".
#include "base/InterfaceLanguage.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::fputs(SystemInterfaceLanguage() == InterfaceLanguage::English ? "en" : "de", stdout);
    return 0;
}
