// SPDX-License-Identifier: MIT
// The alarm message window: its width, centring and buttons, the flashing and
// the sound of each tick by sound mode, the keystroke to itself, the answers,
// and reuse for the next alarm.
#include "testmain.h"
#include "windowdriver.h"

#include "core/twips.h"
#include "ui/message/frmMessage.h"

#include <QLabel>
#include <QScreen>

using namespace vt;

namespace
{

class FakeMessageHost : public MessageHost
{
public:
    void TimerNext(int id) override { continued << id; }
    void TimerStop() override { ++stops; }
    int SoundMode() const override { return soundMode; }
    void SpeechSpeak(const QString& text, bool wait) override
    {
        if (!speaking) // a reading in progress drops the text, as the service does
            spoken << text;
        speaking = speakingLasts;
        Q_UNUSED(wait);
    }
    void SpeechStop() override { ++speechStops; }
    void beep() override { ++beeps; }

    int soundMode = 0;
    bool speaking = false;
    bool speakingLasts = false;
    QList<int> continued;
    int stops = 0;
    int speechStops = 0;
    int beeps = 0;
    QStringList spoken;
};

// Starts an alarm and lets the window system make the window active, as it
// does between two ticks.
void startAlarm(frmMessage& w, int id, const QString& text, ColorValue back, ColorValue fore)
{
    w.Start(id, text, back, fore);
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// A message whose label is the widest that is still at most the given twips.
QString messageUpTo(const frmMessage& w, int twips)
{
    QFont font = w.form().lblMessage->font();
    QLabel probe;
    probe.setFont(font);
    QString text;
    for (;;) {
        probe.setText(text + QLatin1Char('W'));
        probe.adjustSize();
        if (probe.width() > twipsToPixels(twips, w))
            return text;
        text += QLatin1Char('W');
    }
}

} // namespace

class TestMessage : public QObject
{
    Q_OBJECT

private slots:
    void widthCentringAndButtons();
    void messageWiderThanScreenStartsLeftOfIt();
    void tickFlashesAndSoundsByMode();
    void speechRepeatsWithoutOverlap();
    void equalColoursStillTick();
    void answersDismissAndReport();
    void closeActsAsContinueAndWindowIsReused();
};

void TestMessage::widthCentringAndButtons()
{
    FakeMessageHost host;
    frmMessage w(host);
    const int designed = twipsToPixels(3000, w);
    auto check = [&](const QString& text, int expectedWidth) {
        w.Start(1, text, 65535, 255);
        QCOMPARE(w.frameGeometry().width(), expectedWidth);
        const QLabel* label = w.form().lblMessage;
        QVERIFY(qAbs(label->x() * 2 + label->width() - w.width()) <= 1); // centred
        QCOMPARE(label->y(), twipsToPixels(240, w));
        const int middle = w.width() / 2;
        QCOMPARE(w.form().cmdOk->geometry().right() + 1, middle - twipsToPixels(120, w));
        QCOMPARE(w.form().cmdCancel->x(), middle + twipsToPixels(120, w));
        QVERIFY(w.isVisible());
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w.tick().interval(), 1000);
    };
    check(QStringLiteral("Log"), designed);
    const QString atLimit = messageUpTo(w, 3000);
    check(atLimit, designed); // as wide as the window allows: not widened
    w.Start(1, atLimit + QStringLiteral("WW"), 65535, 255);
    QCOMPARE(w.width(), w.form().lblMessage->width() + twipsToPixels(120, w));
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);
    QVERIFY(w.form().cmdOk->hasFocus() || !w.isActiveWindow());
}

void TestMessage::messageWiderThanScreenStartsLeftOfIt()
{
    FakeMessageHost host;
    frmMessage w(host);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    w.Start(3, QString(screen.width() / 4, QLatin1Char('M')), 255, 0);
    QVERIFY(w.width() > screen.width());
    QVERIFY(w.frameGeometry().x() < screen.x());
}

