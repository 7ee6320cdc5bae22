// SPDX-License-Identifier: MIT
// The real vigiltide program on a private X server with a window manager
// (openbox) and a private session bus, on which this test serves a fake tray
// host and a fake notification service: the caption as the window manager
// sees it, the tray's tool tip, the notification of each alarm, the command
// line and the end of the program by a signal. Also the choice of platform.
#include "platform/platformchoice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <optional>

namespace
{

// Stands in for the desktop's tray: it keeps the items that register.
class FakeTrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    bool hostRegistered() const { return true; }
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }
};

struct Notification {
    QString icon, summary, body;
    QVariantMap hints;
    bool closed = false;
};

// Stands in for the desktop's notification service; ids count from 1.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QList<Notification> posted;

public slots:
    uint Notify(const QString&, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int)
    {
        posted << Notification{icon, summary, body, hints};
        return posted.size();
    }
    void CloseNotification(uint id) { posted[int(id) - 1].closed = true; }
};

} // namespace

class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void platformChoice_data();
    void platformChoice();
    void watch();
    void answers_data();
    void answers();
    void commandLine_data();
    void commandLine();
    void termination_data();
    void termination();

private:
    bool startDisplay();
    QString startServer(QProcess& process, const QString& program, const QStringList& args);
    QString run(const QString& tool, const QStringList& args, int* exitCode = nullptr);
    QProcess* launch(const QStringList& args);
    QString window(const QProcess* app, const QString& title);
    QStringList names(const QString& window);
    QString toolTip();
    QString writeWatch(int firstInSeconds, QTime* first, QTime* next);

    QTemporaryDir m_dir;
    QString m_missing;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QProcess m_xvfb, m_bus, m_openbox;
    std::optional<QDBusConnection> m_conn;
    FakeTrayWatcher m_tray;
    FakeNotifications m_notifications;
};

