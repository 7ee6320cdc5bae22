// SPDX-License-Identifier: MIT
#include "ui/main/frmMain.h"

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/tablecontrol.h"
#include "core/twips.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QWindowStateChangeEvent>

// Resources live in a static library; naming them here keeps the linker from
// dropping them.
static void initResources()
{
    Q_INIT_RESOURCE(vigiltide);
}

namespace vt
{

namespace
{

constexpr double kDesignDpi = 96.0;

QIcon resourceIcon(const char* name)
{
    initResources();
    return QIcon(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)));
}

// The form is drawn at 96 DPI; at another logical DPI every designed position
// and size scales with it, so twips keep their meaning.
void scaleDesignedGeometry(QWidget& root, double factor)
{
    if (qFuzzyCompare(factor, 1.0))
        return;
    const auto children = root.findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QRect g = child->geometry();
        child->setGeometry(qRound(g.x() * factor), qRound(g.y() * factor),
                           qRound(g.width() * factor), qRound(g.height() * factor));
    }
}

} // namespace

frmMain::frmMain(const Clock& clock, QWidget* parent)
    : QMainWindow(parent), m_images(resourceIcon("disabled"), resourceIcon("enabled")),
      m_run(*this, clock)
{
    ui.setupUi(this);
    scaleDesignedGeometry(*ui.centralwidget, logicalDpiY() / kDesignDpi);
    m_grdTimer = {ui.grdTimer0, ui.grdTimer1};
    for (TableControl* table : m_grdTimer)
        table->setImageList(&m_images);
    tmrTimer.setInterval(1000);
    setupStatusBar();
    connectControls();
    Form_Load();
}

frmMain::~frmMain() = default;

int frmMain::tw(int twips) const
{
    return twipsToPixels(twips, *this);
}

void frmMain::setupStatusBar()
{
    m_state = new QLabel(QStringLiteral("Stopped"), this);
    m_state->setObjectName(QStringLiteral("State"));
    m_state->setToolTip(QStringLiteral("Stopped"));
    m_state->setMinimumWidth(tw(1000));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setMinimumWidth(tw(1440));
    ui.StatusBar->addWidget(m_state);
    ui.StatusBar->addWidget(m_status, 1);
}

