// SPDX-License-Identifier: MIT
// The real program on a private X server with openbox and a private session
// bus on which this test serves a fake tray host and notification service;
// its beeps recorded from a real sound server.
#include "support.h"

#include <QtDBus>

#include <csignal>

namespace
{

// The desktop's tray host (keeping the last item) and notification service.
class FakeDesktop : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER hostRegistered)

public:
    bool hostRegistered = true;
    QString item;
    QList<QStringList> notes; // icon, summary, body, urgency (2: critical)
    QList<uint> closed;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { item = service; }
    uint Notify(const QString&, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int)
    {
        notes << QStringList{icon, summary, body, QString::number(hints["urgency"].toInt())};
        return notes.size();
    }
    void CloseNotification(uint id) { closed << id; }
};

// A tray item's menu entry (ia{sv}av), read as far as the test needs it.
struct MenuItem {
    int id = 0;
    QVariantMap properties;
    QList<QDBusVariant> children;
};

QDBusArgument& operator<<(QDBusArgument& out, const MenuItem& item)
{
    out.beginStructure();
    out << item.id << item.properties << item.children;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, MenuItem& item)
{
    in.beginStructure();
    in >> item.id >> item.properties >> item.children;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(MenuItem)

class tst_Desktop : public QObject
{
    Q_OBJECT

    // Seconds to a watch's first alarm (the program starting on a busy machine).
    static constexpr int kLead = 4;
    QTemporaryDir m_dir; // owner-only, so also the program's runtime folder
    QProcess m_bus, m_xvfb, m_openbox;
    QDBusConnection m_conn{QString()};
    FakeDesktop m_desk;
    QByteArray m_pulse; // the sound server of ./test, for the programs that play and record

    QString run(const QString& tool, const QStringList& args)
    {
        QProcess process;
        process.start(tool, args);
        process.waitForFinished(10000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    QProcess* start(const QStringList& args, bool sound = false)
    {
        auto* app = new QProcess(this);
        if (sound) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("PULSE_SERVER", m_pulse);
            app->setProcessEnvironment(env);
        }
        app->start(m_dir.filePath("vigiltide"), args);
        return app;
    }

    // The program's windows as the window manager lists them: title -> id.
    QMap<QString, QString> windows(const QProcess* app)
    {
        const QRegularExpression line(
            QString("(?m)^(0x\\w+) +\\S+ +%1 +\\S+ (.*)$").arg(app->processId()));
        QMap<QString, QString> found;
        for (const auto& match : line.globalMatch(run("wmctrl", {"-lp"})))
            found.insert(match.captured(2), match.captured(1));
        return found;
    }

    // Waits for the open alarm's window (any title but the main window's); its id.
    QString alarmWindow(const QProcess* app, int timeoutMs = 15000)
    {
        QString id;
        (void)QTest::qWaitFor(
            [&] {
                const auto all = windows(app);
                for (auto w = all.begin(); w != all.end(); ++w)
                    if (w.key().startsWith("Vigiltide - "))
                        id = w.value();
                return !id.isEmpty();
            },
            timeoutMs);
        return id;
    }

    // A click at a point of a window, given as shares of its width and height.
    void click(const QString& id, double x, double y)
    {
        const auto size = QRegularExpression("Geometry: (\\d+)x(\\d+)")
                              .match(run("xdotool", {"getwindowgeometry", id}));
        run("xdotool",
            {"mousemove", "--window", id, QString::number(int(size.captured(1).toInt() * x)),
             QString::number(int(size.captured(2).toInt() * y)), "click", "1"});
    }

    void key(const QString& id, const QStringList& keys)
    {
        run("xdotool", QStringList{"windowactivate", "--sync", id, "key"} + keys);
    }

    // A call on the tray item, as the desktop's tray host makes it. Its menu is
    // at "/MenuBar", the path its Menu property names under Qt.
    QDBusMessage tray(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_desk.item, path, interface, method);
        call.setArguments(args);
        return m_conn.call(call);
    }
    void activateTray()
    {
        tray("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {0, 0});
    }

    // The tray menu's items by label: their id, and whether they can be chosen.
    QMap<QString, std::pair<int, bool>> trayItems()
    {
        const QDBusMessage reply =
            tray("/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, 1, QStringList()});
        const auto root = qdbus_cast<MenuItem>(reply.arguments().value(1));
        QMap<QString, std::pair<int, bool>> menu;
        for (const QDBusVariant& child : root.children) {
            const auto item = qdbus_cast<MenuItem>(child.variant());
            menu[item.properties["label"].toString()] = {
                item.id, item.properties.value("enabled", true).toBool()};
        }
        return menu;
    }
    void trayMenu(const QString& label)
    {
        tray("/MenuBar", "com.canonical.dbusmenu", "Event",
             {trayItems()[label].first, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    }

    // A settings file whose Time table has an entry "Check N" at each time.
    QString writeWatch(const QList<QTime>& times, int sound = 0)
    {
        QString text =
            QString("[Timer]\nMode=1\nSound=%1\n[Time]\nCount=%2\n").arg(sound).arg(times.size());
        for (int n = 1; n <= times.size(); ++n)
            text += QString("#%1 Enabled=True\n#%1 Time=%2\n#%1 Message Text=Check %1\n")
                        .arg(n)
                        .arg(times[n - 1].toString("hh:mm:ss"));
        const QString path = m_dir.filePath("watch.ini");
        writeFile(path, text.toUtf8());
        return path;
    }

    // The user's own Hooks.ini, owner-only, whose commands (HOOK) are a script
    // run by its #! line: the program itself runs no shell.
    void writeHooks(const QByteArray& hooks, const QByteArray& script)
    {
        const QString path = m_dir.filePath("hook.sh");
        writeFile(path, "#!/bin/sh\n" + script,
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(hooksFile(), QByteArray(hooks).replace("HOOK", QFile::encodeName(path)),
                  QFile::ReadOwner | QFile::WriteOwner);
    }
    QString hooksFile() const { return m_dir.filePath("config/Vigiltide/Hooks.ini"); }
    // In the program's state folder: the watch log, the kept runs.
    QString stateFile(const QString& name) const
    {
        return m_dir.filePath("state/Vigiltide/" + name);
    }

private slots:
    void initTestCase()
    {
        for (const QString tool : {"Xvfb", "openbox", "dbus-daemon", "xdotool", "wmctrl", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/deps.sh installs it)"));
        qDBusRegisterMetaType<MenuItem>();
        // A copy of the program, so that its default settings file is in our folder.
        QVERIFY(QFile::copy(VIGILTIDE_BINARY, m_dir.filePath("vigiltide")));
        // The programs started here touch no sound, speech daemon or logind of
        // ours; only the sound test gives them the sound server of ./test.
        for (const char* name : {"QT_QPA_PLATFORM", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP"})
            qunsetenv(name);
        m_pulse = qgetenv("PULSE_SERVER");
        const QByteArray dir = QFile::encodeName(m_dir.path());
        qputenv("HOME", dir);
        qputenv("XDG_CONFIG_HOME", dir + "/config"); // the default settings file is in there
        qputenv("XDG_STATE_HOME", dir + "/state");
        qputenv("XDG_RUNTIME_DIR", dir);
        qputenv("PULSE_SERVER", "unix:" + dir + "/none");
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + dir + "/none");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir + "/none");
        const QByteArray bus =
            startServer(m_bus, "dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        // -displayfd picks a free display, so tests run in parallel never race for one.
        qputenv("DISPLAY",
                ':' + startServer(m_xvfb, "Xvfb", {"-displayfd", "1", "-nolisten", "tcp"}));
        // A title bar taller than Qt's guess of one, as on a high-density
        // desktop: a window that trusts the guess runs off the screen. On a
        // busy machine the window manager now and then fails to start.
        const QString rc = m_dir.filePath("openbox.xml");
        writeFile(rc, "<openbox_config><theme><font place='ActiveWindow'><size>32</size></font>"
                      "</theme></openbox_config>\n");
        for (int attempt = 0; attempt < 3 && run("wmctrl", {"-m"}).isEmpty(); ++attempt)
            startServer(m_openbox, "openbox", {"--config-file", rc, "--startup", "echo"});
        QVERIFY2(!run("wmctrl", {"-m"}).isEmpty(), "Xvfb and openbox did not start");

        m_conn = QDBusConnection::connectToBus(QString(bus), "desktop");
        const auto all = QDBusConnection::ExportAllContents;
        QVERIFY(m_conn.registerObject("/StatusNotifierWatcher", &m_desk, all));
        QVERIFY(m_conn.registerObject("/org/freedesktop/Notifications",
                                      "org.freedesktop.Notifications", &m_desk, all));
        QVERIFY(m_conn.registerService("org.kde.StatusNotifierWatcher"));
        QVERIFY(m_conn.registerService("org.freedesktop.Notifications"));
    }

    void cleanup()
    {
        QFile::remove(hooksFile());
        qDeleteAll(findChildren<QProcess*>(Qt::FindDirectChildrenOnly));
        m_desk.item.clear();
        m_conn.registerService("org.kde.StatusNotifierWatcher");
    }

    void cleanupTestCase()
    {
        for (QProcess* server : {&m_openbox, &m_xvfb, &m_bus}) {
            server->terminate();
            server->waitForFinished(5000);
        }
    }

    // A watch started by --start with FILE, while the tray comes up only
    // after the program: the next alarm in the caption, the tray's icon once
    // it is there, the window back from the tray. Alarms answered with File,
    // Open... open (a click), minimized (it comes straight back), by the close
    // box, Enter and Stop, each withdrawing its notification, Enter only once
    // the alarm has been seen for two seconds; the tray menu's Stop only in a
    // run, and its Exit saving FILE.
    void watch()
    {
        m_conn.unregisterService("org.kde.StatusNotifierWatcher");
        const QTime first = QTime::currentTime().addSecs(2 * kLead);
        // Each falls due while the one before is open, and shows once it is answered.
        const QList<QTime> due{first, first.addSecs(1), first.addSecs(2), first.addSecs(3)};
        const QString file = writeWatch(due);
        QProcess* app = start({"--start", file});
        const QString timer = "Timer " + first.toString("hh:mm");
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList{timer}, 15000);
        QVERIFY(m_conn.registerService("org.kde.StatusNotifierWatcher"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_desk.item.isEmpty(), 5000);
        QTRY_VERIFY(trayItems()["Stop"].second); // in a run
        activateTray();
        QTRY_COMPARE(windows(app).keys(), QStringList{"Vigiltide"});
        key(windows(app)["Vigiltide"], {"alt+f", "o"});
        QTRY_COMPARE(windows(app).size(), 2); // File, Open...

        // A click, the close box once minimized (by the window manager: its
        // Alt+F4 can miss a new window), then keys: Continue, Stop.
        const QStringList answers{"click", "minimize, close", "Return", "Tab space"};
        for (int i = 0; i < answers.size(); ++i) {
            const QString title = "Vigiltide - " + due[i].toString("hh:mm:ss");
            QTRY_VERIFY_WITH_TIMEOUT(windows(app).contains(title), 15000);
            const QString text = QString("Check %1").arg(i + 1);
            QTRY_COMPARE(m_desk.notes.value(i), QStringList({VIGILTIDE_APP_ID, title, text, "2"}));
            const QString id = windows(app)[title];
            if (answers[i] == "click") {
                click(id, 0.3, 0.73); // where Continue stands in the designed window
            } else if (answers[i] == "minimize, close") {
                run("xdotool", {"windowminimize", id});
                QTRY_VERIFY(!run("xprop", {"-id", id, "_NET_WM_STATE"}).contains("HIDDEN"));
                run("wmctrl", {"-i", "-c", id});
            } else { // typed at once, the keys were meant for another window
                key(id, answers[i].split(' '));
                QTest::qWait(500);
                QVERIFY(windows(app).contains(title));
                QTest::qWait(vt::frmMessage::kKeyGuardMs);
                key(id, answers[i].split(' '));
            }
            QTRY_VERIFY(!windows(app).contains(title));
            QTRY_VERIFY_WITH_TIMEOUT(m_desk.closed.contains(i + 1), 500); // before the next
        }
        QTRY_VERIFY(!trayItems()["Stop"].second);
        trayMenu("Exit");
        QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
        QVERIFY(readFile(file).contains("[Interval]")); // written whole at close
    }

    // A Beep alarm held open is heard in every two seconds of it, and so is
    // the next alarm of the run; the tray's Stop takes that one away, sound
    // and notification with it. Meanwhile each alarm's escalation command
    // hangs, holding up nothing, and is ended after 30 s.
    void beepsAreHeardThroughout()
    {
        if (m_pulse.isEmpty() || QStandardPaths::findExecutable("parecord").isEmpty())
            QSKIP("no sound server: ./test starts one (Debian packages pulseaudio, "
                  "pulseaudio-utils and sox)");
        const QString hung = m_dir.filePath("hung.pid");
        QFile::remove(hung);
        writeHooks("[Escalation]\nAfter=5\nCommand=HOOK\n",
                   "echo $$ >>" + QFile::encodeName(hung) + "\nexec sleep 100\n");
        const QTime first = QTime::currentTime().addSecs(kLead);
        QProcess* app = start({"--start", writeWatch({first, first.addSecs(1)}, 1)}, true);
        Recording recording;
        QVERIFY(recording.start(m_pulse));
        QElapsedTimer heard;
        heard.start();

        const QString alarm = alarmWindow(app);
        QVERIFY(!alarm.isEmpty());
        const double shown = heard.elapsed() / 1000.0;
        QTest::qWait(15500);
        key(alarm, {"Return"});
        QTRY_VERIFY_WITH_TIMEOUT(
            windows(app).value("Vigiltide - " + first.addSecs(1).toString("hh:mm:ss")) != "", 5000);
        const double next = heard.elapsed() / 1000.0;
        QTest::qWait(8500);
        QTRY_VERIFY(!m_desk.item.isEmpty());
        trayMenu("Stop");
        QTRY_VERIFY(alarmWindow(app, 0).isEmpty());
        QTRY_VERIFY(m_desk.closed.contains(m_desk.notes.size()));
        const double stopped = heard.elapsed() / 1000.0;
        QTest::qWait(2500);
        recording.stop();

        const QList<double> first15 = recording.loudness(shown, 14);
        const QList<double> second = recording.loudness(next, 8);
        const QList<double> after = recording.loudness(stopped + 0.5, 2);
        qInfo() << "RMS every 2 s:" << first15 << "then" << second << "after Stop" << after;
        for (double rms : first15 + second)
            QVERIFY(rms > 0.03);
        QVERIFY(after.value(0, 1) < 0.001);

        const qint64 pid = readFile(hung).split('\n').value(0).toLongLong();
        QVERIFY(pid > 0);
        QVERIFY(::kill(pid_t(pid), 0) == 0); // still hanging when the alarms ended
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0, 15000);
        QTRY_VERIFY(readFile(stateFile("Watch.log")).contains("\tescalation-failed\t"));
    }

    // The watchkeeper's hooks reach someone else: a heartbeat at Start, one
    // escalation with its message for an alarm left open past After, nothing
    // for one answered in time, and the last heartbeat, sent before the
    // program ends, when the close box ends the run.
    void hooksReachSomeoneElse()
    {
        const QString out = m_dir.filePath("hooks.out");
        writeHooks("[Escalation]\nAfter=5\nCommand=HOOK\n[Heartbeat]\nMinutes=1\nCommand=HOOK\n",
                   // The last word takes a while: the program waits for it.
                   "[ $VIGILTIDE_EVENT = stop ] && sleep 1\n"
                   "echo \"$VIGILTIDE_EVENT|$VIGILTIDE_MESSAGE\" >>" +
                       QFile::encodeName(out) + "\n");
        const auto said = [&] { return QString(readFile(out)).split('\n', Qt::SkipEmptyParts); };
        const QTime first = QTime::currentTime().addSecs(kLead);
        const QString second = "Vigiltide - " + first.addSecs(9).toString("hh:mm:ss");
        QProcess* app =
            start({"--start", writeWatch({first, first.addSecs(9), first.addSecs(3600)})});
        QTRY_COMPARE_WITH_TIMEOUT(said(), QStringList{"heartbeat|"}, 15000);
        const QString alarm = alarmWindow(app);
        const QStringList escalated{"heartbeat|", "escalate|Check 1"};
        QTRY_COMPARE_WITH_TIMEOUT(said(), escalated, 8000);
        QTest::qWait(1500);
        key(alarm, {"Return"});
        QTRY_VERIFY_WITH_TIMEOUT(windows(app).contains(second), 10000);
        QTest::qWait(vt::frmMessage::kKeyGuardMs + 200);
        key(windows(app)[second], {"Return"});
        QTRY_VERIFY(!windows(app).contains(second));
        QTest::qWait(4000); // past its After
        QCOMPARE(said(), escalated);
        run("wmctrl", {"-i", "-c", windows(app).first()}); // the close box ends the run
        QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
        QCOMPARE(said(), escalated + QStringList{"stop|"});
    }

    // Ended by a shutdown (SIGTERM, saving as its close box does) or killed
    // mid-run, the program takes its run up at the next start: the alarm that
    // fell due while it was down shows, then the run goes on with the same
    // next alarm; after the watchkeeper's own close nothing resumes. The
    // watch log holds every step. A second start with the same file brings
    // the first forward, starting its run, and leaves. Ctrl+C ends it even
    // when its file cannot be saved: nobody is there to answer a refused close.
    void watchSurvivesAKill()
    {
        const QTime first = QTime::currentTime().addSecs(kLead);
        const QTime second = first.addSecs(3600);
        const QString file = writeWatch({first, second});
        QFile::remove(stateFile("Watch.log"));
        QProcess* app = start({"--start", file});
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(),
                                  QStringList{"Timer " + first.toString("hh:mm")}, 15000);
        const auto kill = [&](int signalNumber) {
            ::kill(pid_t(app->processId()), signalNumber);
            QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
            QCOMPARE(app->exitStatus(),
                     signalNumber == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit);
        };
        kill(SIGTERM);
        QVERIFY(readFile(file).contains("[Interval]"));           // saved
        QTest::qWait(QTime::currentTime().msecsTo(first) + 1500); // due while down
        app = start({file});
        const QString alarm = alarmWindow(app);
        QVERIFY(windows(app).contains("Vigiltide - " + first.toString("hh:mm:ss")));
        QTest::qWait(vt::frmMessage::kKeyGuardMs + 200);
        key(alarm, {"Return"});
        const QString next = "Timer " + second.toString("hh:mm");
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList{next}, 5000);
        kill(SIGKILL);
        app = start({file});
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList{next}, 15000);
        run("wmctrl", {"-i", "-c", windows(app)[next]}); // the close box: the watchkeeper's end
        QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
        app = start({file});
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList{"Vigiltide"}, 15000);
        QTest::qWait(2000); // a run taken up would be by now, after the first frame
        QCOMPARE(windows(app).keys(), QStringList{"Vigiltide"});
        QProcess* twice = start({"--start", file});
        QTRY_COMPARE_WITH_TIMEOUT(twice->state(), QProcess::NotRunning, 10000);
        QCOMPARE(std::pair(twice->exitStatus(), twice->exitCode()),
                 std::pair(QProcess::NormalExit, 0));
        QTRY_VERIFY(windows(app).firstKey().startsWith("Timer "));
        QVERIFY(QFile::remove(file) && QDir().mkdir(file)); // cannot be saved, even by root
        kill(SIGINT);
        QVERIFY(QDir().rmdir(file)); // left as it was
        // The watchkeeper's own end: no run is kept for the next start.
        QCOMPARE(QDir(stateFile("")).entryList({"Run-*"}), QStringList());
        QStringList events;
        for (const QString& line : QString(readFile(stateFile("Watch.log"))).split('\n'))
            if (!line.isEmpty())
                events << line.section('\t', 1, 1) + ' ' + line.section('\t', 3, 3);
        QVERIFY2(events == QStringList({"start ", "end ", "resumed ", "shown 1", "continue 1",
                                        "resumed ", "end ", "start ", "end "}),
                 qPrintable(events.join(", ")));
    }

    // Arranged for its settings before it is shown, the window's frame starts
    // on the screen: its title bar, and the buttons on it, can be reached.
    void mainWindowStartsOnScreen()
    {
        QByteArray settings = "[Interval]\nCount=1000\n"; // the tallest window
        for (int n = 1; n <= 1000; ++n)
            settings += QString("#%1 Enabled=True\n#%1 Interval=60\n").arg(n).toUtf8();
        const QString file = m_dir.filePath("start.ini");
        writeFile(file, settings);
        QProcess* app = start({file});
        QTRY_VERIFY_WITH_TIMEOUT(windows(app).contains("Vigiltide"), 15000);
        QString info;
        const auto at = [&info](const char* what) {
            return QRegularExpression(QString(what) + ":\\s*(-?\\d+)")
                .match(info)
                .captured(1)
                .toInt();
        };
        // Fitted to its frame once the frame is known, after the first frame.
        QTRY_VERIFY2((info = run("xwininfo", {"-id", windows(app)["Vigiltide"]}),
                      at("Absolute upper-left Y") + at("Height") <= 1024),
                     qPrintable(info));
        QVERIFY2(at("Absolute upper-left Y") > 0 && at("Absolute upper-left X") >= 0,
                 qPrintable(info));
    }
};

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
