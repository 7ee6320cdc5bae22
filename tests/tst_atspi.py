#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Vigiltide as a screen reader sees it, through the real AT-SPI tree.

Starts a private session bus, a private X server (Xvfb), the accessibility bus
and a copy of the vigiltide binary in a throw-away home, then reads the
program's windows as an assistive technology would: names and descriptions of
the controls, the cells of the alarm tables, the status panels, the alarm
message window when an alarm comes due, and the About box. Everything it
starts is stopped again, whatever happens; no step waits without a limit.

Usage: tst_atspi.py PATH-TO-VIGILTIDE
       tst_atspi.py --run COMMAND [ARGUMENT...]
The second form runs a command (a Qt test that watches accessibility events)
on the same private desktop instead, and exits with its status.
Exit 0 when all checks pass, 1 when one fails, 77 (skipped) when a tool it
needs is not installed.
"""

import ctypes
import datetime
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import warnings

SKIP = 77
# The whole run, start-up included, ends by then even if the program hangs.
OVERALL_SECONDS = 180

INTERACTIVE_ROLES = {
    "push button", "toggle button", "check box", "radio button", "combo box",
    "slider", "spin button", "table", "text", "password text",
}

# The message every due alarm of the test's schedule shows.
ALARM_MESSAGE = "Time's Up, Check Log"


class Failure(Exception):
    pass


class Timeout(Exception):
    pass


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIP)


def find_tool(name, extra_dirs=()):
    found = shutil.which(name)
    if found:
        return found
    for folder in extra_dirs:
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK):
            return path
    return None


def require_tools(bindings=True):
    tools = {}
    missing = []
    for name, dirs, package in (
        ("Xvfb", (), "xvfb"),
        ("dbus-daemon", (), "dbus-daemon"),
        ("at-spi-bus-launcher", ("/usr/libexec", "/usr/lib/at-spi2-core"), "at-spi2-core"),
    ):
        tools[name] = find_tool(name, dirs)
        if not tools[name]:
            missing.append(f"{name} (Debian package {package})")
    try:
        if bindings:
            import gi

            gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError) as error:
        missing.append(f"the Atspi bindings for {sys.executable} "
                       f"(Debian packages python3-gi, gir1.2-atspi-2.0): {error}")
    if missing:
        skip("missing " + "; ".join(missing))
    return tools


def adopt_orphans():
    # Daemons that the started processes start in turn (the accessibility
    # registry, the speech daemon) are handed to this process when their
    # parent ends, so that it can reap them rather than leave zombies.
    try:
        PR_SET_CHILD_SUBREAPER = 36
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1)
    except OSError:
        pass


def die_with_parent():
    # A child started here must not outlive this script if it is killed
    # outright (as a test timeout does), so each gets its own process group
    # and is killed with SIGKILL when this process dies.
    os.setsid()
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        PR_SET_PDEATHSIG = 1
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    except OSError:
        pass


class Session:
    """The private desktop: session bus, X server, accessibility bus, program."""

    def __init__(self, tools):
        self.tools = tools
        self.folder = tempfile.mkdtemp(prefix="vigiltide-atspi-")
        self.processes = []
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": os.path.join(self.folder, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.folder, "home", ".config"),
            "XDG_DATA_HOME": os.path.join(self.folder, "home", ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.folder, "home", ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.folder, "run"),
            "LANG": "C.UTF-8",
            "TZ": "UTC",
            # The sanitizer build's settings, when this runs under it.
            **{k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")},
            # A sound server the test run provides, if any.
            **{k: v for k, v in os.environ.items() if k.startswith("PULSE_")},
        }
        for key in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"):
            os.makedirs(self.env[key], mode=0o700, exist_ok=True)

    def __enter__(self):
        self.start_guard()
        return self

    def start_guard(self):
        # A watchdog that cleans up should this script be killed outright
        # (as a test timeout does), when no cleanup of its own can run: it
        # waits for the end of a pipe that only this process holds open.
        reader, writer = os.pipe()
        if os.fork() == 0:
            try:
                os.close(writer)
                os.setsid()
                while os.read(reader, 64):
                    pass
                self.stop_strays()
                shutil.rmtree(self.folder, ignore_errors=True)
            finally:
                os._exit(0)
        os.close(reader)
        self.guard = writer

    def __exit__(self, *exc):
        self.stop()
        return False

    def spawn(self, argv, **kwargs):
        log = open(os.path.join(self.folder, os.path.basename(argv[0]) + ".log"), "wb")
        kwargs.setdefault("stdout", log)
        kwargs.setdefault("stderr", log)
        process = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                                   preexec_fn=die_with_parent, **kwargs)
        self.processes.append(process)
        return process

    def read_line(self, stream, seconds, what):
        deadline = time.monotonic() + seconds
        data = b""
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([stream], [], [], left)[0]:
                raise Failure(f"{what} did not start within {seconds} s")
            chunk = os.read(stream.fileno(), 256)
            if not chunk:
                raise Failure(f"{what} exited at start")
            data += chunk
        return data.decode().strip()

    def start_bus(self):
        bus = self.spawn([self.tools["dbus-daemon"], "--session", "--nofork", "--print-address=1",
                          "--address=unix:dir=" + self.env["XDG_RUNTIME_DIR"]],
                         stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.read_line(bus.stdout, 20, "dbus-daemon")

    def start_display(self):
        reader, writer = os.pipe()
        self.spawn([self.tools["Xvfb"], "-displayfd", str(writer), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp"], pass_fds=(writer,))
        os.close(writer)
        with os.fdopen(reader, "rb") as stream:
            number = self.read_line(stream, 30, "Xvfb")
        self.env["DISPLAY"] = ":" + number

    def start_accessibility_bus(self):
        self.spawn([self.tools["at-spi-bus-launcher"], "--launch-immediately"])

    def start_program(self, binary, settings):
        # A copy in a folder of its own: the program reads and writes its
        # settings file beside itself.
        folder = os.path.join(self.folder, "program")
        os.makedirs(folder)
        copy = os.path.join(folder, "vigiltide")
        shutil.copy2(binary, copy)
        with open(os.path.join(folder, "Vigiltide.Ini"), "w", encoding="utf-8") as file:
            file.write(settings)
        self.env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
        })
        return self.spawn([copy], cwd=folder)

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        deadline = time.monotonic() + 5
        for process in reversed(self.processes):
            try:
                process.wait(max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(5)
        self.stop_strays()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                time.sleep(0.05)
        shutil.rmtree(self.folder, ignore_errors=True)

    def stop_strays(self):
        # Daemons started on behalf of the program (the accessibility
        # registry, the speech daemon) leave its process group; they are known
        # by the private home in their environment, which only this run's
        # processes have.
        marker = ("HOME=" + self.env["HOME"]).encode() + b"\0"
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as file:
                    if marker in file.read() + b"\0":
                        os.kill(int(entry), signal.SIGKILL)
            except OSError:
                pass


def settings_text(now):
    """The settings the program starts with: an interval table with one entry
    switched off, and a time table whose entries come due one after another
    from a little after start-up, so that one alarm is sure to come due while
    the test watches."""
    lines = [
        "[Interval]", "Count=3",
        "#1 Enabled=True", "#1 Interval=60", "#1 Message Text=Time's Up, Check Log",
        "#2 Enabled=True", "#2 Interval=15", "#2 Message Text=Time's Up, Check Horizon",
        "#3 Enabled=False", "#3 Interval=30", "#3 Message Text=Check the Radar",
        "Round=1",
        "[Timer]", "Mode=1", "Sound=2",
        "[Time]",
    ]
    offsets = (20, 30, 40, 55, 70, 90, 120)
    lines.append(f"Count={len(offsets)}")
    for n, offset in enumerate(offsets, 1):
        due = (now + datetime.timedelta(seconds=offset)).strftime("%H:%M:%S")
        lines += [f"#{n} Enabled=True", f"#{n} Time={due}", f"#{n} Message Text={ALARM_MESSAGE}"]
    return "\r\n".join(lines) + "\r\n"


class Reader:
    """Reads the program's accessible objects and keeps the check results."""

    def __init__(self, Atspi, GLib):
        self.Atspi = Atspi
        self.GLib = GLib
        self.failures = []
        self.events = []
        Atspi.set_timeout(5000, 15000)
        self.listener = Atspi.EventListener.new(self.on_event)
        for kind in ("window:activate", "object:state-changed:showing",
                     "object:state-changed:focused", "object:property-change:accessible-name",
                     "object:property-change:accessible-description"):
            self.listener.register(kind)

    def on_event(self, event):
        try:
            role = event.source.get_role_name() if event.source else ""
            name = event.source.get_name() if event.source else ""
        except Exception:  # the source may be gone already
            role = name = ""
        self.events.append((event.type, role, name, event.detail1, str(event.any_data)))

    def pump(self, seconds):
        context = self.GLib.MainContext.default()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while context.pending():
                context.iteration(False)
            time.sleep(0.02)

    def wait_for(self, what, seconds, probe):
        end = time.monotonic() + seconds
        while True:
            try:
                found = probe()
            except Exception:  # the tree may be half built
                found = None
            if found:
                return found
            if time.monotonic() > end:
                raise Failure(f"{what}: not there after {seconds} s")
            self.pump(0.25)

    def check(self, ok, message):
        print(("ok   " if ok else "FAIL ") + message)
        if not ok:
            self.failures.append(message)

    # ---- reading

    def children(self, node):
        node.clear_cache()
        return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]

    def walk(self, node, depth=0, limit=400):
        # The lists inside combo boxes hold every voice; they are not walked.
        yield node, depth
        if node.get_role_name() == "list" or depth > 30:
            return
        for i, child in enumerate(self.children(node)):
            if i >= limit:
                break
            yield from self.walk(child, depth + 1)

    def showing(self, node):
        return node.get_state_set().contains(self.Atspi.StateType.SHOWING)

    def labels_of(self, node):
        names = []
        for relation in node.get_relation_set():
            if relation.get_relation_type() == self.Atspi.RelationType.LABELLED_BY:
                for i in range(relation.get_n_targets()):
                    names.append(relation.get_target(i).get_name())
        return names

    def spoken_name(self, node):
        # What a screen reader says to name the control: its own name, or
        # the label linked to it (Qt on Linux names a combo box by its
        # current text and leaves naming it to the label relation).
        return next((n for n in [node.get_name(), *self.labels_of(node)] if n), "")

    def find(self, root, role, predicate=lambda n: True):
        for node, _ in self.walk(root):
            if node.get_role_name() == role and predicate(node):
                return node
        return None

    def application(self):
        desktop = self.Atspi.get_desktop(0)
        for app in self.children(desktop):
            if app.get_name().lower() == "vigiltide":
                return app
        return None

    def windows(self, app):
        return self.children(app)

    def dump(self, root):
        for node, depth in self.walk(root):
            print("   " + "  " * depth + f"[{node.get_role_name()}] {node.get_name()!r}"
                  + (f" desc={node.get_description()!r}" if node.get_description() else "")
                  + ("" if self.showing(node) else " (hidden)"))

    def table_texts(self, table):
        if "Table" not in table.get_interfaces():
            return None, None
        Table = self.Atspi.Table
        columns = Table.get_n_columns(table)
        rows = [[Table.get_accessible_at(table, r, c).get_name() for c in range(columns)]
                for r in range(Table.get_n_rows(table))]
        headers = []
        for c in range(columns):
            header = Table.get_column_header(table, c)
            headers.append(header.get_name() if header else None)
        return rows, headers

    def do_action(self, node, wanted=("Press", "press", "click", "activate")):
        Action = self.Atspi.Action
        if "Action" not in node.get_interfaces():
            raise Failure(f"{node.get_role_name()} {node.get_name()!r} has no actions")
        names = [Action.get_action_name(node, i) for i in range(Action.get_n_actions(node))]
        for i, name in enumerate(names):
            if name in wanted:
                Action.do_action(node, i)
                return
        raise Failure(f"{node.get_name()!r} offers {names}, none of {wanted}")


