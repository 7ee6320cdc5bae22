// SPDX-License-Identifier: MIT
// How the main window lays itself out: by timer mode, sound mode and rows;
// the height that snaps back, the free width, the captions when minimized
// and restored; and that nothing overlaps or is clipped, also with a large font.
#include "testmain.h"
#include "windowdriver.h"

#include "core/twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

using namespace vt;

namespace
{

// Every visible control inside its container, clear of its visible siblings,
// and wide enough for its text.
void checkNothingOverlapsOrClips(QWidget* container)
{
    QList<QWidget*> visible;
    for (QObject* child : container->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isHidden() || w->objectName() == QLatin1String("Line1") ||
            w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        visible << w;
    }
    for (int i = 0; i < visible.size(); ++i) {
        QWidget* w = visible[i];
        const QString name = w->objectName();
        QVERIFY2(container->rect().contains(w->geometry()) ||
                     container->objectName() == QLatin1String("centralwidget"),
                 qPrintable(name + QStringLiteral(" sticks out of ") + container->objectName()));
        for (int j = i + 1; j < visible.size(); ++j)
            QVERIFY2(!w->geometry().intersects(visible[j]->geometry()),
                     qPrintable(name + QStringLiteral(" overlaps ") + visible[j]->objectName()));
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w))
            QVERIFY2(w->sizeHint().width() <= w->width() + 1,
                     qPrintable(name + QStringLiteral(" clips its text")));
        // A push button's size hint has a style minimum; its text is what must fit.
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            const int margin =
                button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + margin <=
                         button->width(),
                     qPrintable(name + QStringLiteral(" clips its text")));
        }
        if (!qobject_cast<TableControl*>(w))
            checkNothingOverlapsOrClips(w);
    }
}

} // namespace

class TestArrange : public QObject
{
    Q_OBJECT

private slots:
    void soundModeGrowsAndShrinksTheSoundFrame();
    void heightSnapsBackWidthIsFree();
    void captionsWhenMinimizedAndRestored();
    void maximizingMovesNothing();
    void statusBarPanels();
    void everyControlIsReachableByKeyboard();
    // Last: it changes the application font for a while.
    void layoutIsClean_data();
    void layoutIsClean();
};

void TestArrange::layoutIsClean_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("desktop font") << 0;
    QTest::newRow("large font") << 16;
}

void TestArrange::layoutIsClean()
{
    QFETCH(int, pointSize);
    const QFont original = QApplication::font();
    if (pointSize) {
        QFont big = original;
        big.setPointSize(pointSize);
        QApplication::setFont(big);
    }
    {
        WindowDriver d;
        for (int sound : {1, 2}) {
            d.ui().cmbSound->setCurrentIndex(sound);
            for (int mode : {IntervalMode, TimeMode}) {
                d.ui().cmbMode->setCurrentIndex(mode);
                QCoreApplication::processEvents(); // scroll bars follow a shown table lazily
                checkNothingOverlapsOrClips(d.ui().centralwidget);
                // Every column of the table shows without scrolling.
                const QString where = QStringLiteral("sound %1 mode %2").arg(sound).arg(mode);
                QVERIFY2(!d.table().horizontalScrollBar()->isVisible(), qPrintable(where));
                QVERIFY2(!d.table().verticalScrollBar()->isVisible(), qPrintable(where));
                QVERIFY(d.ui().frmSound->geometry().bottom() < d.ui().centralwidget->height());
            }
        }
    }
    QApplication::setFont(original);
}

void TestArrange::soundModeGrowsAndShrinksTheSoundFrame()
{
    WindowDriver d(std::make_unique<FakeSpeechEngine>(QStringList{})); // an engine without voices
    const Ui::frmMain& ui = d.ui();
    ui.cmbSound->setCurrentIndex(0);
    const int soundHeight = ui.frmSound->height();
    const int windowHeight = d.window.height();
    QCOMPARE(soundHeight, ui.frmSpeech->y());
    ui.cmbSound->setCurrentIndex(1); // None to Beep: nothing moves
    QCOMPARE(ui.frmSound->height(), soundHeight);
    QCOMPARE(d.window.height(), windowHeight);
    QVERIFY(!ui.frmSpeech->isVisible());

    d.window.statusPanel()->setText(QStringLiteral("old"));
    ui.cmbSound->setCurrentIndex(2);
    const int growth = ui.frmSpeech->height() + twipsToPixels(120, d.window);
    QVERIFY(ui.frmSpeech->isVisible());
    QCOMPARE(ui.frmSound->height(), soundHeight + growth);
    QCOMPARE(d.window.height(), windowHeight + growth);
    // No voices listed here: choosing Speech says so.
    QCOMPARE(d.window.statusPanel()->text(), QStringLiteral("No Speech Voice Engines Installed"));
    QCOMPARE(ui.cmbSound->currentIndex(), 2);

    ui.cmbSound->setCurrentIndex(0);
    QCOMPARE(ui.frmSound->height(), soundHeight);
    QCOMPARE(d.window.height(), windowHeight);
    QCOMPARE(d.window.statusPanel()->text(), QString());
}

