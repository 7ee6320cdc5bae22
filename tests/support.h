// SPDX-License-Identifier: MIT
// What the tests share: a main that pins the time zone; a run host with real
// tables but no window, which records the alarms it is asked to show; fakes of
// speech, sound and sleep; and a driver for the main window.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/runcontrol.h"
#include "core/tablecontrol.h"

#include "platform/sleepinhibitor.h"
#include "speech/beeper.h"
#include "speech/speechengine.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QColorDialog>
#include <QDBusConnection>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
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

// A D-Bus daemon of the test's own, on which fakes of desktop services own
// their names. No address when dbus-daemon is not installed.
struct PrivateBus {
    QProcess daemon;
    QString address;

    PrivateBus()
    {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (exe.isEmpty())
            return;
        daemon.start(exe, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
        if (daemon.waitForStarted() && daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon.kill();
        daemon.waitForFinished();
    }
    QDBusConnection connect(const QString& name) const
    {
        return QDBusConnection::connectToBus(address, name);
    }
};

// Appends an entry to a table; a schedule written "~60" is a disabled entry.
inline void addEntry(vt::TableControl& table, QString schedule,
                     const QString& message = QStringLiteral("M"))
{
    const bool enabled = !schedule.startsWith(QLatin1Char('~'));
    if (!enabled)
        schedule.remove(0, 1);
    const int row = table.Rows();
    table.setRows(row + 1);
    vt::FormatTableRow(table, row);
    vt::SetEntryEnabled(table, row, vt::EnableColumn, enabled);
    table.setCol(vt::ScheduleColumn);
    table.setText(schedule);
    table.setCol(vt::MessageColumn);
    table.setText(message);
}

struct ShownAlarm {
    qint64 at; // seconds since the Unix epoch
    int row;
    QString caption;
    QString message;
    vt::ColorValue back;
    vt::ColorValue fore;
};

class FakeHost : public vt::RunHost
{
public:
    explicit FakeHost(const vt::Clock& clock) : images(QIcon(), QIcon()), clock(clock)
    {
        for (vt::TableControl& t : tables) {
            t.setImageList(&images);
            t.setRows(1);
        }
        QFont bold = start.font(); // as designed: Start is the button to press
        bold.setBold(true);
        start.setFont(bold);
    }

    int timerMode() const override { return mode; }
    bool intervalRound() const override { return round; }
    vt::TableControl* timerTable(int m) override { return m >= 0 && m < 2 ? &tables[m] : nullptr; }
    vt::RunControls runControls() override
    {
        return {&others[0], &others[1], &start,     &stop,      {&tables[0], &tables[1]},
                &others[2], &others[3], &others[4], &others[5], &others[6]};
    }
    void setCaption(const QString& c) override { caption = c; }
    void minimizeWindow() override { minimized = true; }
    void restoreWindow() override { minimized = false; }
    void setStateText(const QString& t) override { state = t; }
    void setStatusText(const QString& t) override { status = t; }
    void beep() override { ++beeps; }
    void setTickEnabled(bool enabled) override
    {
        tickStarts += enabled && !tickEnabled;
        tickEnabled = enabled;
    }
    void setMessageCaption(const QString& c) override { messageCaption = c; }
    void showMessage(int id, const QString& message, vt::ColorValue back,
                     vt::ColorValue fore) override
    {
        shown.push_back({clock.nowSeconds(), id, messageCaption, message, back, fore});
    }
    void ArrangeWindow() override { ++arrangements; }
    void keepAwake(const QString& why) override { awakeFor = why; }
    void allowSleep() override { awakeFor.clear(); }

    vt::ImageList images;
    std::array<vt::TableControl, 2> tables;
    QPushButton start, stop;
    std::array<QWidget, 7> others; // mode, round, sound, voice, speak, rate, volume
    const vt::Clock& clock;
    int mode = vt::IntervalMode;
    bool round = false;
    QString caption = QStringLiteral("Vigiltide"), state = QStringLiteral("Stopped"), status,
            messageCaption, awakeFor;
    bool minimized = false, tickEnabled = false;
    int tickStarts = 0, beeps = 0, arrangements = 0;
    std::vector<ShownAlarm> shown;
};

// A run on a fake clock that ticks once a second: a day of alarms in
// milliseconds.
struct Harness {
    vt::FakeClock clock;
    FakeHost host{clock};
    vt::RunControl run{host, clock};

    explicit Harness(const QByteArray& zone = "Europe/London") { clock.setZone(QTimeZone(zone)); }

    // At a time the local clock shows; with an offset where it shows it twice.
    void startAt(const QString& iso)
    {
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
        if (t.timeSpec() == Qt::OffsetFromUTC)
            clock.setLocal(t);
        else
            clock.setLocal(t.date(), t.time());
        run.StartRun();
    }
    // Ticks second by second until an alarm shows or the limit passes.
    bool tickUntilAlarm(qint64 limitSeconds = 3 * 86400)
    {
        const std::size_t before = host.shown.size();
        for (qint64 s = 0; s < limitSeconds && host.tickEnabled && host.shown.size() == before;
             ++s) {
            clock.advanceSeconds(1);
            run.CheckDueAlarms();
        }
        return host.shown.size() > before;
    }
    QString local(qint64 instant, const QString& format = QStringLiteral("hh:mm:ss")) const
    {
        return QDateTime::fromSecsSinceEpoch(instant, clock.timeZone()).toString(format);
    }
};

// ---- Speech, sound and sleep doubles, and a driver for the main window.

class FakeBeeper : public vt::Beeper
{
public:
    void beep() override { ++beeps; }
    QString silenceReason() const override { return silence; }
    int beeps = 0;
    QString silence; // as a machine without sound output says
};

class FakeSleepInhibitor : public vt::SleepInhibitor
{
public:
    void inhibit(const QString& why) override { reason = why; }
    void release() override { reason.clear(); }
    bool isHeld() const override { return !reason.isEmpty(); }
    QString reason;
};

// Records what it is asked to say; can be told to fail or to go on speaking.
class FakeSpeechEngine : public vt::SpeechEngine
{
public:
    explicit FakeSpeechEngine(QStringList list = {QStringLiteral("Voice A"),
                                                  QStringLiteral("Voice B")})
        : voiceList(std::move(list))
    {
    }
    QStringList voices() const override { return voiceList; }
    bool selectVoice(int index, QString* error) override
    {
        if (index < 0 || index >= voiceList.size() || failSelect) {
            *error = QStringLiteral("no such voice");
            return false;
        }
        selected = index;
        voiceRate = 0;
        voiceVolume = 100;
        return true;
    }
    int rate() const override { return voiceRate; }
    void setRate(int rate) override { voiceRate = rate; }
    int volume() const override { return voiceVolume; }
    void setVolume(int volume) override { voiceVolume = volume; }
    bool speak(const QString& text, bool wait, QString* error) override
    {
        if (failSpeak) {
            *error = QStringLiteral("audio device lost");
            return false;
        }
        spoken << text;
        speaking = !wait && speakForever;
        return true;
    }
    int runningState() const override { return speaking ? Speaking : Done; }
    bool waitUntilDone(int timeoutMs) override
    {
        waitedMs << timeoutMs;
        return !speaking;
    }

    QStringList voiceList, spoken;
    QList<int> waitedMs;
    int selected = -1, voiceRate = 0, voiceVolume = 100;
    bool failSelect = false, failSpeak = false;
    bool speakForever = false; // an asynchronous reading never ends by itself
    bool speaking = false;
};

// Hands the engine over from the event loop, as the real one does, at once or
// when finish() is called; a null engine is a machine without speech.
class FakeSpeechProvider : public vt::SpeechEngineProvider
{
public:
    explicit FakeSpeechProvider(std::unique_ptr<vt::SpeechEngine> engine, bool late = false)
        : m_engine(std::move(engine)), m_late(late)
    {
    }
    void start() override
    {
        started = true;
        if (!m_late)
            QTimer::singleShot(0, this, &FakeSpeechProvider::engineReady);
    }
    void finish() { emit engineReady(); }
    std::unique_ptr<vt::SpeechEngine> takeEngine() override { return std::move(m_engine); }

    bool started = false;

private:
    std::unique_ptr<vt::SpeechEngine> m_engine;
    bool m_late;
};

// Answers the next modal dialog: a file dialog with a path (empty: cancel), a
// colour dialog with a colour (invalid: cancel).
inline void answerDialog(const QVariant& answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* colours = qobject_cast<QColorDialog*>(modal)) {
            if (!answer.value<QColor>().isValid())
                return colours->reject();
            colours->setCurrentColor(answer.value<QColor>());
            return colours->accept();
        }
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (!files || answer.toString().isEmpty())
            return modal ? static_cast<QDialog*>(modal)->reject() : void();
        files->selectFile(answer.toString());
        QTimer::singleShot(0, files, [] { // saving over a file asks first: yes
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(files)->accept(); // as its own button does
    });
}

// Fires a running timer's tick now, as a second passing would.
inline void fireTick(const QTimer& timer)
{
    QVERIFY(timer.isActive());
    QMetaObject::invokeMethod(const_cast<QTimer*>(&timer), "timeout");
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The main window as a watchkeeper drives it: clicks on cells, keys, the row
// menu. Its settings file lives in a folder of its own.
struct WindowDriver {
    QTemporaryDir folder;
    vt::FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechEngine* engine; // owned by the window once handed over
    FakeSpeechProvider speech;
    FakeSleepInhibitor sleep;
    vt::frmMain window;

    // settings: the file found at start-up (none when absent); engine null: a
    // machine without speech components.
    explicit WindowDriver(
        std::optional<QByteArray> settings = {},
        std::unique_ptr<FakeSpeechEngine> fake = std::make_unique<FakeSpeechEngine>(),
        bool late = false)
        : engine(fake.get()), speech(std::move(fake), late),
          window((settings ? writeFile(path(), *settings) : void(), clock), beeper, speech, sleep,
                 path())
    {
        clock.setLocal(QDate(2027, 1, 15), QTime(10, 17, 45));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // The engine is asked for once the first frame is drawn, and arrives
        // from the event loop after that.
        QTRY_VERIFY(speech.started);
        QCoreApplication::processEvents();
    }

    QString path(const QString& name = QStringLiteral("Vigiltide.Ini")) const
    {
        return folder.filePath(name);
    }
    const Ui::frmMain& ui() const { return window.form(); }
    vt::TableControl& table() const { return window.currentTable(); }
    QLineEdit* editor() const { return window.form().txtTimer; }
    QString status() const { return window.statusPanel()->text(); }

    QPoint cellPoint(int row, int col) const
    {
        return table().visualRect(table().model()->index(row, col)).center();
    }
    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(table().viewport(), button, {}, cellPoint(row, col));
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &window, Qt::Key(key), modifiers);
    }
    // Reads a cell without moving the current cell, so that checks between
    // keystrokes do not move the editor's next step.
    QString text(int row, int col) const
    {
        const int r = table().Row(), c = table().Col();
        table().setRow(row);
        table().setCol(col);
        const QString t = table().Text();
        table().setRow(r);
        table().setCol(c);
        return t;
    }
    bool enabled(int row) const
    {
        const int r = table().Row(), c = table().Col();
        const bool on = vt::IsEntryEnabled(table(), row, vt::EnableColumn);
        table().setRow(r);
        table().setCol(c);
        return on;
    }
    std::pair<vt::ColorValue, vt::ColorValue> colours(int row) const
    {
        table().setRow(row);
        table().setCol(vt::MessageColumn);
        return {table().CellBackColor(), table().CellForeColor()};
    }
    // Opens the row menu on an entry with a right click and picks an item.
    void pick(int row, QAction* action)
    {
        click(row, vt::MessageColumn, Qt::RightButton);
        QMenu* menu = ui().mnuTimer;
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTRY_VERIFY(!menu->isVisible());
    }
    void setEntry(int row, const QString& schedule, const QString& message, bool on = true)
    {
        vt::SetEntryEnabled(table(), row, vt::EnableColumn, on);
        table().setCol(vt::ScheduleColumn);
        table().setText(schedule);
        table().setCol(vt::MessageColumn);
        table().setText(message);
    }
    // Raises the first alarm of the built-in schedule (row 1, due at 11:00).
    vt::frmMessage* raiseAlarm()
    {
        clock.setLocal(QDate(2027, 1, 15), QTime(10, 59, 59));
        QTest::mouseClick(ui().cmdStart, Qt::LeftButton);
        clock.setLocal(QDate(2027, 1, 15), QTime(11, 0, 0));
        fireTick(window.tick());
        return window.messageWindow();
    }
};
