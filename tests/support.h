// SPDX-License-Identifier: MIT
// What the window tests share: fakes of speech and sound, and a driver for the
// main window that reads the tables as values, moving no cursor.
#pragma once

#include "runsupport.h"

#include "platform/nullinhibitor.h"
#include "ui/main/alarmtableview.h"
#include "ui/main/frmMain.h"
#include "ui/message/frmMessage.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QtTest>

#define VT_TEST_MAIN(TestClass, zone) VT_MAIN(QApplication, TestClass, zone)

// Keeps the reason a run gives for keeping the machine awake.
class FakeSleepInhibitor : public vt::SleepInhibitor
{
public:
    void inhibit(const QString& why) override { reason = why; }
    void release() override { reason.clear(); }
    bool isHeld() const override { return !reason.isEmpty(); }
    QString reason;
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

// Hands the engine (null: no speech) over from the event loop, or at finish().
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

// Starts a server; the first line it prints (its address), empty if none.
inline QByteArray startServer(QProcess& process, const QString& program, const QStringList& args)
{
    process.start(program, args);
    return process.waitForReadyRead(30000) ? process.readLine().trimmed() : QByteArray();
}

// What the default output of a sound server (null: the environment's) plays,
// from start() until stop().
class Recording
{
    QTemporaryDir m_dir;
    QString m_wav = m_dir.filePath(QStringLiteral("heard.wav"));
    QProcess m_parecord;

public:
    // In small fragments, so sound flows at once; true once it does (sooner is lost).
    bool start(const QByteArray& server = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!server.isEmpty())
            env.insert(QStringLiteral("PULSE_SERVER"), QString::fromLocal8Bit(server));
        m_parecord.setProcessEnvironment(env);
        m_parecord.start(QStringLiteral("parecord"), {QStringLiteral("--latency-msec=50"),
                                                      QStringLiteral("--device=@DEFAULT_MONITOR@"),
                                                      QStringLiteral("--file-format=wav"), m_wav});
        return QTest::qWaitFor([this] { return QFileInfo(m_wav).size() > 8192; }, 20000);
    }
    void stop()
    {
        m_parecord.terminate();
        m_parecord.waitForFinished(5000);
    }
    // sox's statistics of a span of the recording, the whole of it by default.
    QString stat(double from = 0, double seconds = -1) const
    {
        QStringList args{m_wav, QStringLiteral("-n")};
        if (seconds >= 0)
            args << QStringLiteral("trim") << QString::number(from) << QString::number(seconds);
        QProcess sox;
        sox.start(QStringLiteral("sox"), args << QStringLiteral("stat"));
        sox.waitForFinished(20000);
        return QString::fromLocal8Bit(sox.readAllStandardError());
    }
    // One figure of those ("RMS +amplitude", "Maximum amplitude"); -1 where
    // nothing was recorded.
    static double figure(const QString& stat, const QString& name)
    {
        const auto m = QRegularExpression(name + QStringLiteral(":\\s*([0-9.]+)")).match(stat);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    }
    // The RMS amplitude of every two seconds of a span.
    QList<double> loudness(double from, double seconds) const
    {
        QList<double> windows;
        for (double at = from; at + 2 <= from + seconds + 0.01; at += 2)
            windows << figure(stat(at, 2), QStringLiteral("RMS +amplitude"));
        return windows;
    }
};

// The main window at 10:17:45 on 15 January 2027, its settings file in a folder of its own.
struct WindowDriver {
    QTemporaryDir folder;
    vt::FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechEngine* engine; // owned by the window once handed over
    FakeSpeechProvider speech;
    FakeSleepInhibitor sleep;
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
    vt::AlarmTableView& table() const { return window.currentTable(); }
    vt::AlarmTableModel& model() const { return window.currentModel(); }
    const vt::AlarmTable& values() const { return model().table(); }
    QLineEdit* editor() const { return window.form().txtTimer; }
    QString status() const { return window.statusText(); }
    // A click on a cell of the current table, header row 0 included.
    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* target = row == 0 ? table().horizontalHeader()->viewport() : table().viewport();
        const QPoint at = target->mapFrom(&table(), table().cellRect(row, col).center());
        QTest::mouseClick(target, button, {}, at);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &window, Qt::Key(key), modifiers);
    }
    // The current cell, where the table's cursor stands, as "row:col".
    QString cursor() const { return QStringLiteral("%1:%2").arg(table().Row()).arg(table().Col()); }
    QString text(int row, int col) const { return values().text(row, col); }
    bool enabled(int row) const { return vt::IsEntryEnabled(values(), row); }
    std::pair<vt::ColorValue, vt::ColorValue> colours(int row) const
    {
        const vt::AlarmCell& cell = values().cell(row, vt::MessageColumn);
        return {cell.back, cell.fore};
    }
    void setBackColour(int row, vt::ColorValue value) const
    {
        model().setData(model().cellIndex(row, vt::MessageColumn), value,
                        vt::AlarmTableModel::BackColorRole);
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
        fireTick(window.run().tick());
        return window.messageWindow();
    }
};