void frmMain::connectControls()
{
    connect(ui.cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(ui.cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);
    connect(ui.cmbMode, &QComboBox::currentIndexChanged, this, &frmMain::cmbMode_Click);
    connect(&tmrTimer, &QTimer::timeout, this, &frmMain::tmrTimer_Timer);
}

void frmMain::Form_Load()
{
    tmrTimer.stop();
    move(0, 0);
    SettingsDefault();
}

// The built-in schedule: two interval alarms and one time-of-day alarm.
void frmMain::SettingsDefault()
{
    ui.cmbMode->setCurrentIndex(IntervalMode);
    ui.chkIntervalRound->setChecked(true);

    TableControl& interval = *m_grdTimer[IntervalMode];
    interval.setRows(3);
    FormatTableRow(interval, 1);
    FormatTableRow(interval, 2);
    SetupTableColumns(IntervalMode, interval);
    SetEntryEnabled(interval, 1, EnableColumn, true);
    interval.setCol(ScheduleColumn);
    interval.setText(QStringLiteral("60"));
    interval.setCol(MessageColumn);
    interval.setText(QStringLiteral("Time's Up, Check Log"));
    interval.setCellBackColor(65535);
    interval.setCellForeColor(255);
    SetEntryEnabled(interval, 2, EnableColumn, true);
    interval.setCol(ScheduleColumn);
    interval.setText(QStringLiteral("15"));
    interval.setCol(MessageColumn);
    interval.setText(QStringLiteral("Time's Up, Check Horizon"));

    ui.cmbSound->setCurrentIndex(1);

    TableControl& time = *m_grdTimer[TimeMode];
    time.setRows(2);
    FormatTableRow(time, 1);
    SetupTableColumns(TimeMode, time);
    SetEntryEnabled(time, 1, EnableColumn, true);
    time.setCol(ScheduleColumn);
    time.setText(QStringLiteral("7:30:00"));
    time.setCol(MessageColumn);
    time.setText(QStringLiteral("Orvo's Weather"));
}

// ---- run host

int frmMain::timerMode() const
{
    return ui.cmbMode->currentIndex();
}

bool frmMain::intervalRound() const
{
    return ui.chkIntervalRound->isChecked();
}

TableControl* frmMain::timerTable(int mode)
{
    return mode >= 0 && mode < int(m_grdTimer.size()) ? m_grdTimer[mode] : nullptr;
}

RunControls frmMain::runControls()
{
    RunControls c;
    c.cmbMode = ui.cmbMode;
    c.chkIntervalRound = ui.chkIntervalRound;
    c.cmdStart = ui.cmdStart;
    c.cmdStop = ui.cmdStop;
    c.grdTimer = {m_grdTimer[0], m_grdTimer[1]};
    c.cmbSound = ui.cmbSound;
    c.cmbSpeechEngine = ui.cmbSpeechEngine;
    c.cmdSpeechSpeak = ui.cmdSpeechSpeak;
    c.sldSpeechRate = ui.sldSpeechRate;
    c.sldSpeechVolume = ui.sldSpeechVolume;
    return c;
}

void frmMain::setCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void frmMain::minimizeWindow()
{
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

void frmMain::restoreWindow()
{
    showNormal();
}

void frmMain::setStateText(const QString& text)
{
    m_state->setText(text);
}

void frmMain::setStatusText(const QString& text)
{
    m_status->setText(text);
}

void frmMain::beep()
{
    QApplication::beep();
}

void frmMain::setTickEnabled(bool enabled)
{
    if (enabled)
        tmrTimer.start();
    else
        tmrTimer.stop();
}

frmMessage& frmMain::messageForm()
{
    if (!m_message)
        m_message = std::make_unique<frmMessage>(*this);
    return *m_message;
}

void frmMain::setMessageCaption(const QString& caption)
{
    messageForm().setWindowTitle(caption);
}

void frmMain::showMessage(int messageId, const QString& message, ColorValue backColor,
                          ColorValue foreColor)
{
    messageForm().Start(messageId, message, backColor, foreColor);
}

void frmMain::TimerNext(int iMessageId)
{
    m_run.TimerNext(iMessageId);
}

void frmMain::TimerStop()
{
    m_run.TimerStop();
}

// ---- handlers

void frmMain::cmdStart_Click()
{
    m_run.StartRun();
}

void frmMain::cmdStop_Click()
{
    m_run.TimerStop();
}

void frmMain::cmbMode_Click()
{
    m_run.ModeChanged();
}

void frmMain::tmrTimer_Timer()
{
    m_run.CheckDueAlarms();
}

// ---- arrangement

int frmMain::TableContentHeight(const TableControl& table) const
{
    const int last = table.Rows() - 1;
    return table.RowPos(last) + table.RowHeight(last) + 100;
}

void frmMain::ArrangeWindow()
{
    const int mode = ui.cmbMode->currentIndex();
    TableControl& interval = *m_grdTimer[IntervalMode];
    TableControl& time = *m_grdTimer[TimeMode];
    if (mode == TimeMode) {
        ui.chkIntervalRound->hide();
        ui.frmTimer->setTitle(QStringLiteral("Alarm Time and Message"));
        time.show();
        interval.hide();
        time.move(interval.pos());
        time.resize(time.width(), tw(TableContentHeight(time)));
    } else if (mode == IntervalMode) {
        ui.chkIntervalRound->show();
        ui.frmTimer->setTitle(QStringLiteral("Alarm Interval and Message"));
        interval.show();
        time.hide();
        interval.resize(interval.width(), tw(TableContentHeight(interval)));
    }
    TableControl* current = timerTable(mode);
    if (!current)
        return;

    QGroupBox& frame = *ui.frmTimer;
    const int frameWidth = centralWidget()->width() - 2 * frame.x();
    frame.resize(frame.width(), current->y() + current->height() + tw(60));
    // A width of zero or less would make the frame and table vanish for good.
    if (frameWidth > 2 * current->x()) {
        frame.resize(frameWidth, frame.height());
        current->resize(frameWidth - 2 * current->x(), current->height());
    }

    QGroupBox& sound = *ui.frmSound;
    sound.move(frame.x(), frame.y() + frame.height() + tw(120));
    const bool speech = ui.cmbSound->currentIndex() == 2;
    ui.frmSpeech->setVisible(speech);
    sound.resize(sound.width(),
                 speech ? ui.frmSpeech->y() + ui.frmSpeech->height() + tw(120) : ui.frmSpeech->y());

    const int menuHeight = menuWidget() ? menuWidget()->sizeHint().height() : 0;
    const int height =
        menuHeight + sound.y() + sound.height() + tw(120) + ui.StatusBar->sizeHint().height();
    if (height != this->height())
        resize(width(), height);
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
    // minimized window's "Timer hh:mm" caption.
    setWindowTitle(QStringLiteral("Vigiltide"));
    QMainWindow::paintEvent(event);
}

} // namespace vt
