// SPDX-License-Identifier: MIT
// What screen readers learn of the windows, read through Qt's accessibility
// interfaces: names and descriptions of the controls, the cells of the alarm
// tables as they change, the status panels, and the alert raised when an
// alarm message appears. tst_atspi.py reads the same through the desktop's
// accessibility bus.
#include "testmain.h"
#include "windowdriver.h"

#include "ui/about/frmAbout.h"
#include "ui/message/frmMessage.h"

#include <QAccessible>
#include <QLabel>

#include <vector>

using namespace vt;

namespace
{

struct SeenEvent {
    QAccessible::Event type;
    QObject* object;
    QAccessible::Role role;
    QString name;
    QString description;
};

std::vector<SeenEvent> g_events;

// Keeps what a screen reader would have been told, read at the moment of the
// event, as the platform bridge reads it.
void recordEvent(QAccessibleEvent* event)
{
    QAccessibleInterface* iface = event->accessibleInterface();
    g_events.push_back({event->type(), event->object(), iface ? iface->role() : QAccessible::NoRole,
                        iface ? iface->text(QAccessible::Name) : QString(),
                        iface ? iface->text(QAccessible::Description) : QString()});
}

QAccessibleInterface* accessible(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    if (!iface)
        qWarning("no accessible interface for %s", qPrintable(object->objectName()));
    return iface;
}

QString nameOf(QObject* object)
{
    QAccessibleInterface* iface = accessible(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

QString descriptionOf(QObject* object)
{
    QAccessibleInterface* iface = accessible(object);
    return iface ? iface->text(QAccessible::Description) : QString();
}

// The label that names a control: the first of its label relations.
QObject* labelOf(QObject* control)
{
    QAccessibleInterface* iface = accessible(control);
    if (!iface)
        return nullptr;
    const auto labels = iface->relations(QAccessible::Label);
    return labels.isEmpty() ? nullptr : labels.first().first->object();
}

QAccessibleInterface* cellOf(TableControl* table, int row, int col)
{
    QAccessibleInterface* iface = accessible(table);
    return iface && iface->tableInterface() ? iface->tableInterface()->cellAt(row, col) : nullptr;
}

QString cellText(TableControl* table, int row, int col)
{
    QAccessibleInterface* cell = cellOf(table, row, col);
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

QStringList rowTexts(TableControl* table, int row)
{
    QStringList texts;
    for (int col = 0; col < table->columnCount(); ++col)
        texts << cellText(table, row, col);
    return texts;
}

class SilentHost : public MessageHost
{
public:
    void TimerNext(int) override {}
    void TimerStop() override {}
    int SoundMode() const override { return 0; }
    void SpeechSpeak(const QString&, bool) override {}
    void SpeechStop() override {}
    void beep() override {}
};

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { g_events.clear(); }

    void everyControlHasAName();
    void labelsNameTheirControls();
    void toolTipsAreDescriptions();
    void tablesReadTheirCells();
    void enableCellFollowsTheEntry();
    void columnHeadersNameTheColumns();
    void editorIsNamedAfterItsColumn();
    void statusPanelsReportTheRun();
    void messageWindowIsAnAlert();
    void alarmIsAnnouncedWhenItAppears();
    void nextAlarmIsAnnouncedAgain();
    void aboutBoxIsADialog();
};

void TestAccessibility::initTestCase()
{
    QAccessible::installUpdateHandler(recordEvent);
    // Qt hands accessibility events on only while a screen reader's bus is
    // connected, which takes a moment after start-up; offscreen it never is.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 20000);
}

// The checks of events need a desktop with an accessibility bus;
// tst_accessibility_events runs them there.
#define REQUIRE_EVENTS()                                                                           \
    if (!QAccessible::isActive())                                                                  \
    QSKIP("accessibility events reach nobody without an accessibility bus")

void TestAccessibility::cleanupTestCase()
{
    QAccessible::installUpdateHandler(nullptr);
}

void TestAccessibility::everyControlHasAName()
{
    WindowDriver d;
    // The speech controls show in speech mode.
    d.ui().cmbSound->setCurrentIndex(2);
    const QList<QWidget*> controls = d.window.findChildren<QWidget*>();
    QStringList unnamed;
    for (QWidget* w : controls) {
        if (!w->isVisibleTo(&d.window) || w->isWindow())
            continue;
        QAccessibleInterface* iface = accessible(w);
        if (!iface)
            continue;
        switch (iface->role()) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::ComboBox:
        case QAccessible::Slider:
        case QAccessible::Table:
        case QAccessible::EditableText:
        case QAccessible::StaticText:
            // A combo box is named by its label (its own name is its value).
            if (iface->text(QAccessible::Name).isEmpty() && !labelOf(w))
                unnamed << w->objectName();
            break;
        default:
            break;
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String(", "))));
}

void TestAccessibility::labelsNameTheirControls()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    const struct {
        QWidget* control;
        QLabel* label;
        const char* name;
    } expected[] = {
        {ui.cmbMode, ui.Label3, "Timer"},           {ui.cmbSound, ui.Label4, "Sound"},
        {ui.cmbSpeechEngine, ui.Label7, "Voice"},   {ui.sldSpeechRate, ui.Label8, "Rate"},
        {ui.sldSpeechVolume, ui.Label10, "Volume"},
    };
    for (const auto& e : expected) {
        QCOMPARE(e.label->buddy(), e.control);
        QCOMPARE(e.control->accessibleName(), QString::fromLatin1(e.name));
        QCOMPARE(labelOf(e.control), e.label);
    }
    QCOMPARE(nameOf(ui.sldSpeechRate), QStringLiteral("Rate"));
    QCOMPARE(nameOf(ui.sldSpeechVolume), QStringLiteral("Volume"));
    QCOMPARE(nameOf(d.window.grdTimer(IntervalMode)), QStringLiteral("Interval alarms"));
    QCOMPARE(nameOf(d.window.grdTimer(TimeMode)), QStringLiteral("Time alarms"));
    QCOMPARE(nameOf(d.window.statePanel()), QStringLiteral("Run state"));
    QCOMPARE(nameOf(d.window.statusPanel()), QStringLiteral("Status"));
    // The labels themselves still read as written.
    QCOMPARE(nameOf(ui.Label7), QStringLiteral("Voice:"));
}