// Starts a server and gives the first line it writes once it is ready: the
// display or bus address (empty when it ended instead).
QString tst_Desktop::startServer(QProcess& process, const QString& program, const QStringList& args)
{
    process.setProcessEnvironment(m_env);
    process.start(program, args);
    if (!QTest::qWaitFor([&] { return process.canReadLine() || !process.waitForStarted(); }, 30000))
        return {};
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

// An X server with a window manager; -displayfd picks a free display, so tests
// run in parallel never race for one.
bool tst_Desktop::startDisplay()
{
    for (QProcess* server : {&m_openbox, &m_xvfb}) {
        server->terminate();
        server->waitForFinished();
    }
    const QString display = startServer(
        m_xvfb, "Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    m_env.insert("DISPLAY", ':' + display);
    m_openbox.setProcessEnvironment(m_env);
    m_openbox.start("openbox", {});
    int managed = -1;
    const auto up = [&] {
        run("wmctrl", {"-m"}, &managed);
        return managed == 0 || m_openbox.state() == QProcess::NotRunning;
    };
    return !display.isEmpty() && QTest::qWaitFor(up, 15000) && managed == 0;
}

void tst_Desktop::initTestCase()
{
    QStringList missing;
    for (const QString tool : {"Xvfb", "openbox", "dbus-daemon", "xprop", "xdotool", "wmctrl"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    if (!missing.isEmpty()) {
        m_missing = "not installed: " + missing.join(", ") + " (scripts/deps.sh installs them)";
        return;
    }
    // A copy of the program, so that its default settings file is in our folder.
    QVERIFY(QFile::copy(VIGILTIDE_BINARY, m_dir.filePath("vigiltide")));
    QVERIFY(QDir(m_dir.path()).mkdir("run"));
    QFile::setPermissions(m_dir.filePath("run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const QString name : {"XDG_SESSION_TYPE", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                               "SESSION_MANAGER", "QT_QPA_PLATFORM"})
        m_env.remove(name);
    m_env.insert("HOME", m_dir.path());
    m_env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
    m_env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
    // Neither this machine's sound, speech daemon nor logind is touched.
    m_env.insert("PULSE_SERVER", "unix:" + m_dir.filePath("none"));
    m_env.insert("SPEECHD_ADDRESS", "unix_socket:" + m_dir.filePath("none"));
    m_env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_dir.filePath("none"));

    const QString bus =
        startServer(m_bus, "dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY(!bus.isEmpty());
    m_env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
    // On a busy machine the window manager now and then fails to start.
    bool shown = false;
    for (int attempt = 0; attempt < 3 && !shown; ++attempt)
        shown = startDisplay();
    QVERIFY2(shown, "Xvfb and openbox did not start");

    m_conn = QDBusConnection::connectToBus(bus, "desktop");
    QVERIFY(m_conn->registerObject("/StatusNotifierWatcher", &m_tray,
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllProperties));
    QVERIFY(m_conn->registerService("org.kde.StatusNotifierWatcher"));
    QVERIFY(m_conn->registerObject("/org/freedesktop/Notifications", &m_notifications,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(m_conn->registerService("org.freedesktop.Notifications"));
}

void tst_Desktop::init()
{
    if (!m_missing.isEmpty() && QByteArray(QTest::currentTestFunction()) != "platformChoice")
        QSKIP(qPrintable(m_missing));
}

void tst_Desktop::cleanupTestCase()
{
    for (QProcess* server : {&m_openbox, &m_bus, &m_xvfb}) {
        server->terminate();
        if (!server->waitForFinished(5000))
            server->kill();
    }
}

QString tst_Desktop::run(const QString& tool, const QStringList& args, int* exitCode)
{
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.start(tool, args);
    process.waitForFinished(10000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QProcess* tst_Desktop::launch(const QStringList& args)
{
    auto* app = new QProcess(this);
    app->setProcessEnvironment(m_env);
    app->setWorkingDirectory(m_dir.path());
    app->start(m_dir.filePath("vigiltide"), args);
    return app;
}

// The program's window that the window manager lists with this title; empty
// while there is none.
QString tst_Desktop::window(const QProcess* app, const QString& title)
{
    const QRegularExpression line(QStringLiteral("^(0x[0-9a-f]+) +\\S+ +%1 +\\S+ %2$")
                                      .arg(app->processId())
                                      .arg(QRegularExpression::escape(title)),
                                  QRegularExpression::MultilineOption);
    return line.match(run("wmctrl", {"-lp"})).captured(1);
}

// The window's _NET_WM_NAME and WM_NAME, which the window manager shows.
QStringList tst_Desktop::names(const QString& window)
{
    static const QRegularExpression value("= \"(.*)\"$", QRegularExpression::MultilineOption);
    QStringList found;
    for (const auto& match :
         value.globalMatch(run("xprop", {"-id", window, "_NET_WM_NAME", "WM_NAME"})))
        found << match.captured(1);
    return found;
}

// The title of the tool tip of the tray item that registered last.
QString tst_Desktop::toolTip()
{
    if (m_tray.items.isEmpty())
        return {};
    QDBusMessage get = QDBusMessage::createMethodCall(
        m_tray.items.constLast(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
    get << "org.kde.StatusNotifierItem"
        << "ToolTip";
    const QDBusMessage reply = m_conn->call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    // (icon name, icon pixmaps a(iiay), title, text)
    const auto tip =
        reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
    QString iconName, title;
    tip.beginStructure();
    tip >> iconName;
    tip.beginArray();
    while (!tip.atEnd()) {
        int width, height;
        QByteArray pixels;
        tip.beginStructure();
        tip >> width >> height >> pixels;
        tip.endStructure();
    }
    tip.endArray();
    tip >> title;
    return title;
}

// A settings file whose Time table has two entries: the first due in a few
// seconds, the next an hour later.
QString tst_Desktop::writeWatch(int firstInSeconds, QTime* first, QTime* next)
{
    *first = QTime::currentTime().addSecs(firstInSeconds);
    *next = first->addSecs(3600);
    QFile file(m_dir.filePath("watch.ini"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(QStringLiteral("[Timer]\nMode=1\nSound=0\n[Time]\nCount=2\n"
                              "#1 Enabled=True\n#1 Time=%1\n#1 Message Text=Check the radar\n"
                              "#2 Enabled=True\n#2 Time=%2\n#2 Message Text=Check the log\n")
                   .arg(first->toString("hh:mm:ss"), next->toString("hh:mm:ss"))
                   .toUtf8());
    return file.fileName();
}

void tst_Desktop::platformChoice_data()
{
    QTest::addColumn<QByteArray>("session");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("chosen");
    for (const QByteArray session : {"wayland", "x11", ""})
        for (const QByteArray display : {":0", ""})
            for (const QByteArray chosen : {"", "wayland", "xcb"})
                QTest::addRow("%s|%s|%s", session.data(), display.data(), chosen.data())
                    << session << display << chosen;
}

// XWayland only on a Wayland session with X11 at hand and no platform chosen.
void tst_Desktop::platformChoice()
{
    QFETCH(QByteArray, session);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, chosen);
    const bool xwayland = session == "wayland" && !display.isEmpty() && chosen.isEmpty();
    QCOMPARE(vt::choosePlatform(session, display, chosen), xwayland ? "xcb" : "");
}

// A watch as a watchkeeper keeps it: Start by its key, the next alarm in the
// minimized window's caption and in the tray, the alarm and its notification,
// Enter for Continue, the window back from the tray, the close box, and the
// command line's FILE saved.
void tst_Desktop::watch()
{
    QTime first, next;
    const QString file = writeWatch(10, &first, &next);
    QProcess* app = launch({file});
    QString main, alarm;
    QTRY_VERIFY_WITH_TIMEOUT(!(main = window(app, "Vigiltide")).isEmpty(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(toolTip(), "Vigiltide", 10000);

    run("xdotool", {"windowactivate", "--sync", main, "key", "space"}); // Start has the focus
    const QString timer = "Timer " + first.toString("hh:mm");
    QTRY_COMPARE(names(main), QStringList({timer, timer}));
    QCOMPARE(toolTip(), timer);

    const QString caption = "Vigiltide - " + first.toString("hh:mm:ss");
    QTRY_VERIFY_WITH_TIMEOUT(!(alarm = window(app, caption)).isEmpty(), 15000);
    QTRY_COMPARE(toolTip(), caption);
    QTRY_COMPARE(m_notifications.posted.size(), 1);
    const Notification posted = m_notifications.posted.constFirst();
    QCOMPARE(posted.summary, caption);
    QCOMPARE(posted.body, "Check the radar");
    QCOMPARE(posted.icon, VIGILTIDE_APP_ID);
    QCOMPARE(posted.hints.value("urgency").toInt(), 2); // critical

    run("xdotool", {"windowactivate", "--sync", alarm, "key", "Return"});
    QTRY_VERIFY(m_notifications.posted.constFirst().closed);
    const QString nextTimer = "Timer " + next.toString("hh:mm");
    QTRY_COMPARE(names(main), QStringList({nextTimer, nextTimer}));
    QCOMPARE(toolTip(), nextTimer);

    // A click on the tray icon brings the window back, titled "Vigiltide".
    m_conn->call(QDBusMessage::createMethodCall(m_tray.items.constLast(), "/StatusNotifierItem",
                                                "org.kde.StatusNotifierItem", "Activate")
                 << 0 << 0);
    QTRY_COMPARE(names(main), QStringList({"Vigiltide", "Vigiltide"}));

    run("wmctrl", {"-i", "-c", main});
    QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("[Interval]")); // written whole at close
}

void tst_Desktop::answers_data()
{
    // %1 is the alarm window, %2 the program.
    QTest::addColumn<QStringList>("answer");
    QTest::addColumn<QString>("toolTip"); // afterwards: "next" is the next alarm's caption
    QTest::newRow("Stop") << QStringList{"xdotool", "windowactivate", "--sync", "%1", "key",
                                         "Tab",     "space"}
                          << "Vigiltide";
    QTest::newRow("close box") << QStringList{"wmctrl", "-i", "-c", "%1"} << "next";
    // Ended by the system, the program closes the alarm as its close box does.
    QTest::newRow("SIGTERM") << QStringList{"kill", "-TERM", "%2"} << "";
}

// Every answer withdraws the alarm's notification, and the tray tells what
// comes next. --start presses Start.
void tst_Desktop::answers()
{
    QFETCH(QStringList, answer);
    QFETCH(QString, toolTip);
    QTime first, next;
    QProcess* app = launch({"--start", writeWatch(8, &first, &next)});
    const QString caption = "Vigiltide - " + first.toString("hh:mm:ss");
    QString alarm;
    QTRY_VERIFY_WITH_TIMEOUT(!(alarm = window(app, caption)).isEmpty(), 20000);
    QTRY_VERIFY(!m_notifications.posted.isEmpty() &&
                m_notifications.posted.constLast().summary == caption);

    answer.replaceInStrings("%1", alarm).replaceInStrings("%2", QString::number(app->processId()));
    run(answer.first(), answer.mid(1));
    QTRY_VERIFY(m_notifications.posted.constLast().closed);
    if (!toolTip.isEmpty())
        QTRY_COMPARE(this->toolTip(),
                     toolTip == "next" ? "Timer " + next.toString("hh:mm") : toolTip);
    app->terminate();
    QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
}

void tst_Desktop::commandLine_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("output");
    QTest::newRow("help") << "--help"
                          << "--start";
    QTest::newRow("version") << "--version"
                             << "Vigiltide " VIGILTIDE_VERSION "\n";
}

// Answered in a terminal, without a display.
void tst_Desktop::commandLine()
{
    QFETCH(QString, option);
    QProcess process;
    QProcessEnvironment env = m_env;
    env.remove("DISPLAY");
    process.setProcessEnvironment(env);
    process.start(m_dir.filePath("vigiltide"), {option});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    QFETCH(QString, output);
    QVERIFY(process.readAllStandardOutput().contains(output.toUtf8()));
}

void tst_Desktop::termination_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("file");      // the command line's FILE, in our folder
    QTest::addColumn<QByteArray>("said");   // on standard error
    QTest::addColumn<bool>("defaultSaved"); // the default settings file was written
    QTest::newRow("SIGTERM, first start") << int(SIGTERM) << "" << QByteArray() << true;
    QTest::newRow("SIGHUP, unreadable FILE")
        << int(SIGHUP) << "bad.ini" << QByteArray("Open Error, ") << true;
    // Nobody is there to answer a refused close.
    QTest::newRow("SIGINT, FILE that cannot be saved")
        << int(SIGINT) << "bad.ini/watch.ini" << QByteArray() << false;
}

// Ended by the system, the program saves and closes as its close box does.
void tst_Desktop::termination()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, file);
    QFile::remove(m_dir.filePath("Vigiltide.Ini"));
    const QByteArray bad("[Timer]\0", 8); // not text: it cannot be read as settings
    QFile badFile(m_dir.filePath("bad.ini"));
    QVERIFY(badFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    badFile.write(bad);
    badFile.close();

    QProcess* app = launch(file.isEmpty() ? QStringList() : QStringList{m_dir.filePath(file)});
    QTRY_VERIFY_WITH_TIMEOUT(!window(app, "Vigiltide").isEmpty(), 15000);
    ::kill(pid_t(app->processId()), signalNumber);
    QTRY_COMPARE_WITH_TIMEOUT(app->state(), QProcess::NotRunning, 10000);
    QCOMPARE(app->exitStatus(), QProcess::NormalExit);
    QTEST(QFile::exists(m_dir.filePath("Vigiltide.Ini")), "defaultSaved");
    QFETCH(QByteArray, said);
    QVERIFY(app->readAllStandardError().contains(said));
    QVERIFY(badFile.open(QIODevice::ReadOnly));
    QCOMPARE(badFile.readAll(), bad);
}

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
