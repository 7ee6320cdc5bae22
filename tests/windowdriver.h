// SPDX-License-Identifier: MIT
// Drives the main window as a user would: clicks on table cells, keys in the
// editor, picks from the row menu.
#pragma once

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/tablecontrol.h"
#include "fakespeech.h"
#include "ui/main/frmMain.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// Answers the next file dialog with a path, or cancels it with an empty one.
inline void answerFileDialog(const QString& path)
{
    QTimer::singleShot(0, qApp, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        // Saving over an existing file asks first; the answer is yes.
        QTimer::singleShot(0, qApp, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(dialog)->accept(); // as the dialog's own button does
        if (dialog->isVisible()) {               // it refused the path: never leave a test hanging
            qWarning("the file dialog did not take %s", qPrintable(path));
            dialog->reject();
        }
    });
}

// Fires a running timer's tick now, as a second passing would.
inline void fireTick(const QTimer& timer)
{
    QVERIFY(timer.isActive());
    QMetaObject::invokeMethod(const_cast<QTimer*>(&timer), "timeout");
}

struct WindowDriver {
    QTemporaryDir folder; // the program folder of this window: its settings file lives here
    vt::FakeClock clock;
    FakeBeeper beeper;
    FakeSpeechEngine* engine; // owned by the window once the provider hands it over
    FakeSpeechProvider speech;
    FakeSleepInhibitor sleep;
    vt::frmMain window;
    bool active = false;

    // engine null: a machine without speech components. settings: the
    // content of the settings file found at start-up (none when null).
    explicit WindowDriver(
        std::unique_ptr<FakeSpeechEngine> fake = std::make_unique<FakeSpeechEngine>(),
        bool lateEngine = false, const QByteArray* settings = nullptr)
        : engine(fake.get()), speech(std::move(fake), lateEngine),
          window((writeSettings(settings), clock), beeper, speech, sleep, settingsPath())
    {
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
        // The engine is asked for once the first frame is drawn, and arrives
        // from the event loop after that.
        QTRY_VERIFY(speech.started);
        QCoreApplication::processEvents();
    }

    QString settingsPath() const { return folder.filePath(QStringLiteral("Vigiltide.Ini")); }

    void writeSettings(const QByteArray* content) const
    {
        if (!content)
            return;
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(*content);
    }

    QByteArray settingsText() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    const Ui::frmMain& ui() const { return window.form(); }
    vt::TableControl& table() const { return window.currentTable(); }
    QLineEdit* editor() const { return window.form().txtTimer; }

    QPoint cellPoint(int row, int col) const
    {
        return table().visualRect(table().model()->index(row, col)).center();
    }

    void click(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(table().viewport(), button, {}, cellPoint(row, col));
    }

    void clickAt(QPoint viewportPoint, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(table().viewport(), button, {}, viewportPoint);
    }

    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &window, Qt::Key(key), modifiers);
    }

    // Reads leave the table's current cell where it was, so that checking a
    // cell between keystrokes does not move the editor's next step.
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

    // Opens the row menu on an entry with a right click and picks an item.
    void pick(int row, QAction* action)
    {
        click(row, vt::MessageColumn, Qt::RightButton);
        QMenu* menu = ui().mnuTimer;
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QTRY_VERIFY(!menu->isVisible());
    }

    void setMessageColors(int row, vt::ColorValue back, vt::ColorValue fore)
    {
        table().setRow(row);
        table().setCol(vt::MessageColumn);
        table().setCellBackColor(back);
        table().setCellForeColor(fore);
    }

    // Raises the first alarm of the built-in schedule (row 1, due at 11:00).
    vt::frmMessage* raiseAlarm()
    {
        clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(10, 59, 59)));
        QTest::mouseClick(ui().cmdStart, Qt::LeftButton);
        clock.setLocal(QDateTime(QDate(2027, 1, 15), QTime(11, 0, 0)));
        fireTick(window.tick());
        return window.messageWindow();
    }

    // Sets an entry's cells directly, for arranging a case.
    void setEntry(int row, const QString& schedule, const QString& message, bool on)
    {
        vt::SetEntryEnabled(table(), row, vt::EnableColumn, on);
        table().setCol(vt::ScheduleColumn);
        table().setText(schedule);
        table().setCol(vt::MessageColumn);
        table().setText(message);
    }
};
