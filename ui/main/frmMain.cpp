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

// The form file holds the designed twips divided by 15, their pixels at 96 DPI.
constexpr double kDesignTwipsPerPixel = 15.0;

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

// A label stands on the same line as the control it names: the designed label
// boxes are shorter than today's combo boxes, which left their text too high.
void alignLabelWith(QLabel* label, const QWidget* partner)
{
    // The designed label boxes reach under the control beside them.
    const int width = partner->x() > label->x() ? qMin(label->width(), partner->x() - label->x())
                                                : label->width();
    label->setGeometry(label->x(), partner->y(), width, partner->height());
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

frmMain::frmMain(const Clock& clock, QWidget* parent)
    : QMainWindow(parent), m_images(resourceIcon("disabled"), resourceIcon("enabled")),
      m_run(*this, clock)
{
    ui.setupUi(this);
    scaleDesignedGeometry(*ui.centralwidget, pixelsPerTwip(*this) * kDesignTwipsPerPixel);
    resize(tw(5085), tw(4905));
    alignLabelWith(ui.Label3, ui.cmbMode);
    alignLabelWith(ui.Label4, ui.cmbSound);
    alignLabelWith(ui.Label7, ui.cmbSpeechEngine);
    alignLabelWith(ui.Label8, ui.sldSpeechRate);
    alignLabelWith(ui.lblSpeechRate, ui.sldSpeechRate);
    alignLabelWith(ui.Label10, ui.sldSpeechVolume);
    alignLabelWith(ui.lblSpeechVolume, ui.sldSpeechVolume);
    ui.chkIntervalRound->setGeometry(ui.chkIntervalRound->x(), ui.cmbMode->y(),
                                     ui.chkIntervalRound->width(), ui.cmbMode->height());
    m_grdTimer = {ui.grdTimer0, ui.grdTimer1};
    for (TableControl* table : m_grdTimer)
        table->setImageList(&m_images);
    tmrTimer.setInterval(1000);
    setupStatusBar();
    connectControls();
    Form_Load();
    fitWidthToColumns();
}

frmMain::~frmMain() = default;

int frmMain::tw(int twips) const
{
    return twipsToPixels(twips, *this);
}

int frmMain::pixelsToTw(int pixels) const
{
    return pixelsToTwips(pixels, *this);
}

TableControl& frmMain::currentTable() const
{
    return *m_grdTimer[qBound(0, ui.cmbMode->currentIndex(), 1)];
}

void frmMain::setupStatusBar()
{
    m_state = new QLabel(QStringLiteral("Stopped"), this);
    m_state->setObjectName(QStringLiteral("State"));
    m_state->setToolTip(QStringLiteral("Stopped"));
    m_state->setMinimumWidth(tw(1000));
    m_state->setMaximumWidth(tw(1000));
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
    connect(ui.cmbSound, &QComboBox::currentIndexChanged, this, &frmMain::cmbSound_Click);
    connect(&tmrTimer, &QTimer::timeout, this, &frmMain::tmrTimer_Timer);
    for (TableControl* table : m_grdTimer)
        connectTable(table);
    connect(ui.txtTimer, &QLineEdit::textChanged, this, &frmMain::txtTimer_Change);
    ui.txtTimer->installEventFilter(this);
    connectRowMenu();
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

void frmMain::cmbSound_Click()
{
    setStatusText(QString());
    if (ui.cmbSound->currentIndex() == 2 && ui.cmbSpeechEngine->count() == 0) {
        setStatusText(QStringLiteral("No Speech Voice Engines Installed"));
        beep();
    }
    ArrangeWindow();
}

void frmMain::tmrTimer_Timer()
{
    m_run.CheckDueAlarms();
}

} // namespace vt
