// SPDX-License-Identifier: MIT
// How the main window lays itself out: the table of the current timer mode,
// the frames fitted to their contents, and a height that follows the number
// of rows and the sound mode while the width is the user's.
#include "ui/common/twips.h"
#include "ui/main/alarmtableview.h"
#include "ui/main/frmMain.h"

#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>

namespace vt
{

int frmMain::TableContentHeight(const AlarmTableView& table) const
{
    return pixelsToTwips(table.contentHeight(), table) + 100;
}

void frmMain::ArrangeWindow()
{
    const int mode = ui.cmbMode->currentIndex();
    AlarmTableView& interval = *m_grdTimer[int(TimerMode::Interval)];
    AlarmTableView& time = *m_grdTimer[int(TimerMode::Time)];
    if (mode == int(TimerMode::Time)) {
        ui.chkIntervalRound->hide();
        ui.frmTimer->setTitle(QStringLiteral("Alarm Time and Message"));
        time.show();
        interval.hide();
        time.move(interval.pos());
        time.resize(time.width(), tw(TableContentHeight(time)));
    } else if (mode == int(TimerMode::Interval)) {
        ui.chkIntervalRound->show();
        ui.frmTimer->setTitle(QStringLiteral("Alarm Interval and Message"));
        interval.show();
        time.hide();
        interval.resize(interval.width(), tw(TableContentHeight(interval)));
    } else {
        return;
    }
    AlarmTableView& current = *m_grdTimer[mode];
    int height = fitFrames(current);
    // A long table would make the window taller than the screen: the window
    // stops at the screen's edge and the table scrolls.
    const QScreen* shownOn = screen();
    // Before the window is first shown its frame is not known: a title bar's
    // height stands in for it.
    const int frame = isVisible() ? frameGeometry().height() - this->height()
                                  : style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int room = shownOn ? shownOn->availableGeometry().height() - frame : height;
    if (height > room) {
        // Header and three entries at least, or all of a shorter table.
        const int minimum = qMin(current.height(), current.rowHeight(0) * 4);
        current.resize(current.width(), qMax(minimum, current.height() - (height - room)));
        height = fitFrames(current);
        // The table scrolls: its scroll bar must not cover a column.
        fitWidthToColumns();
    }
    if (height != this->height())
        resize(width(), height);
}

// Fits the table frame and the sound frame below it to the current table, and
// gives the window height they need.
int frmMain::fitFrames(AlarmTableView& current)
{
    // Table frame: equal margins of 60 in the window and 120 round the table.
    QGroupBox& frame = *ui.frmTimer;
    frame.resize(frame.width(), current.y() + current.height() + tw(60));
    const int frameWidth = centralWidget()->width() - 2 * frame.x();
    const int tableWidth = frameWidth - 2 * current.x();
    // A window too narrow for them must not make frame or table vanish.
    if (tableWidth > 0) {
        frame.resize(frameWidth, frame.height());
        current.resize(tableWidth, current.height());
    }

    // Sound frame below it, ending just above the speech controls unless
    // the sound mode is Speech.
    QGroupBox& sound = *ui.frmSound;
    sound.move(frame.x(), frame.y() + frame.height() + tw(120));
    const bool speech = ui.cmbSound->currentIndex() == 2;
    ui.frmSpeech->setVisible(speech);
    const int speechTop = ui.frmSpeech->y();
    sound.resize(sound.width(), speech ? speechTop + ui.frmSpeech->height() + tw(120) : speechTop);

    // The window ends 120 below the sound frame, plus the status bar, whole.
    const QWidget* menu = menuWidget();
    const int menuHeight =
        menu ? qMax(menu->heightForWidth(width()), menu->sizeHint().height()) : 0;
    const int statusHeight =
        qMax(ui.StatusBar->sizeHint().height(), ui.StatusBar->minimumSizeHint().height());
    return menuHeight + sound.y() + sound.height() + tw(120) + statusHeight;
}

// The designed width leaves the message column partly hidden with today's
// fonts; the window starts wide enough to show every column of both tables.
void frmMain::fitWidthToColumns()
{
    int widest = 0;
    for (const AlarmTableView* table : m_grdTimer) {
        int columns = 2 * table->frameWidth();
        for (int c = 0; c < table->Cols(); ++c)
            columns += table->columnWidth(c);
        // Room for the scroll bar of a table too long to show whole.
        if (table->height() < table->contentHeight())
            columns += table->verticalScrollBar()->sizeHint().width();
        widest = qMax(widest, columns);
    }
    const int needed = widest + 2 * ui.frmTimer->x() + 2 * m_grdTimer[0]->x();
    if (needed > width())
        resize(needed, height());
}

void frmMain::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized)
        setWindowTitle(QStringLiteral("Timer ") + formatHourMinute(m_run.NextDue()));
    else if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        ArrangeWindow();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::paintEvent(QPaintEvent* event)
{
    // Every repaint, the first after a restore in particular, replaces the
    // minimized window's "Timer hh:mm" caption. Not while minimized: a window
    // manager iconifies the window a moment after Start asks for it, and the
    // repaint of the controls that Start changed lands in that moment.
    if (!isMinimized())
        setWindowTitle(QStringLiteral("Vigiltide"));
    QMainWindow::paintEvent(event);
}

} // namespace vt
