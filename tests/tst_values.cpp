// SPDX-License-Identifier: MIT
// Date values, reading numbers and times from cell text, colour values, twips.
#include "testmain.h"

#include "core/cellvalues.h"
#include "core/clock.h"
#include "core/colorvalue.h"
#include "core/datevalue.h"
#include "core/twips.h"

using namespace vt;

class TestValues : public QObject
{
    Q_OBJECT

private slots:
    void dateValues();
    void clockReadsWholeLocalSeconds();
    void wholeNumbers_data();
    void wholeNumbers();
    void timesOfDay_data();
    void timesOfDay();
    void colourValues();
    void twips();
};

void TestValues::dateValues()
{
    QCOMPARE(toDateValue(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    QCOMPARE(toDateValue(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    const QDateTime t(QDate(2027, 1, 15), QTime(7, 30, 59));
    QCOMPARE(fromDateValue(toDateValue(t)), t);
    QCOMPARE(formatHourMinute(toDateValue(t)), QStringLiteral("07:30"));
    QCOMPARE(formatHourMinuteSecond(toDateValue(t)), QStringLiteral("07:30:59"));
    QCOMPARE(formatHourMinuteSecond(toDateValue(QDateTime(QDate(2027, 1, 15), QTime(23, 5, 9)))),
             QStringLiteral("23:05:09"));
    // Every second of a day survives the round trip through a double.
    const QDateTime midnight(QDate(2027, 6, 1), QTime(0, 0));
    for (int s = 0; s < 86400; s += 7)
        QCOMPARE(fromDateValue(toDateValue(midnight.addSecs(s))), midnight.addSecs(s));
}

void TestValues::clockReadsWholeLocalSeconds()
{
    FakeClock clock;
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(10, 17, 45, 900)));
    QCOMPARE(fromDateValue(clock.now()), QDateTime(QDate(2027, 1, 15), QTime(10, 17, 45)));
    const qint64 mono = clock.monotonicMs();
    clock.advanceSeconds(90);
    QCOMPARE(clock.monotonicMs(), mono + 90000);
    clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(8, 0)));
    QCOMPARE(clock.monotonicMs(), mono + 90000); // a clock set back is no time passing
}

void TestValues::wholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "60" << 60.0;
    QTest::newRow("blanks") << "  15 " << 15.0;
    QTest::newRow("half to even down") << "2.5" << 2.0;
    QTest::newRow("half to even up") << "3.5" << 4.0;
    QTest::newRow("negative") << "-5" << -5.0;
    QTest::newRow("empty") << "" << -1.0;
    QTest::newRow("word") << "abc" << -1.0;
    QTest::newRow("number then word") << "15 min" << -1.0;
    QTest::newRow("nan") << "nan" << -1.0;
}

void TestValues::wholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(readWholeNumber(text), value);
}

void TestValues::timesOfDay_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds"); // -1: unreadable
    QTest::newRow("strict") << "07:30:00" << 27000;
    QTest::newRow("one-digit hour") << "7:30:00" << 27000;
    QTest::newRow("no seconds") << "7:30" << 27000;
    QTest::newRow("last second") << "23:59:59" << 86399;
    QTest::newRow("hour 24") << "24:00:00" << -1;
    QTest::newRow("minute 60") << "12:60" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("word") << "noon" << -1;
    QTest::newRow("hour only") << "7" << -1;
}

void TestValues::timesOfDay()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);
    const std::optional<int> read = readTimeOfDay(text);
    QCOMPARE(read.value_or(-1), seconds);
}

void TestValues::colourValues()
{
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    palette.setColor(QPalette::Button, QColor(7, 8, 9));
    QCOMPARE(toQColor(65535, palette), QColor(255, 255, 0));
    QCOMPARE(toQColor(255, palette), QColor(255, 0, 0));
    QCOMPARE(toQColor(0x00FF0000, palette), QColor(0, 0, 255));
    QCOMPARE(toQColor(kSysWindowBackground, palette), QColor(1, 2, 3));
    QCOMPARE(toQColor(kSysWindowText, palette), QColor(4, 5, 6));
    QCOMPARE(toQColor(kSysButtonFace, palette), QColor(7, 8, 9));
    QVERIFY(isSystemColor(kSysButtonFace));
    QVERIFY(!isSystemColor(65535));
    QCOMPARE(fromQColor(QColor(255, 255, 0)), 65535);
    QCOMPARE(fromQColor(QColor(0x12, 0x34, 0x56)), 0x563412);
    // Signed as the settings file stores it.
    QCOMPARE(kSysWindowBackground, -2147483643);
}

void TestValues::twips()
{
    // The designed font at 96 DPI: 15 twips a pixel.
    const double design = pixelsPerTwip(96.0, 13.0, 5.0);
    QCOMPARE(twipsToPixels(1440, design), 96);
    QCOMPARE(twipsToPixels(5085, design), 339);
    QCOMPARE(pixelsToTwips(16, design), 240);
    QCOMPARE(twipsToPixels(1440, pixelsPerTwip(192.0, 13.0, 5.0)), 192);
    // A smaller font never shrinks the layout; a larger one grows it.
    QCOMPARE(pixelsPerTwip(96.0, 10.0, 4.0), design);
    QCOMPARE(twipsToPixels(1440, pixelsPerTwip(96.0, 14.0, 6.0)), 115);
    // Every pixel survives the round trip through twips.
    const double grown = pixelsPerTwip(96.0, 14.0, 6.1);
    for (int px = 0; px < 2000; ++px)
        QCOMPARE(twipsToPixels(pixelsToTwips(px, grown), grown), px);
}

VT_TEST_MAIN(TestValues, "Europe/London")
#include "tst_values.moc"
