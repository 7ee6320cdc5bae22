// SPDX-License-Identifier: MIT
// The alarm as the watchkeeper meets it: its window, flashing and sound, the
// answers, every way speech can fail, and its escalation as the window shows
// it; the speech settings with an engine ready at once, late or never.
#include "support.h"

#include "core/watchlog.h"
#include "platform/desktopnotifier.h"
#include "platform/trayicon.h"
#include "speech/speechservice.h"
#include "ui/common/twips.h"
#include "ui/main/hookslink.h"

#include <QLabel>
#include <QScreen>

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// Runs `then` from the event loop once a modal dialog of that kind is up.
template <typename Dialog> void whenModal(const std::function<void(Dialog*)>& then)
{
    QTimer::singleShot(10, qApp, [then] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            then(dialog);
        else
            whenModal<Dialog>(then);
    });
}

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT

    QString m_hooks = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Vigiltide/Hooks.ini"_s;
    static QString lastLogLine()
    {
        return QString::fromUtf8(readFile(WatchLog::defaultPath())).trimmed().section(u'\n', -1);
    }

private slots:
    void cleanup() { QFile::remove(m_hooks); } // hooks for one test only

    void widthAndPlace_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lines"); // 0: one line in the designed width
        QTest::newRow("short") << "Log" << 0;
        QTest::newRow("wider than the designed window") << QString(40, QLatin1Char('M')) << 1;
        QTest::newRow("wider than the screen") << u"Check the horizon "_s.repeated(12) << 3;
        QTest::newRow("one long word") << QString(150, QLatin1Char('M')) << 3;
        QTest::newRow("16,000 characters") << QString(16000, QLatin1Char('x')) << 0;
    }
    void widthAndPlace()
    {
        QFETCH(QString, message);
        QFETCH(int, lines);
        WindowDriver d;
        frmMessage& w = *d.raiseAlarm();
        w.Start(Alarm{w.alarm(), w.windowTitle(), message, 65535, 255});
        // Wholly on the screen, whatever the message, with room at the edges.
        const QRect room = w.screen()->availableGeometry();
        const int margin = twipsToPixels(240, w);
        QVERIFY(room.adjusted(margin, 0, -margin, 0).contains(w.frameGeometry()));
        const QLabel& label = *w.form().lblMessage;
        const QString shown = label.text();
        if (lines == 0 && message.size() < 100) {
            QCOMPARE(w.frameGeometry().width(), twipsToPixels(3000, w));
        } else { // exactly the message's width and its margin
            QCOMPARE(w.width(), label.width() + twipsToPixels(120, w));
            QVERIFY(w.frameGeometry().width() > twipsToPixels(3000, w));
        }
        // The lines hold the whole message, or, taller than the screen, end in "…".
        QVERIFY(lines == 0 ||
                (shown.count(u'\n') + 1 >= lines &&
                 QString(shown).remove(u'\n').remove(u' ') == QString(message).remove(u' ')));
        QVERIFY(message.size() < 1000 ||
                (shown.endsWith(u'\u2026') && shown.size() < message.size()));
        QVERIFY(label.sizeHint().width() <= label.width() && label.x() >= 0 &&
                label.sizeHint().height() <= label.height());
        QVERIFY(w.form().cmdOk->y() > label.geometry().bottom()); // the buttons below it
        QCOMPARE(w.message(), message); // the whole message is what is spoken
    }
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("continues");
        QTest::newRow("Continue") << "cmdOk" << true;
        QTest::newRow("Enter") << "Return" << true;
        QTest::newRow("close box") << "close" << true;
        QTest::newRow("Stop") << "cmdCancel" << false;
        QTest::newRow("Stop in the main window") << "cmdStop" << false;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, continues);
        WindowDriver d;
        d.engine->speakForever = true;
        d.ui().cmbSound->setCurrentIndex(2);
        frmMessage& w = *d.raiseAlarm();
        const auto shown = [&w] { return std::pair(w.shownBackColor(), w.shownForeColor()); };
        const auto first = shown();
        QVERIFY(QTest::qWaitForWindowActive(&w)); // the keystroke goes to the active window only
        fireTick(w.tick());                       // the first tick inverts the colours, and reads
        QCOMPARE(shown(), std::pair(first.second, first.first));
        d.engine->speaking = false; // read again once a reading ends, and a reading goes on
        fireTick(w.tick());
        QCOMPARE(std::tuple(shown(), d.engine->spoken.size(), w.keystrokes()),
                 std::tuple(first, 2, 2)); // a keystroke a second, to the window itself
        if (answer == QLatin1String("close")) {
            w.close();
        } else if (answer == QLatin1String("Return")) {
            QTest::keyClick(w.form().cmdOk, Qt::Key_Return); // too soon: meant for another window
            QVERIFY(w.isVisible());
            QTest::qWait(frmMessage::kKeyGuardMs + 50);
            QTest::keyClick(w.form().cmdOk, Qt::Key_Return);
        } else { // a click counts at once
            auto* button = w.findChild<QPushButton*>(answer);
            QTest::mouseClick(button ? button : d.window.findChild<QPushButton*>(answer),
                              Qt::LeftButton);
        }
        QVERIFY(!w.isVisible() && !w.tick().isActive());
        QCOMPARE(d.engine->waitedMs, QList<int>{5000}); // the reading may end, five seconds at most
        QCOMPARE(d.window.statePanel()->text(), QLatin1String(continues ? "Running" : "Stopped"));
        QCOMPARE(d.status(), QLatin1String(continues ? "Timer 11:00" : "")); // the 15-minute entry
        if (!continues)
            return;
        fireTick(d.window.run().tick()); // the next alarm reuses the window, set afresh
        QCOMPARE(std::tuple(w.isVisible(), w.messageId(), w.form().lblMessage->text(),
                            w.shownBackColor(), w.keystrokes()),
                 std::tuple(true, 2, u"Time's Up, Check Horizon"_s, AlarmTable::BackColor, 0));
    }
    void dialogsLeaveTheAlarmAnswerable_data()
    {
        QTest::addColumn<QString>("command");
        for (const char* command :
             {"mnuFileRecall", "mnuFileSave", "replace", "mnuTimerBackColor", "mnuHelpAbout"})
            QTest::newRow(command) << command;
    }
    // Whatever dialog is open when an alarm comes, a click answers the alarm.
    void dialogsLeaveTheAlarmAnswerable()
    {
        QFETCH(QString, command);
        WindowDriver d(QByteArray("[Timer]\n"));
        bool answered = false;
        const auto answerAlarm = [&] {
            frmMessage& w = *d.raiseAlarm();
            // Through the window, as a window system delivers it: modality applies.
            const QPushButton* ok = w.form().cmdOk;
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                              ok->mapTo(&w, ok->rect().center()));
            answered = !w.isVisible() && d.window.run().isRunActive();
            while (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        };
        if (command == u"mnuHelpAbout"_s) { // modeless, and Esc closes it
            d.ui().mnuHelpAbout->trigger();
            answerAlarm();
            QTest::keyClick(d.window.aboutBox(), Qt::Key_Escape);
            QTRY_VERIFY(!d.window.aboutBox());
        } else {
            whenModal<QDialog>([&](QDialog* dialog) {
                if (command != u"replace"_s)
                    return answerAlarm();
                // Save... over a file: the question comes up.
                static_cast<QFileDialog*>(dialog)->selectFile(d.path());
                QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
                whenModal<QMessageBox>([&](QMessageBox*) { answerAlarm(); });
            });
            if (command == u"mnuTimerBackColor"_s)
                d.pick(1, d.ui().mnuTimerBackColor);
            else
                d.window.findChild<QAction*>(command == u"replace"_s ? u"mnuFileSave"_s : command)
                    ->trigger();
        }
        QTRY_VERIFY(answered);
    }
    // Answered, a Time alarm gives way to the next in the caption, the tray's
    // tool tip and the reason to keep the machine awake.
    void answeredAlarmNamesTheNext()
    {
        WindowDriver d("[Timer]\nMode=1\n[Time]\nCount=2\n#1 Enabled=True\n#1 Time=07:00:00\n"
                       "#1 Message Text=A\n#2 Enabled=True\n#2 Time=08:00:00\n#2 Message Text=B\n");
        TrayIcon tray(QIcon{});
        d.window.attachTray(&tray);
        d.clock.setLocal(QDate(2027, 1, 16), QTime(6, 59, 59));
        QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
        d.clock.setLocal(QDate(2027, 1, 16), QTime(7, 0, 0));
        fireTick(d.window.run().tick());
        QCOMPARE(tray.toolTip(), u"Vigiltide - 07:00:00"_s);
        d.clock.setLocal(QDate(2027, 1, 16), QTime(7, 0, 4));
        QTest::mouseClick(d.window.messageWindow()->form().cmdOk, Qt::LeftButton);
        QCOMPARE(std::tuple(d.window.windowTitle(), tray.toolTip(), d.sleep.reason),
                 std::tuple(u"Timer 08:00"_s, u"Timer 08:00"_s, u"Vigiltide alarm due at 08:00"_s));
        d.clock.setLocal(QDate(2027, 1, 16), QTime(8, 0, 0)); // the last: the run is done
        fireTick(d.window.run().tick());
        QTest::mouseClick(d.window.messageWindow()->form().cmdOk, Qt::LeftButton);
        QCOMPARE(std::pair(d.window.statePanel()->text(), d.sleep.reason),
                 std::pair(u"Done"_s, QString()));
    }

    // The tray's click and Show, and the notification, each bring the alarm
    // in front of the main window, even from the main window's own Show.
    void trayAndNotificationBringTheAlarm()
    {
        WindowDriver d;
        TrayIcon tray(QIcon{});
        DesktopNotifier notifier(QDBusConnection(u"none"_s), u"id"_s);
        d.window.attachTray(&tray);
        d.window.attachNotifier(&notifier);
        frmMessage& w = *d.raiseAlarm();
        for (const std::function<void()>& bring : std::initializer_list<std::function<void()>>{
                 [&] { emit tray.activated(); }, [&] { emit tray.showRequested(); },
                 [&] { emit notifier.activated(); }}) {
            d.window.showNormal();
            d.window.activateWindow();
            QTRY_VERIFY(d.window.isActiveWindow());
            const_cast<QTimer&>(w.tick()).start(); // its next tick takes the focus by itself
            bring();
            QTRY_VERIFY_WITH_TIMEOUT(w.isActiveWindow(), 300);
        }
    }
    void voicesSlidersAndSpeak()
    {
        WindowDriver d;
        // A voice that cannot be chosen says so, and leaves the sliders alone.
        d.engine->failSelect = true;
        d.ui().sldSpeechRate->setValue(7);
        d.ui().cmbSpeechEngine->setCurrentIndex(1);
        QCOMPARE(std::tuple(d.status(), d.beeper.beeps, d.ui().sldSpeechRate->value()),
                 std::tuple(u"Voice Error, no such voice"_s, 1, 7));
        // Speak reads every row, one after the other; the menu's Speak its row.
        d.ui().cmbSound->setCurrentIndex(2);
        d.click(2, EnableColumn); // disabled entries are read too
        QTest::mouseClick(d.ui().cmdSpeechSpeak, Qt::LeftButton);
        QCOMPARE(d.engine->spoken.mid(0, 2),
                 (QStringList{u"Time's Up, Check Log"_s, u"Time's Up, Check Horizon"_s}));
        QCOMPARE(std::pair(d.table().Row(), d.table().Col()), std::pair(2, int(MessageColumn)));
        d.pick(1, d.ui().mnuTimerSpeak);
        QCOMPARE(d.engine->spoken.last(), u"Time's Up, Check Log"_s);
        // Start ends a reading of Speak, which would keep the alarms from speaking.
        d.engine->spoken.clear();
        d.engine->whileReading = [&d] { QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton); };
        QTest::mouseClick(d.ui().cmdSpeechSpeak, Qt::LeftButton);
        QCOMPARE(std::pair(d.engine->spoken.size(), d.engine->stops), std::pair(qsizetype(1), 1));
        QVERIFY(d.window.run().isRunActive() && !d.ui().cmdSpeechSpeak->isEnabled());
    }
    void speechFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said"); // at start, then at the alarm
        QTest::addColumn<int>("beeps");    // at start, choosing the sound mode, at the alarm
        QTest::newRow("no speech")
            << u"engine"_s << u"No Voice Components Loaded|No Voice Components Installed"_s << 3;
        QTest::newRow("no voices")
            << u"voices"_s << u"No Voice Engines Loaded|No Voice Engines Installed"_s << 3;
        QTest::newRow("speaking fails") << u"speak"_s << u"|Speak Error, audio device lost"_s << 1;
        QTest::newRow("no sound output") << u"sound"_s << u"|Sound Error, no sound output"_s << 2;
        QTest::newRow("a reading that never begins")
            << u"silent"_s << u"|Speak Error, the voice did not begin speaking within 0 seconds"_s
            << 2;
        QTest::newRow("a reading that never ends")
            << u"stuck"_s << u"|Speak Error, the voice does not finish speaking"_s << 1;
    }
    // Each failure is one line with one beep, and the alarm still flashes.
    void speechFailures()
    {
        QFETCH(QString, fault);
        auto engine = std::make_unique<FakeSpeechEngine>();
        if (fault == QLatin1String("voices"))
            engine->voiceList.clear();
        engine->failSpeak = fault == QLatin1String("speak");
        engine->speakForever = fault == QLatin1String("stuck") || fault == QLatin1String("silent");
        engine->begun = fault != QLatin1String("silent");
        WindowDriver d({}, fault == QLatin1String("engine") ? nullptr : std::move(engine));
        d.window.speech().setPatience(-1, -1); // counted stuck at the next tick
        QFETCH(QString, said);
        QCOMPARE(d.status(), said.section(u'|', 0, 0));
        if (fault == QLatin1String("sound")) { // said at Start already, and the run starts
            d.beeper.silence = u"no sound output"_s;
            QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
            QCOMPARE(d.status(), said.section(u'|', 1));
            d.window.setStatusText(QString()); // and said again at the alarm
        } else {
            d.ui().cmbSound->setCurrentIndex(2);
        }
        frmMessage& w = *d.raiseAlarm();
        // The second tick finds the first reading on; the third beeps instead.
        const int ticks = fault == QLatin1String("silent")  ? 3
                          : fault == QLatin1String("stuck") ? 2
                                                            : 1;
        for (int tick = 0; tick < ticks; ++tick)
            fireTick(w.tick());
        QVERIFY(w.isVisible() && (w.shownBackColor() == 255) == (ticks % 2 == 1)); // it flashes
        QCOMPARE(d.status(), said.section(u'|', 1));
        QTEST(d.beeper.beeps, "beeps");
        if (d.engine && fault == QLatin1String("silent"))
            QCOMPARE(d.engine->spoken.size(), 1);
    }
    void statusOnceEngineIsKnown_data()
    {
        QTest::addColumn<int>("voices"); // -1: no engine at all
        QTest::addColumn<bool>("late");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("beeps");
        const QByteArray speech = "[Timer]\nSound=2\n";
        const QString none = u"No Speech Voice Engines Installed"_s;
        // An empty file: Speech is chosen by hand before the engine is ready.
        QTest::newRow("at once, Speech in the file") << 2 << false << speech << "" << 0;
        QTest::newRow("late, Speech in the file") << 2 << true << speech << "" << 0;
        QTest::newRow("late, Speech chosen") << 2 << true << QByteArray() << "" << 0;
        QTest::newRow("settings error kept") << 2 << true << speech + "Mode=7\n"
                                             << "Settings Error, [Timer] Mode" << 1;
        QTest::newRow("no voices, Speech in the file") << 0 << true << speech << none << 2;
        // An engine that failed says so, not that no voices are installed.
        QTest::newRow("no engine, Speech chosen")
            << -1 << true << QByteArray() << "No Voice Components Loaded" << 1;
    }
    void statusOnceEngineIsKnown()
    {
        QFETCH(int, voices);
        QFETCH(bool, late);
        QFETCH(QByteArray, file);
        WindowDriver d(file,
                       voices < 0 ? nullptr // failed, or timed out
                                  : std::make_unique<FakeSpeechEngine>(
                                        QStringList{u"Voice A"_s, u"Voice B"_s}.first(voices)),
                       late);
        if (file.isEmpty())
            d.ui().cmbSound->setCurrentIndex(2);
        if (late)
            d.speech.finish();
        QTEST(d.window.statusPanel()->text(), "status");
        QTEST(d.beeper.beeps, "beeps");
    }
    // During a run the status line keeps the next alarm; a late failure of
    // the engine is told when the run ends.
    void engineFailsDuringARun()
    {
        WindowDriver d({}, nullptr, true);
        QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
        d.speech.finish();
        QCOMPARE(std::pair(d.status(), d.beeper.beeps), std::pair(u"Timer 10:30"_s, 0));
        QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);
        QCOMPARE(std::pair(d.status(), d.beeper.beeps),
                 std::pair(u"No Voice Components Loaded"_s, 1));
    }
    void savedVoice_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QStringList>("voices"); // installed at this start
        QTest::addColumn<QString>("selected");
        const QByteArray anna = "[Timer]\nSpeech Engine=2\nSpeech Voice=German - Anna\n";
        const QStringList abc{u"A"_s, u"B"_s, u"C"_s};
        QTest::newRow("by name, now first, the index another's")
            << anna << QStringList{"German - Anna", "Dutch - Kees", "English - Alan"}
            << "German - Anna";
        QTest::newRow("name gone: its index") << anna << abc << "C";
        QTest::newRow("index beyond: the first") << anna << abc.first(2) << "A";
        QTest::newRow("older file: the index")
            << QByteArray("[Timer]\nSpeech Engine=1\n") << abc << "B";
        QTest::newRow("older file, -1: no voice")
            << QByteArray("[Timer]\nSpeech Engine=-1\n") << abc << "";
    }
    // The voice saved by its name stays that voice when the list changes;
    // files without a name keep their index; the name chosen is saved.
    void savedVoice()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, voices);
        QFETCH(QString, selected);
        WindowDriver d(saved, std::make_unique<FakeSpeechEngine>(voices));
        QCOMPARE(d.ui().cmbSpeechEngine->currentText(), selected);
        QCOMPARE(d.engine->selected, qMax(0, int(voices.indexOf(selected))));
        d.ui().cmbSpeechEngine->setCurrentIndex(int(voices.size()) - 1);
        d.window.close();
        QVERIFY(readFile(d.path()).contains("Speech Voice=" + voices.last().toUtf8() + "\n"));
    }
    void escalation_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("othersMayWrite"); // the hooks file, which is then refused
        QTest::addColumn<QString>("event");       // last in the watch log
        QTest::addColumn<QString>("status");      // the status line after it
        QTest::addColumn<QString>("line");        // on the alarm; empty: none
        QTest::newRow("done") << QByteArray("true") << false << u"escalated"_s << u"Timer 11:00"_s
                              << u"Escalated at 11:00:05"_s;
        QTest::newRow("exits 1") << QByteArray("false") << false << u"escalation-failed"_s
                                 << u"Escalation Error, false exited with code 1"_s
                                 << u"Escalation failed at 11:00:05"_s;
        QTest::newRow("no such program")
            << QByteArray("'/no/such program' x") << false << u"escalation-failed"_s
            << u"Escalation Error, /no/such program cannot be started: "_s
            << u"Escalation failed at 11:00:05"_s;
        QTest::newRow("others may write")
            << QByteArray("true") << true << u"shown"_s << u"Hooks Error, "_s << QString();
    }
    // Five seconds unanswered: the command runs, the alarm says so under its
    // buttons, and how it went is told and logged; the alarm stays open. A
    // hooks file that others may write runs nothing, and says why at start-up
    // and again at Start.
    void escalation()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, othersMayWrite);
        QFETCH(QString, event);
        QFETCH(QString, status);
        QFETCH(QString, line);
        writeFile(m_hooks, "[Escalation]\nAfter=5\nCommand=" + command + '\n',
                  QFile::ReadOwner | QFile::WriteOwner |
                      (othersMayWrite ? QFile::WriteOther : QFile::Permissions()));
        WindowDriver d;
        QCOMPARE(d.status().startsWith(u"Hooks Error, "_s), othersMayWrite);
        d.window.setStatusText(QString()); // so that Start must tell a refusal again
        frmMessage* alarm = d.raiseAlarm();
        QVERIFY(alarm && alarm->isVisible());
        const int height = alarm->height();
        QLabel* shown = alarm->form().lblEscalation;
        d.clock.advanceSeconds(4);
        d.window.hooks().schedule().check();
        QVERIFY(!shown->isVisible());
        d.clock.advanceSeconds(1);
        d.window.hooks().schedule().check();
        QCOMPARE(shown->isVisible() && alarm->height() > height, !line.isEmpty());
        QTRY_COMPARE(lastLogLine().section(u'\t', 1, 1), event);
        QVERIFY2(d.status().startsWith(status), qPrintable(d.status()));
        QVERIFY(line.isEmpty() || shown->text() == line);
        QVERIFY(alarm->isAlerting());
        QCOMPARE(lastLogLine().section(u'\t', 5, 5), alarm->message());
        alarm->form().cmdOk->click();
        fireTick(d.window.run().tick());
        QVERIFY(
            !d.window.messageWindow()->form().lblEscalation->isVisible()); // the next alarm's own
    }
};

VT_TEST_MAIN(TestAlarm, "Europe/London")
#include "tst_alarm.moc"
