#include "QtTestApplication.h"

#include <QCoreApplication>

void EnsureQtApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "orvant-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}