void TestAccessibility::toolTipsAreDescriptions()
{
    WindowDriver d;
    const Ui::frmMain& ui = d.ui();
    QCOMPARE(descriptionOf(ui.cmbMode), QStringLiteral("Timer Mode"));
    QCOMPARE(descriptionOf(ui.cmbSound), QStringLiteral("Sound Mode"));
    QCOMPARE(descriptionOf(ui.cmbSpeechEngine), QStringLiteral("Speech Voice"));
    QCOMPARE(descriptionOf(ui.cmdStart), QStringLiteral("Start Timer"));
    QCOMPARE(descriptionOf(ui.cmdStop), QStringLiteral("Stop Timer"));
    QCOMPARE(descriptionOf(ui.sldSpeechRate), QStringLiteral("Speech Rate, 0 is nomial"));
    QCOMPARE(descriptionOf(ui.chkIntervalRound),
             QStringLiteral("Round to Top of Hour.  Example, if interval is 30 min then alarm will "
                            "sound at top of the hour and 30 minutes after the hour regardless "
                            "when it is started. "));
    // The Speak button's tool tip names the message it reads, and changes.
    QCOMPARE(descriptionOf(ui.cmdSpeechSpeak), ui.cmdSpeechSpeak->toolTip());
    ui.cmdSpeechSpeak->setToolTip(QStringLiteral("Speak Message # 2"));
    QCOMPARE(descriptionOf(ui.cmdSpeechSpeak), QStringLiteral("Speak Message # 2"));
    // No tool tip was changed for it.
    QCOMPARE(ui.cmbMode->toolTip(), QStringLiteral("Timer Mode"));
}