void TestMessage::tickFlashesAndSoundsByMode()
{
    FakeMessageHost host;
    frmMessage w(host);
    for (int mode : {0, 1}) {
        host.soundMode = mode;
        host.beeps = 0;
        startAlarm(w, 2, QStringLiteral("Check Log"), 65535, 255);
        QCOMPARE(w.shownBackColor(), 65535);
        fireTick(w.tick()); // first tick inverts
        QCOMPARE(w.shownBackColor(), 255);
        QCOMPARE(w.shownForeColor(), 65535);
        QCOMPARE(w.form().lblMessage->palette().color(QPalette::Window), QColor(255, 0, 0));
        fireTick(w.tick());
        QCOMPARE(w.shownBackColor(), 65535);
        fireTick(w.tick());
        QCOMPARE(host.beeps, mode == 1 ? 3 : 0); // one beep a second, none for None
        QVERIFY(host.spoken.isEmpty());
        QCOMPARE(w.keystrokes(), 3); // the keystroke goes to the window itself
    }
}

void TestMessage::speechRepeatsWithoutOverlap()
{
    FakeMessageHost host;
    host.soundMode = 2;
    host.speakingLasts = true;
    frmMessage w(host);
    w.Start(2, QStringLiteral("Check Horizon"), 65535, 255);
    fireTick(w.tick());
    fireTick(w.tick()); // still reading: nothing new
    fireTick(w.tick());
    QCOMPARE(host.spoken, QStringList{QStringLiteral("Check Horizon")});
    host.speaking = false; // the reading ended
    fireTick(w.tick());
    QCOMPARE(host.spoken.size(), 2);
    QCOMPARE(host.beeps, 0);
}

void TestMessage::equalColoursStillTick()
{
    FakeMessageHost host;
    host.soundMode = 1;
    frmMessage w(host);
    startAlarm(w, 1, QStringLiteral("Same"), 255, 255);
    for (int i = 0; i < 4; ++i)
        fireTick(w.tick());
    QCOMPARE(w.shownBackColor(), 255);
    QCOMPARE(host.beeps, 4);
    QCOMPARE(w.keystrokes(), 4);
}

void TestMessage::answersDismissAndReport()
{
    FakeMessageHost host;
    frmMessage w(host);
    w.Start(4, QStringLiteral("Log"), 65535, 255);
    QTest::mouseClick(w.form().cmdOk, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.tick().isActive());
    QCOMPARE(host.continued, QList<int>{4});
    QCOMPARE(host.speechStops, 1);
    w.Start(5, QStringLiteral("Log"), 65535, 255);
    QTest::mouseClick(w.form().cmdCancel, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(host.stops, 1);
    QCOMPARE(host.continued, QList<int>{4});
    // Enter answers Continue from the keyboard.
    w.Start(6, QStringLiteral("Log"), 65535, 255);
    QTest::keyClick(w.form().cmdOk, Qt::Key_Return);
    QCOMPARE(host.continued, (QList<int>{4, 6}));
}

void TestMessage::closeActsAsContinueAndWindowIsReused()
{
    WindowDriver d;
    frmMessage* message = d.raiseAlarm();
    QVERIFY(message && message->isVisible());
    QCOMPARE(message->messageId(), 1); // 60 and 15 both due: the lower row
    QCOMPARE(message->windowTitle(), QStringLiteral("Vigiltide - 11:00"));
    QCOMPARE(message->form().lblMessage->text(), QStringLiteral("Time's Up, Check Log"));
    const int firstWidth = message->width();
    message->close();
    QVERIFY(!message->isVisible());
    // Continue with row 1 moved row 1 on; row 2 is still due and shows next.
    fireTick(d.window.tick());
    QCOMPARE(d.window.messageWindow(), message); // the same window, set afresh
    QVERIFY(message->isVisible());
    QCOMPARE(message->messageId(), 2);
    QCOMPARE(message->form().lblMessage->text(), QStringLiteral("Time's Up, Check Horizon"));
    QCOMPARE(message->shownBackColor(), d.table().BackColor());
    QCOMPARE(message->keystrokes(), 0);
    QVERIFY(message->width() >= firstWidth - 1);
    QTest::mouseClick(message->form().cmdCancel, Qt::LeftButton);
    QCOMPARE(d.window.statePanel()->text(), QStringLiteral("Stopped"));
}

VT_TEST_MAIN(TestMessage, "Europe/London")
#include "tst_message.moc"
