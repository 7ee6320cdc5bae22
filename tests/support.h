// SPDX-License-Identifier: MIT
// What the tests share: a main that pins the time zone; a run on a fake clock
// with real tables and no window, which records the alarms it shows; fakes of
// speech and sound; and a driver for the main window.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/tablecontrol.h"
#include "platform/nullinhibitor.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
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

// Appends an entry to a table; a schedule written "~60" is a disabled entry.
inline void addEntry(vt::TableControl& table, QString schedule,
                     const QString& message = QStringLiteral("M"))
{
    const bool enabled = !schedule.startsWith(QLatin1Char('~'));
    const int row = table.Rows();
    table.setRows(row + 1);
    vt::FormatTableRow(table, row);
    vt::SetEntryEnabled(table, row, vt::EnableColumn, enabled);
    table.setCol(vt::ScheduleColumn);
    table.setText(enabled ? schedule : schedule.mid(1));
    table.setCol(vt::MessageColumn);
    table.setText(message);
}

struct ShownAlarm {
    qint64 at; // seconds since the Unix epoch
    int row;
    QString caption, message;
    vt::ColorValue back, fore;
};

// A run on a fake clock that ticks once a second, a day of alarms in
// milliseconds; as its host it records what the window would show.
class Harness : public vt::RunHost
{
public:
    explicit Harness(const QByteArray& zone = "Europe/London") : images(QIcon(), QIcon())
    {
        clock.setZone(QTimeZone(zone));
        for (vt::TableControl& t : tables) {
            t.setImageList(&images);
            t.setRows(1);
        }
    }
    // At a time the local clock shows; with its offset where it shows it twice.
    void startAt(const QString& iso)
    {
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
        if (t.timeSpec() == Qt::OffsetFromUTC)
            clock.setLocal(t);
        else
            clock.setLocal(t.date(), t.time());
        run.StartRun();
    }
    bool tickUntilAlarm(qint64 limitSeconds = 3 * 86400)
    {
        const std::size_t before = shown.size();
        for (qint64 s = 0; s < limitSeconds && tickEnabled && shown.size() == before; ++s) {
            clock.advanceSeconds(1);
            run.CheckDueAlarms();
        }
        return shown.size() > before;
    }
    QString local(qint64 instant, const QString& format = QStringLiteral("hh:mm:ss")) const
    {
        return QDateTime::fromSecsSinceEpoch(instant, clock.timeZone()).toString(format);
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
    void setTickEnabled(bool on) override
    {
        const bool was = std::exchange(tickEnabled, on);
        tickStarts += on && !was;
    }
    void setMessageCaption(const QString& c) override { messageCaption = c; }
    void showMessage(const vt::AlarmId& alarm, const QString& text, vt::ColorValue back,
                     vt::ColorValue fore) override
    {
        shown.push_back({clock.nowSeconds(), alarm.row, messageCaption, text, back, fore});
        open = alarm;
    }
    void closeMessage() override { open.reset(); }
    void ArrangeWindow() override {}
    void keepAwake(const QString& why) override { awakeFor = why; }
    void allowSleep() override { awakeFor.clear(); }

    vt::FakeClock clock;
    vt::ImageList images;
    std::array<vt::TableControl, 2> tables;
    QPushButton start, stop;
    std::array<QWidget, 7> others; // mode, round, sound, voice, speak, rate, volume
    int mode = vt::IntervalMode, tickStarts = 0, beeps = 0;
    bool round = false, minimized = false, tickEnabled = false;
    QString caption = QStringLiteral("Vigiltide"), state = QStringLiteral("Stopped"), status,
            messageCaption, awakeFor;
    std::vector<ShownAlarm> shown;
    std::optional<vt::AlarmId> open; // the alarm on the screen
    vt::RunControl run{*this, clock};
};

class FakeBeeper : public vt::Beeper
{
public:
    void beep() override { ++beeps; }
    QString silenceReason() const override { return silence; }
    int beeps = 0;
    QString silence; // as a machine without sound output says
};

// Records what it is asked to say; can be told to fail or to go on speaking.
class FakeSpeechEngine : public vt::SpeechEngine
{
public:
    explicit FakeSpeechEngine(QStringList list = {QStringLiteral("Voice A"),
                                                  QStringLiteral("Voice B")})
        : voiceList(list)
    {
    }
    QStringList voices() const override { return voiceList; }
    bool selectVoice(int index, QString* error) override
    {
        *error = QStringLiteral("no such voice");
        if (index < 0 || index >= voiceList.size() || failSelect)
            return false;
        std::tie(selected, voiceRate, voiceVolume) = std::tuple(index, 0, 100);
        return true;
    }
    int rate() const override { return voiceRate; }
    void setRate(int rate) override { voiceRate = rate; }
    int volume() const override { return voiceVolume; }
    void setVolume(int volume) override { voiceVolume = volume; }
    bool speak(const QString& text, bool wait, QString* error) override
    {
        *error = QStringLiteral("audio device lost");
        spoken << text;
        if (wait && whileReading) { // what the watchkeeper does while it reads
            speaking = true;
            std::exchange(whileReading, {})();
        }
        speaking = !wait && speakForever && !failSpeak;
        return !failSpeak;
    }
    int runningState() const override { return speaking ? Speaking : Done; }
    bool readingBegun() const override { return begun; }
    void stop() override
    {
        speaking = false;
        ++stops;
    }
    bool waitUntilDone(int timeoutMs) override
    {
        waitedMs << timeoutMs;
        return !speaking;
    }