void TestArrange::heightSnapsBackWidthIsFree()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    const int height = d.window.height();
    d.window.resize(d.window.width(), height + 120);
    QTRY_COMPARE(d.window.height(), height);

    const QRect type = ui.frmType->geometry();
    const QRect control = ui.Frame1->geometry();
    const int soundWidth = ui.frmSound->width();
    const int frameWidth = ui.frmTimer->width();
    const int tableWidth = d.table().width();
    d.window.resize(d.window.width() + 200, height);
    QTRY_COMPARE(ui.frmTimer->width(), frameWidth + 200);
    QCOMPARE(d.table().width(), tableWidth + 200);
    QCOMPARE(ui.frmTimer->x() * 2 + ui.frmTimer->width(), ui.centralwidget->width());
    QCOMPARE(ui.frmSound->width(), soundWidth);
    QCOMPARE(ui.frmType->geometry(), type);
    QCOMPARE(ui.Frame1->geometry(), control);

    // Narrower than the frames: the table shrinks with it, never to nothing.
    d.window.resize(150, height);
    QTRY_VERIFY(d.table().width() < tableWidth);
    QVERIFY(d.table().width() > 0);
    d.window.resize(10, height);
    QCoreApplication::processEvents();
    QVERIFY(d.table().width() > 0);
    QVERIFY(ui.frmTimer->width() > 0);
}

void TestArrange::captionsWhenMinimizedAndRestored()
{
    WindowDriver d;
    d.clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(7, 10, 0)));
    d.setEntry(1, QStringLiteral("20"), QStringLiteral("Log"), true);
    d.setEntry(2, QStringLiteral("30"), QStringLiteral("Horizon"), true);
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QVERIFY(d.window.isMinimized());
    QCOMPARE(d.window.windowTitle(), QStringLiteral("Timer 07:20"));
    d.window.showNormal();
    d.window.repaint();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Vigiltide"));
    d.window.showMinimized();
    QTRY_COMPARE(d.window.windowTitle(), QStringLiteral("Timer 07:20"));
    QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);
    QCOMPARE(d.window.windowTitle(), QStringLiteral("Vigiltide"));
}

void TestArrange::maximizingMovesNothing()
{
    WindowDriver d;
    const QRect sound = d.ui().frmSound->geometry();
    const QRect frame = d.ui().frmTimer->geometry();
    d.window.showMaximized();
    QCoreApplication::processEvents();
    QCOMPARE(d.ui().frmSound->geometry(), sound);
    QCOMPARE(d.ui().frmTimer->geometry(), frame);
}

void TestArrange::statusBarPanels()
{
    WindowDriver d;
    QLabel* state = d.window.statePanel();
    QCOMPARE(state->objectName(), QStringLiteral("State"));
    QCOMPARE(state->text(), QStringLiteral("Stopped"));
    QCOMPARE(state->toolTip(), QStringLiteral("Stopped"));
    QCOMPARE(state->width(), twipsToPixels(1000, d.window));
    QCOMPARE(d.window.statusPanel()->objectName(), QStringLiteral("Status"));
    QVERIFY(d.window.statusPanel()->width() >= twipsToPixels(1440, d.window));
    QVERIFY(d.ui().StatusBar->geometry().bottom() == d.window.rect().bottom());
}

void TestArrange::everyControlIsReachableByKeyboard()
{
    WindowDriver d;
    d.ui().cmbSound->setCurrentIndex(2); // speech controls shown
    d.ui().cmbSound->setFocus();
    QSet<QString> reached;
    for (int i = 0; i < 30; ++i) {
        reached << QApplication::focusWidget()->objectName();
        d.key(Qt::Key_Tab);
    }
    for (const char* name :
         {"cmbSound", "cmbMode", "cmbSpeechEngine", "cmdSpeechSpeak", "sldSpeechVolume",
          "sldSpeechRate", "grdTimer0", "chkIntervalRound", "cmdStart"})
        QVERIFY2(reached.contains(QLatin1String(name)), name);
    QVERIFY(!reached.contains(QStringLiteral("txtTimer"))); // hidden editor is no tab stop
}

VT_TEST_MAIN(TestArrange, "Europe/London")
#include "tst_arrange.moc"
