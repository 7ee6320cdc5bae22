// SPDX-License-Identifier: MIT
// The real vigiltide program on a private X server with a window manager
// (openbox) and a private session bus, on which this test serves a fake tray
// host and a fake notification service. Also the choice of platform.
#include "support.h"

#include "platform/platformchoice.h"

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

} // namespace

class tst_Desktop : public QObject
{
    Q_OBJECT

    // Seconds to a watch's first alarm, and between alarms (more than an answer takes).
    static constexpr int kLead = 3, kGap = 2;
    QTemporaryDir m_dir; // owner-only, so also the program's runtime folder
    QProcess m_bus, m_xvfb, m_openbox;
    QDBusConnection m_conn{QString()};
    FakeDesktop m_desk;

    QString run(const QString& tool, const QStringList& args)
    {
        QProcess process;
        process.start(tool, args);
        process.waitForFinished(10000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
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

    // An object of the tray item, as the desktop's tray host reaches it. Its menu
    // is at "/MenuBar", the path its Menu property names under Qt.
    QDBusInterface tray(const QString& path, const QString& interface)
    {
        return {m_desk.item, path, interface, m_conn};
    }

    // The title of the tray item's tool tip: (icon name, icon pixmaps, title, text).
    QString toolTip()
    {
        const QDBusMessage reply = tray("/StatusNotifierItem", "org.freedesktop.DBus.Properties")
                                       .call("Get", "org.kde.StatusNotifierItem", "ToolTip");
        const auto tip =
            reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        tip.beginStructure();
        tip.asVariant(), tip.asVariant(); // past the icon name and pixmaps
        return tip.asVariant().toString();
    }

    // The tray menu's items by label: their id, and whether they can be chosen.
    QMap<QString, std::pair<int, bool>> trayItems()
    {
        const QDBusMessage reply =
            tray("/MenuBar", "com.canonical.dbusmenu").call("GetLayout", 0, 1, QStringList());
        const auto layout = reply.arguments().value(1).value<QDBusArgument>();
        int id = 0;
        QVariantMap properties;
        QList<QDBusVariant> items;
        layout.beginStructure();
        layout >> id >> properties >> items;
        QMap<QString, std::pair<int, bool>> menu;
        for (const QDBusVariant& item : items) {
            const auto entry = item.variant().value<QDBusArgument>();
            entry.beginStructure();
            entry >> id >> properties;
            menu[properties["label"].toString()] = {id, properties.value("enabled", true).toBool()};
        }
        return menu;
    }

    // A settings file whose Time table has an entry "Check N" at each time.
    QString writeWatch(const QList<QTime>& times)
    {
        QString text = QString("[Timer]\nMode=1\nSound=0\n[Time]\nCount=%1\n").arg(times.size());
        for (int n = 1; n <= times.size(); ++n)
            text += QString("#%1 Enabled=True\n#%1 Time=%2\n#%1 Message Text=Check %1\n")
                        .arg(n)
                        .arg(times[n - 1].toString("hh:mm:ss"));
        const QString path = m_dir.filePath("watch.ini");
        writeFile(path, text.toUtf8());
        return path;
    }

private slots:
    void initTestCase()
    {
        for (const QString tool : {"Xvfb", "openbox", "dbus-daemon", "xdotool", "wmctrl"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + " is not installed (scripts/deps.sh installs it)"));
        // A copy of the program, so that its default settings file is in our folder.
        QVERIFY(QFile::copy(VIGILTIDE_BINARY, m_dir.filePath("vigiltide")));
        QVERIFY(QDir(m_dir.path()).mkdir("folder.ini")); // cannot be read as settings
        // The programs started here touch no sound, speech daemon or logind of ours.
        for (const char* name : {"QT_QPA_PLATFORM", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP"})
            qunsetenv(name);
        const QByteArray dir = QFile::encodeName(m_dir.path());
        qputenv("HOME", dir);
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
        // On a busy machine the window manager now and then fails to start.
        for (int attempt = 0; attempt < 3 && run("wmctrl", {"-m"}).isEmpty(); ++attempt)
            startServer(m_openbox, "openbox", {"--startup", "echo"});
        QVERIFY2(!run("wmctrl", {"-m"}).isEmpty(), "Xvfb and openbox did not start");

        m_conn = QDBusConnection::connectToBus(QString(bus), "desktop");
        const auto all = QDBusConnection::ExportAllContents;
        QVERIFY(m_conn.registerObject("/StatusNotifierWatcher", &m_desk, all));
        QVERIFY(m_conn.registerObject("/org/freedesktop/Notifications",
                                      "org.freedesktop.Notifications", &m_desk, all));
        QVERIFY(m_conn.registerService("org.kde.StatusNotifierWatcher"));
        QVERIFY(m_conn.registerService("org.freedesktop.Notifications"));
    }

    void cleanup() { qDeleteAll(findChildren<QProcess*>(Qt::FindDirectChildrenOnly)); }

    void cleanupTestCase()
    {
        for (QProcess* server : {&m_openbox, &m_xvfb, &m_bus}) {
            server->terminate();
            server->waitForFinished(5000);
        }
    }

    // XWayland only on a Wayland session with X11 at hand and no platform chosen.
    void platformChoice_data()
    {
        QTest::addColumn<QByteArrayList>("env"); // session type, display, chosen; the choice
        QTest::newRow("Wayland with X11") << QByteArrayList{"wayland", ":0", "", "xcb"};
        QTest::newRow("Wayland, no X11") << QByteArrayList{"wayland", "", "", ""};
        QTest::newRow("Wayland, chosen") << QByteArrayList{"wayland", ":0", "wayland", ""};
        QTest::newRow("X11") << QByteArrayList{"x11", ":0", "", ""};
        QTest::newRow("unknown session") << QByteArrayList{"", ":0", "", ""};
    }
    void platformChoice()
    {
        QFETCH(QByteArrayList, env);
        QCOMPARE(vt::choosePlatform(env[0], env[1], env[2]), env[3]);
    }

    // A watch started by --start with FILE: the next alarm in the caption and
    // the tray, the window back from the tray, alarms answered by the close box,
    // Enter and Stop, each withdrawing its notification, the tray menu's Stop
    // only in a run, and its Exit saving FILE.
    void watch()
    {
        const QTime first = QTime::currentTime().addSecs(kLead);
        const QList<QTime> due{first, first.addSecs(kGap), first.addSecs(2 * kGap)};
        auto* app = new QProcess(this);
        const QString file = writeWatch(due);
        app->start(m_dir.filePath("vigiltide"), {"--start", file});
        const QString timer = "Timer " + first.toString("hh:mm");
        QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList{timer}, 15000);
        QTRY_COMPARE(toolTip(), timer);
        QTRY_VERIFY(trayItems()["Stop"].second); // in a run
        tray("/StatusNotifierItem", "org.kde.StatusNotifierItem").call("Activate", 0, 0);
        QTRY_COMPARE(windows(app).keys(), QStringList{"Vigiltide"});

        // The close box (by the window manager: its Alt+F4 can miss a new window), Continue, Stop.
        const QList<QStringList> answers{{}, {"Return"}, {"Tab", "space"}};
        for (int i = 0; i < answers.size(); ++i) {
            const QString title = "Vigiltide - " + due[i].toString("hh:mm:ss");
            QTRY_COMPARE_WITH_TIMEOUT(windows(app).keys(), QStringList({"Vigiltide", title}),
                                      15000);
            QTRY_COMPARE(toolTip(), title);
            const QString text = QString("Check %1").arg(i + 1);
            QTRY_COMPARE(m_desk.notes.value(i), QStringList({VIGILTIDE_APP_ID, title, text, "2"}));
            const QString id = windows(app)[title];
            if (answers[i].isEmpty())
                run("wmctrl", {"-i", "-c", id});
            else
                run("xdotool", QStringList{"windowactivate", "--sync", id, "key"} + answers[i]);
            const QString next = i + 1 < due.size() ? "Timer " + due[i + 1].toString("hh:mm") : "";
            QTRY_COMPARE(toolTip(), next.isEmpty() ? "Vigiltide" : next);
            QTRY_VERIFY_WITH_TIMEOUT(m_desk.closed.contains(i + 1), 500); // before the next
        }
        QTRY_VERIFY(!trayItems()["Stop"].second);
        tray("/MenuBar", "com.canonical.dbusmenu")
            .call("Event", trayItems()["Exit"].first, "clicked",
                  QVariant::fromValue(QDBusVariant(0)), 0u);
        QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
        QVERIFY(readFile(file).contains("[Interval]")); // written whole at close
    }

    void termination_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QStringList>("files"); // FILE, the file saved, what stderr says
        // The open alarm is closed as by its close box.
        QTest::newRow("SIGTERM, alarm open")
            << int(SIGTERM) << QStringList{"watch.ini", "watch.ini", ""};
        QTest::newRow("SIGHUP, unreadable FILE")
            << int(SIGHUP) << QStringList{"folder.ini", "Vigiltide.Ini", "Open Error, "};
        // Nobody is there to answer a refused close.
        QTest::newRow("SIGINT, FILE that cannot be saved")
            << int(SIGINT) << QStringList{"watch.ini/watch.ini", "", ""};
    }

    // Ended by the system in a run, the program saves and closes as by its close box.
    void termination()
    {
        QFETCH(QStringList, files);
        QFile::remove(m_dir.filePath("Vigiltide.Ini"));
        writeWatch({QTime::currentTime().addSecs(kLead)});
        const bool alarm = files[0] == "watch.ini";
        const qsizetype notes = m_desk.notes.size() + alarm;
        auto* app = new QProcess(this);
        app->start(m_dir.filePath("vigiltide"), {"--start", m_dir.filePath(files[0])});
        QTRY_COMPARE_WITH_TIMEOUT(m_desk.notes.size(), notes, 15000); // the alarm's, if any,
        // then its window, and the main window minimized with the next alarm in its caption
        QTRY_VERIFY_WITH_TIMEOUT(windows(app).size() == (alarm ? 2 : 1) &&
                                     windows(app).firstKey().startsWith("Timer "),
                                 15000);
        QFETCH(int, signalNumber);
        ::kill(pid_t(app->processId()), signalNumber);
        QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
        QCOMPARE(app->exitStatus(), QProcess::NormalExit);
        QVERIFY(QString(app->readAllStandardError()).contains(files[2]));
        for (const QString name : {"watch.ini", "Vigiltide.Ini"}) // what was saved
            QCOMPARE(readFile(m_dir.filePath(name)).contains("[Interval]"), name == files[1]);
        QTRY_VERIFY(!alarm || m_desk.closed.contains(notes));
    }
};

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