def check_main_window(r, app):
    frame = r.wait_for("the main window", 30, lambda: next(
        (w for w in r.windows(app) if w.get_role_name() == "frame" and r.showing(w)
         and r.find(w, "status bar")), None))
    # The voices arrive from the speech engine a while after the window.
    r.pump(1)
    print("-- main window")
    r.dump(frame)

    unnamed = []
    for node, _ in r.walk(frame):
        if node.get_role_name() in INTERACTIVE_ROLES and r.showing(node):
            if not r.spoken_name(node):
                unnamed.append(f"[{node.get_role_name()}] desc={node.get_description()!r}")
            if node.get_role_name() == "combo box":
                r.check(bool(r.labels_of(node)),
                        f"combo box {node.get_description()!r} is labelled by its label")
    r.check(not unnamed, "every control showing has a name" + (f"; unnamed: {unnamed}"
                                                               if unnamed else ""))

    for description, label in (("Timer Mode", "Timer"), ("Sound Mode", "Sound"),
                               ("Speech Voice", "Voice")):
        combo = r.find(frame, "combo box", lambda n, d=description: n.get_description() == d)
        r.check(combo is not None, f"a combo box described {description!r}")
        if combo:
            # The first label is the one beside it; the group box around it
            # labels it too.
            labels = r.labels_of(combo)
            r.check(bool(labels) and labels[0].rstrip(":") == label,
                    f"combo box {description!r} is named {label!r} by its label "
                    f"(labelled by {labels})")
    for name, description in (("Rate", "Speech Rate, 0 is nomial"),
                              ("Volume", "Speech Volume, relative to computer's volume")):
        slider = r.find(frame, "slider", lambda n, x=name: n.get_name() == x)
        r.check(slider is not None and slider.get_description() == description,
                f"slider {name!r} described {description!r}")
    check_box = r.find(frame, "check box")
    r.check(check_box is not None and check_box.get_name() == "Top of Hour"
            and check_box.get_description().startswith("Round to Top of Hour.  Example"),
            "check box 'Top of Hour' described by its tool tip")
    start = r.find(frame, "push button", lambda n: n.get_name() == "Start")
    r.check(start is not None and start.get_description() == "Start Timer",
            "button 'Start' described 'Start Timer'")

    interval = r.find(frame, "table", lambda n: n.get_name() == "Interval alarms")
    time_table = r.find(frame, "table", lambda n: n.get_name() == "Time alarms")
    r.check(interval is not None and time_table is not None,
            "tables 'Interval alarms' and 'Time alarms'")
    r.check(time_table is not None and r.showing(time_table)
            and interval is not None and not r.showing(interval),
            "the time table shows in time mode, the interval table does not")
    if interval:
        rows, headers = r.table_texts(interval)
        expected = [
            ["Enable/Disable", "Interval", "Message", "Additional Options"],
            ["Enabled", "60", "Time's Up, Check Log", "Options"],
            ["Enabled", "15", "Time's Up, Check Horizon", "Options"],
            ["Disabled", "30", "Check the Radar", "Options"],
        ]
        r.check(rows == expected, f"interval table cells read {rows}")
        r.check(headers == expected[0], f"interval table column headers read {headers}")
        cell = r.Atspi.Table.get_accessible_at(interval, 1, 3)
        r.check(cell.get_description() == "Click for Additional Options",
                f"options cell described {cell.get_description()!r}")
    if time_table:
        rows, headers = r.table_texts(time_table)
        r.check(rows is not None and len(rows) > 1
                and all(row[0] == "Enabled" and row[2] == ALARM_MESSAGE for row in rows[1:])
                and rows[0][1] == "Time", f"time table cells read {rows and rows[:3]}...")

    state = r.find(frame, "label", lambda n: n.get_name() == "Run state")
    r.check(state is not None and state.get_description() == "Stopped",
            "status panel 'Run state' reads 'Stopped'"
            + (f" (reads {state.get_description()!r})" if state else ""))
    r.check(r.find(frame, "label", lambda n: n.get_name() == "Status") is not None,
            "status panel 'Status'")
    return frame


