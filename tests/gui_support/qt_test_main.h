// The main of a Qt test program: offscreen, and with a home and a
// configuration folder of its own, so no test needs a screen or touches the
// real user's settings.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define LEDGERFEN_QTEST_MAIN(TestClass)                             \
  int main(int argc, char** argv) {                                 \
    QTemporaryDir home;                                             \
    qputenv("QT_QPA_PLATFORM", "offscreen");                        \
    qputenv("HOME", home.path().toUtf8());                          \
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8()); \
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());               \
    QApplication application(argc, argv);                           \
    application.setQuitOnLastWindowClosed(false);                   \
    TestClass test;                                                 \
    return QTest::qExec(&test, argc, argv);                         \
  }
