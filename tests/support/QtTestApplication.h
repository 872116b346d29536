#pragma once
// The application object that Qt's threads and hand-offs need. Tests link a ready-made gtest
// main, so the object is made on first use, on the test thread, and lives to the end.

// Makes a QCoreApplication unless some application object exists already.
void EnsureQtApplication();