def check_alarm(r, app, frame):
    print("-- alarm")
    start = r.find(frame, "push button", lambda n: n.get_name() == "Start")
    r.events.clear()
    r.do_action(start)
    state = r.find(frame, "label", lambda n: n.get_name() == "Run state")
    r.wait_for("the run state after Start", 10,
               lambda: state.get_description() not in ("", "Stopped"))
    r.check(True, f"after Start the run state reads {state.get_description()!r}")
    alert = r.wait_for("the alarm message window", 150, lambda: next(
        (w for w in r.windows(app) if w.get_role_name() == "alert" and r.showing(w)), None))
    r.pump(1.5)
    r.dump(alert)
    r.check(alert.get_description() == ALARM_MESSAGE,
            f"the alert's description is the message ({alert.get_description()!r})")
    message = r.find(alert, "label")
    r.check(message is not None and message.get_name() == ALARM_MESSAGE,
            "the alert's label reads the message")
    buttons = [n.get_name() for n, _ in r.walk(alert) if n.get_role_name() == "push button"]
    r.check(buttons == ["Continue", "Stop"], f"the alert's buttons {buttons}")
    seen = [e for e in r.events if e[1] == "alert"]
    print("   events from the alert:", seen)
    r.check(any(e[0].startswith("object:state-changed:showing") and e[3] == 1 for e in seen),
            "screen readers are told the alert appeared")
    stop = next(n for n, _ in r.walk(alert) if n.get_name() == "Stop")
    r.do_action(stop)
    r.wait_for("the alert to close", 10, lambda: not r.showing(alert))
    r.wait_for("the run to stop", 10, lambda: state.get_description() == "Stopped")
    r.check(True, "Stop closes the alert and the run state reads 'Stopped' again")


