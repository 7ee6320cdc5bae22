// SPDX-License-Identifier: MIT
// A long watch list: 1000 enabled entries start, fire in row order, save and
// load back whole, and the window stays within the screen.
#include "testmain.h"
#include "windowdriver.h"

#include <QScreen>

using namespace vt;

class TestScale : public QObject
{
    Q_OBJECT

private slots:
    void thousandEntries();
};

void TestScale::thousandEntries()
{
    constexpr int kEntries = 1000;
    QByteArray file = "[Interval]\nCount=" + QByteArray::number(kEntries) + "\nRound=1\n";
    for (int n = 1; n <= kEntries; ++n) {
        const QByteArray p = "#" + QByteArray::number(n);
        file += p + " Enabled=True\n" + p + " Interval=1440\n" + p + " Message Text=Check " +
                QByteArray::number(n) + "\n";
    }
    WindowDriver d(std::make_unique<FakeSpeechEngine>(), false, &file);
    QCOMPARE(d.table().Rows(), kEntries + 1);
    const QRect screen = d.window.screen()->availableGeometry();
    QVERIFY(d.window.frameGeometry().height() <= screen.height());

    d.clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(23, 59, 50)));
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Timer 00:00"));
    // Every entry falls due at midnight: one alarm after another, row by row.
    d.clock.setLocal(QDateTime(QDate(2027, 1, 16), QTime(0, 0, 0)));
    for (int row = 1; row <= kEntries; ++row) {
        fireTick(d.window.tick());
        frmMessage* message = d.window.messageWindow();
        QVERIFY(message && message->isVisible());
        QCOMPARE(message->messageId(), row);
        QCOMPARE(message->form().lblMessage->text(), QStringLiteral("Check %1").arg(row));
        QTest::mouseClick(message->form().cmdOk, Qt::LeftButton);
    }
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("Timer 00:00")); // tomorrow's
    QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);

    d.window.close();
    const QByteArray saved = d.settingsText();
    QVERIFY(saved.contains("Count=1000\n"));
    QVERIFY(saved.contains("#1000 Message Text=Check 1000\n"));
    WindowDriver again(std::make_unique<FakeSpeechEngine>(), false, &saved);
    QCOMPARE(again.table().Rows(), kEntries + 1);
    QCOMPARE(again.text(kEntries, MessageColumn), QStringLiteral("Check 1000"));
    QVERIFY(again.enabled(kEntries));
}

VT_TEST_MAIN(TestScale, "Europe/London")
#include "tst_scale.moc"
