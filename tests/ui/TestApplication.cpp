#include "TestApplication.h"

#include <QByteArray>

QApplication& TestApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own global objects (the input device registry) may already
    // be gone, and destroying the application after them crashes.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}