def check_about(r, app, frame):
    print("-- About box")
    menu = r.find(frame, "menu item", lambda n: n.get_name() == "About...")
    r.do_action(menu, ("Trigger", "trigger", "Press", "press", "click", "activate"))
    about = r.wait_for("the About box", 10, lambda: next(
        (w for w in r.windows(app) if w.get_name() == "About Vigiltide" and r.showing(w)), None))
    r.dump(about)
    r.check(about.get_role_name() == "dialog", f"the About box is a dialog "
                                               f"({about.get_role_name()})")
    parts = [n for n, _ in r.walk(about) if n.get_role_name() in ("label", "image")]
    r.check(len(parts) == 4 and all(n.get_name() for n in parts),
            "the About box's picture and texts have names: "
            f"{[n.get_name()[:24] for n in parts]}")


def run_command(session, argv):
    """Runs a command on the private desktop, as the program would run there,
    and returns its exit status."""
    session.env.update({
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "QT_ACCESSIBILITY": "1",
    })
    process = session.spawn(argv, stdout=None, stderr=None)
    return process.wait()


def check_program(session, binary):
    for key in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "XDG_RUNTIME_DIR", "HOME"):
        os.environ[key] = session.env[key]
    os.environ.pop("AT_SPI_BUS_ADDRESS", None)
    program = session.start_program(binary, settings_text(datetime.datetime.utcnow()))

    # Imported only now: the bindings find the accessibility bus through the
    # session bus and display set above. The action names are read through
    # calls that later versions rename.
    warnings.simplefilter("ignore", DeprecationWarning)
    from gi.repository import Atspi, GLib

    r = Reader(Atspi, GLib)
    app = r.wait_for("the application 'vigiltide' in the desktop tree", 40, r.application)
    r.check(True, f"application {app.get_name()!r} in the desktop tree")
    frame = check_main_window(r, app)
    check_alarm(r, app, frame)
    check_about(r, app, frame)
    r.check(program.poll() is None, "the program is still running")
    if r.failures:
        print(f"{len(r.failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


def main():
    command = None
    if len(sys.argv) > 2 and sys.argv[1] == "--run":
        command = sys.argv[2:]
    elif len(sys.argv) != 2 or sys.argv[1].startswith("-"):
        print(__doc__)
        return 2
    elif not os.access(sys.argv[1], os.X_OK):
        print(f"FAIL: no program at {sys.argv[1]}")
        return 1
    tools = require_tools(bindings=command is None)
    adopt_orphans()

    def overdue(*_):
        raise Timeout(f"the test did not finish within {OVERALL_SECONDS} s")

    signal.signal(signal.SIGALRM, overdue)
    signal.signal(signal.SIGTERM, overdue)
    signal.alarm(OVERALL_SECONDS)
    with Session(tools) as session:
        try:
            session.start_bus()
            session.start_display()
            session.start_accessibility_bus()
            if command:
                return run_command(session, command)
            return check_program(session, sys.argv[1])
        except Exception as error:
            if not isinstance(error, (Failure, Timeout)):
                traceback.print_exc()
            print(f"FAIL {error}")
            for name in sorted(os.listdir(session.folder)):
                if name.endswith(".log"):
                    with open(os.path.join(session.folder, name), errors="replace") as log:
                        print(f"--- {name}\n{log.read()[-3000:]}")
            return 1
        finally:
            signal.alarm(0)


if __name__ == "__main__":
    sys.exit(main())