    QStringList voiceList, spoken;
    QList<int> waitedMs;
    std::function<void()> whileReading;
    int selected = -1, voiceRate = 0, voiceVolume = 100, stops = 0;
    bool failSelect = false, failSpeak = false, speaking = false;
    bool speakForever = false; // an asynchronous reading never ends by itself
    bool begun = true;         // false: the engine takes text and never speaks it
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
            colours->setCurrentColor(answer.value<QColor>());
            return answer.value<QColor>().isValid() ? colours->accept() : colours->reject();
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

// Starts a server and gives the first line it prints (its display or bus
// address) once it is up; empty if it never says.
inline QByteArray startServer(QProcess& process, const QString& program, const QStringList& args)
{
    process.start(program, args);
    return process.waitForReadyRead(30000) ? process.readLine().trimmed() : QByteArray();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// The main window as a watchkeeper drives it, at 10:17:45 on 15 January 2027,
// its settings file in a folder of its own.
struct WindowDriver {
    QTemporaryDir folder;
    vt::FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechEngine* engine; // owned by the window once handed over
    FakeSpeechProvider speech;
    vt::NullSleepInhibitor sleep;
    vt::frmMain window;

    // settings: the file found at start-up, if any; engine null: no speech at all.
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
        // The engine is asked for at the first frame and comes from the event loop.
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
    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        const QRect cell = table().visualRect(table().model()->index(row, col));
        QTest::mouseClick(table().viewport(), button, {}, cell.center());
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &window, Qt::Key(key), modifiers);
    }
    // The current cell, where the table's cursor stands, as "row:col".
    QString cursor() const { return QStringLiteral("%1:%2").arg(table().Row()).arg(table().Col()); }
    void select(int row, int col) const
    {
        table().setRow(row);
        table().setCol(col);
    }
    // Reads a cell and puts the current cell back, so that checks between
    // keystrokes do not move the editor's next step.
    template <typename Read> auto peek(int row, int col, Read read) const
    {
        const int r = table().Row(), c = table().Col();
        select(row, col);
        const auto value = read(table());
        select(r, c);
        return value;
    }
    QString text(int row, int col) const
    {
        return peek(row, col, [](vt::TableControl& t) { return t.Text(); });
    }
    bool enabled(int row) const
    {
        return peek(row, 0, [row](vt::TableControl& t) { return vt::IsEntryEnabled(t, row, 0); });
    }
    std::pair<vt::ColorValue, vt::ColorValue> colours(int row) const
    {
        return peek(row, vt::MessageColumn, [](vt::TableControl& t) {
            return std::pair(t.CellBackColor(), t.CellForeColor());
        });
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
