#pragma once
// The one QApplication of the widget tests, created on first use on the offscreen platform
// (unless QT_QPA_PLATFORM already names another). Every widget test calls it before building a
// widget; a QApplication created elsewhere first is reused.

#include <QApplication>

QApplication& TestApplication();
