// SPDX-License-Identifier: MIT
// Validation of the enabled entries before a run: the rules and messages, the
// first-fault rule and what validation leaves behind.
#include "fakehost.h"
#include "testmain.h"

#include "core/validation.h"

using namespace vt;

class TestValidation : public QObject
{
    Q_OBJECT

private slots:
    void scheduleRules_data();
    void scheduleRules();
    void emptyMessageOfEnabledEntry();
    void firstFaultOnlyAndLeftOnFaultyCell();
    void disabledEntriesAreSkipped();
};

void TestValidation::scheduleRules_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("schedule");
    QTest::addColumn<QString>("fault"); // empty: valid

    const int I = IntervalMode;
    QTest::newRow("interval 1") << I << "1"
                                << "";
    QTest::newRow("interval 1440") << I << "1440"
                                   << "";
    QTest::newRow("interval 1440.4 rounds down") << I << "1440.4"
                                                 << "";
    QTest::newRow("interval 1440.5 rounds to even") << I << "1440.5"
                                                    << "";
    QTest::newRow("interval 1441") << I << "1441"
                                   << "Interval Error, 1441";
    QTest::newRow("interval 0") << I << "0"
                                << "Interval Error, 0";
    QTest::newRow("interval 0.4") << I << "0.4"
                                  << "Interval Error, 0.4";
    QTest::newRow("interval 0.5 rounds to 0") << I << "0.5"
                                              << "Interval Error, 0.5";
    QTest::newRow("interval 1.5 rounds to 2") << I << "1.5"
                                              << "";
    QTest::newRow("interval -5") << I << "-5"
                                 << "Interval Error, -5";
    QTest::newRow("interval empty") << I << ""
                                    << "Interval Error, ";
    QTest::newRow("interval word") << I << "ten"
                                   << "Interval Error, ten";
    QTest::newRow("interval blanks") << I << "  30  "
                                     << "";
    QTest::newRow("interval infinity") << I << "inf"
                                       << "Interval Error, inf";

    const int T = TimeMode;
    QTest::newRow("time midnight") << T << "00:00:00"
                                   << "";
    QTest::newRow("time last second") << T << "23:59:59"
                                      << "";
    QTest::newRow("time 24:00:00") << T << "24:00:00"
                                   << "Time Error, 24:00:00";
    QTest::newRow("time 12:60:00") << T << "12:60:00"
                                   << "Time Error, 12:60:00";
    QTest::newRow("time 12:00:60") << T << "12:00:60"
                                   << "Time Error, 12:00:60";
    QTest::newRow("time 12:00") << T << "12:00"
                                << "Time Error, 12:00";
    QTest::newRow("time 7:30:00") << T << "7:30:00"
                                  << "";
    QTest::newRow("time 7:30") << T << "7:30"
                               << "";
    // Passes the form rule but the run could not read it.
    QTest::newRow("time empty") << T << ""
                                << "Time Error, ";
    QTest::newRow("time word") << T << "noon"
                               << "Time Error, noon";
    QTest::newRow("time letters as separators") << T << "12a30b00"
                                                << "Time Error, 12a30b00";
}

void TestValidation::scheduleRules()
{
    QFETCH(int, mode);
    QFETCH(QString, schedule);
    QFETCH(QString, fault);
    FakeHost host;
    host.addEntry(mode, schedule, QStringLiteral("Check"));
    host.status = QStringLiteral("untouched");
    const bool valid = ValidateTable(host.tables[mode], mode, host);
    QCOMPARE(valid, fault.isEmpty());
    QCOMPARE(host.status, fault.isEmpty() ? QStringLiteral("untouched") : fault);
    QCOMPARE(host.beeps, fault.isEmpty() ? 0 : 1);
}

void TestValidation::emptyMessageOfEnabledEntry()
{
    FakeHost host;
    host.addEntry(IntervalMode, QStringLiteral("15"), QStringLiteral(" "));
    QVERIFY(ValidateTable(host.tables[0], IntervalMode, host)); // blanks are a message
    host.addEntry(IntervalMode, QStringLiteral("15"), QString());
    QVERIFY(!ValidateTable(host.tables[0], IntervalMode, host));
    QCOMPARE(host.status, QStringLiteral("Message Error, Field is Empty"));
}

void TestValidation::firstFaultOnlyAndLeftOnFaultyCell()
{
    FakeHost host;
    host.addEntry(IntervalMode, QStringLiteral("15"), QStringLiteral("ok"));
    host.addEntry(IntervalMode, QStringLiteral("0"), QString()); // schedule fault first
    host.addEntry(IntervalMode, QStringLiteral("2000"));
    TableControl& t = host.tables[0];
    QVERIFY(!ValidateTable(t, IntervalMode, host));
    QCOMPARE(host.status, QStringLiteral("Interval Error, 0"));
    QCOMPARE(host.beeps, 1);
    QCOMPARE(t.Row(), 2);
    QCOMPARE(t.Col(), int(ScheduleColumn));

    // Nothing but the status text changed: texts and flags are as they were.
    QVERIFY(IsEntryEnabled(t, 2, EnableColumn));
    t.setCol(ScheduleColumn);
    QCOMPARE(t.Text(), QStringLiteral("0"));
    QCOMPARE(host.state, QStringLiteral("Stopped"));

    t.setCol(ScheduleColumn);
    t.setText(QStringLiteral("30"));
    QVERIFY(!ValidateTable(t, IntervalMode, host));
    QCOMPARE(host.status, QStringLiteral("Message Error, Field is Empty"));
    QCOMPARE(t.Col(), int(MessageColumn));
}

void TestValidation::disabledEntriesAreSkipped()
{
    FakeHost host;
    host.addEntry(TimeMode, QString(), QString(), false);
    host.addEntry(TimeMode, QStringLiteral("99:99"), QString(), false);
    host.addEntry(TimeMode, QStringLiteral("06:00:00"), QStringLiteral("ok"));
    QVERIFY(ValidateTable(host.tables[TimeMode], TimeMode, host));
    QCOMPARE(host.beeps, 0);
    // A row never given a picture (a freshly inserted one) counts as disabled.
    TableControl& t = host.tables[TimeMode];
    t.setRows(t.Rows() + 1);
    QVERIFY(!IsEntryEnabled(t, t.Rows() - 1, EnableColumn));
    QVERIFY(ValidateTable(t, TimeMode, host));
}

VT_TEST_MAIN(TestValidation, "Europe/London")
#include "tst_validation.moc"