void TestAccessibility::tablesReadTheirCells()
{
    WindowDriver d;
    TableControl* interval = d.window.grdTimer(IntervalMode);
    QCOMPARE(rowTexts(interval, 0),
             (QStringList{"Enable/Disable", "Interval", "Message", "Additional Options"}));
    QCOMPARE(rowTexts(interval, 1),
             (QStringList{"Enabled", "60", "Time's Up, Check Log", "Options"}));
    QCOMPARE(rowTexts(interval, 2),
             (QStringList{"Enabled", "15", "Time's Up, Check Horizon", "Options"}));
    QCOMPARE(rowTexts(d.window.grdTimer(TimeMode), 1),
             (QStringList{"Enabled", "7:30:00", "Orvo's Weather", "Options"}));
    QCOMPARE(cellOf(interval, 1, OptionsColumn)->text(QAccessible::Description),
             QStringLiteral("Click for Additional Options"));
    QCOMPARE(cellOf(interval, 1, EnableColumn)->text(QAccessible::Description),
             QStringLiteral("Enable/Disable"));
    // What is shown is unchanged: a picture, and "?".
    QCOMPARE(d.text(1, EnableColumn), QString());
    QCOMPARE(d.text(1, OptionsColumn), QStringLiteral("?"));
}

void TestAccessibility::enableCellFollowsTheEntry()
{
    WindowDriver d;
    TableControl* table = &d.table();
    d.click(1, EnableColumn);
    QVERIFY(!d.enabled(1));
    QCOMPARE(cellText(table, 1, EnableColumn), QStringLiteral("Disabled"));
    // Moved down, the disabled entry reads so in its new row, and the
    // entry that took its place reads enabled.
    d.pick(1, d.ui().mnuTimerMoveDown);
    QCOMPARE(cellText(table, 1, EnableColumn), QStringLiteral("Enabled"));
    QCOMPARE(cellText(table, 2, EnableColumn), QStringLiteral("Disabled"));
    QCOMPARE(cellText(table, 2, MessageColumn), QStringLiteral("Time's Up, Check Log"));
    d.click(2, EnableColumn);
    QCOMPARE(cellText(table, 2, EnableColumn), QStringLiteral("Enabled"));
    // A new entry has no picture and counts as disabled.
    d.pick(1, d.ui().mnuTimerInsert);
    const int added = table->Rows() - 1;
    QVERIFY(!d.enabled(added));
    QCOMPARE(rowTexts(table, added), (QStringList{"Disabled", "", "", "Options"}));
    d.click(added, EnableColumn);
    QCOMPARE(cellText(table, added, EnableColumn), QStringLiteral("Enabled"));
}

void TestAccessibility::columnHeadersNameTheColumns()
{
    WindowDriver d;
    // The header row is drawn as row 0; the hidden header that screen readers
    // read for a cell's column says the same.
    const QStringList interval{"Enable/Disable", "Interval", "Message", "Additional Options"};
    const QStringList time{"Enable/Disable", "Time", "Message", "Additional Options"};
    for (int col = 0; col < 4; ++col) {
        QAccessibleInterface* table = accessible(d.window.grdTimer(IntervalMode));
        QCOMPARE(table->tableInterface()->columnDescription(col), interval.at(col));
        table = accessible(d.window.grdTimer(TimeMode));
        QCOMPARE(table->tableInterface()->columnDescription(col), time.at(col));
    }
}

void TestAccessibility::editorIsNamedAfterItsColumn()
{
    WindowDriver d;
    d.click(1, MessageColumn);
    QVERIFY(d.editor()->isVisible());
    QCOMPARE(nameOf(d.editor()), QStringLiteral("Message"));
    d.key(Qt::Key_Tab);
    d.key(Qt::Key_Tab);
    d.key(Qt::Key_Tab); // past the options and enable cells to the next schedule
    QCOMPARE(d.table().Col(), int(ScheduleColumn));
    QCOMPARE(nameOf(d.editor()), QStringLiteral("Interval"));
}

void TestAccessibility::statusPanelsReportTheRun()
{
    REQUIRE_EVENTS();
    WindowDriver d;
    QLabel* state = d.window.statePanel();
    QCOMPARE(descriptionOf(state), QStringLiteral("Stopped"));
    QCOMPARE(state->text(), QStringLiteral("Stopped"));
    g_events.clear();
    QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
    QVERIFY(state->text() != QLatin1String("Stopped"));
    QCOMPARE(descriptionOf(state), state->text());
    const bool told = std::any_of(g_events.begin(), g_events.end(), [&](const SeenEvent& e) {
        return e.object == state && e.type == QAccessible::DescriptionChanged &&
               e.description == state->text();
    });
    QVERIFY2(told, "screen readers are told that the run state changed");
    QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);
    QCOMPARE(descriptionOf(state), QStringLiteral("Stopped"));
}

