// SPDX-License-Identifier: MIT
// A test main that pins the time zone before anything reads the clock, so
// local times in the tests mean the same on every machine.
#pragma once

#include <QApplication>
#include <QtTest>

#include <ctime>

#define VT_TEST_MAIN(TestClass, zone)                                                              \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        qputenv("TZ", zone);                                                                       \
        tzset();                                                                                   \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