void TestAccessibility::messageWindowIsAnAlert()
{
    SilentHost host;
    frmMessage w(host);
    QAccessibleInterface* iface = accessible(&w);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::AlertMessage);
    QCOMPARE(nameOf(w.form().cmdOk), QStringLiteral("Continue"));
    QCOMPARE(nameOf(w.form().cmdCancel), QStringLiteral("Stop"));
    QVERIFY(!descriptionOf(w.form().cmdOk).isEmpty());
    QVERIFY(!descriptionOf(w.form().cmdCancel).isEmpty());
    // The rest of the window is as for any widget.
    QCOMPARE(iface->childCount(), 3);
}

void TestAccessibility::alarmIsAnnouncedWhenItAppears()
{
    REQUIRE_EVENTS();
    WindowDriver d;
    g_events.clear();
    frmMessage* w = d.raiseAlarm();
    QVERIFY(w && w->isVisible());
    const QString message = QStringLiteral("Time's Up, Check Log");
    QCOMPARE(w->form().lblMessage->text(), message);

    auto alert = std::find_if(g_events.begin(), g_events.end(),
                              [&](const SeenEvent& e) { return e.type == QAccessible::Alert; });
    QVERIFY2(alert != g_events.end(), "an alert event when the message appears");
    QCOMPARE(alert->object, static_cast<QObject*>(w));
    QCOMPARE(alert->role, QAccessible::AlertMessage);
    QCOMPARE(alert->description, message);
    // Raised once the window is shown, so that readers find it there.
    const auto shown = std::find_if(g_events.begin(), g_events.end(), [&](const SeenEvent& e) {
        return e.type == QAccessible::ObjectShow && e.object == w;
    });
    QVERIFY(shown != g_events.end());
    QVERIFY(shown < alert);
    QCOMPARE(nameOf(w->form().lblMessage), message);
    QCOMPARE(descriptionOf(w), message);
}

void TestAccessibility::nextAlarmIsAnnouncedAgain()
{
    REQUIRE_EVENTS();
    SilentHost host;
    frmMessage w(host);
    w.Start(1, QStringLiteral("Check Log"), 65535, 255);
    w.form().cmdOk->click();
    QVERIFY(!w.isVisible());
    g_events.clear();
    w.Start(2, QStringLiteral("Check Horizon"), 65535, 255);
    int alerts = 0;
    bool renamed = false;
    for (const SeenEvent& e : g_events) {
        if (e.type == QAccessible::Alert && e.object == &w) {
            ++alerts;
            QCOMPARE(e.description, QStringLiteral("Check Horizon"));
        }
        if (e.type == QAccessible::NameChanged && e.object == w.form().lblMessage)
            renamed = true;
    }
    QCOMPARE(alerts, 1);
    QVERIFY2(renamed, "the label's new text is announced as a name change");
    QCOMPARE(descriptionOf(&w), QStringLiteral("Check Horizon"));
    // The tick's flashing and keystrokes raise no further alerts.
    g_events.clear();
    fireTick(w.tick());
    QVERIFY(std::none_of(g_events.begin(), g_events.end(),
                         [](const SeenEvent& e) { return e.type == QAccessible::Alert; }));
}

void TestAccessibility::aboutBoxIsADialog()
{
    frmAbout about;
    QAccessibleInterface* iface = accessible(&about);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Dialog);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("About Vigiltide"));
    QCOMPARE(nameOf(about.form().picIcon), QStringLiteral("Program icon"));
    QCOMPARE(nameOf(about.form().lblTitle), QStringLiteral("Vigiltide"));
    QVERIFY(nameOf(about.form().lblDescription).startsWith(QLatin1String("Version ")));
}

VT_TEST_MAIN(TestAccessibility, "UTC")
#include "tst_accessibility.moc"
