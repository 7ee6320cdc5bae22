// SPDX-License-Identifier: MIT
#include "ui/main/frmMain.h"

#include "core/alarmtable.h"
#include "core/clock.h"
#include "core/tablecontrol.h"
#include "core/twips.h"
#include "resources/images.h"
#include "ui/main/firstframe.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QWindowStateChangeEvent>

#include <utility>

namespace vt
{

namespace
{

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

// A label that names a control names it for screen readers too: the buddy
// links the two, and the name is the label's words without the colon.
void nameByLabel(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    QString name = label->text().remove(QLatin1Char('&')).trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name);
}

} // namespace

frmMain::frmMain(const Clock& clock, Beeper& beeper, SpeechEngineProvider& speechProvider,
                 SleepInhibitor& sleep, const QString& defaultSettingsFile,
                 const QString& startFile, QWidget* parent)
    : QMainWindow(parent), m_images(enableCellImage(false), enableCellImage(true)),
      m_run(*this, clock), m_beeper(beeper), m_speechProvider(speechProvider), m_sleep(sleep),
      m_defaultSettingsFile(defaultSettingsFile), m_startFile(startFile)
{
    ui.setupUi(this);
    setWindowIcon(programIcon());
    m_speech = std::make_unique<SpeechService>(SpeechControls{ui.cmbSpeechEngine, ui.sldSpeechRate,
                                                              ui.sldSpeechVolume, ui.lblSpeechRate,
                                                              ui.lblSpeechVolume},
                                               static_cast<StatusReporter&>(*this));
    applyDesignScale(*ui.centralwidget);
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
    describeControls();
    connectControls();
    Form_Load();
    fitWidthToColumns();
}

// The About box has no owner (it is modeless and stays when the main window is
// minimized), so it goes with the window here.
frmMain::~frmMain()
{
    delete m_about.data();
}

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

// Names and descriptions for screen readers. A fixed tool tip is the
// description; the Speak button's tool tip names the message it reads and
// changes, so it stays the button's description by default.
void frmMain::describeControls()
{
    nameByLabel(ui.Label3, ui.cmbMode);
    nameByLabel(ui.Label4, ui.cmbSound);
    nameByLabel(ui.Label7, ui.cmbSpeechEngine);
    nameByLabel(ui.Label8, ui.sldSpeechRate);
    nameByLabel(ui.Label10, ui.sldSpeechVolume);
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.cmbMode, ui.chkIntervalRound, ui.cmdStart, ui.cmdStop, ui.cmbSound,
             ui.cmbSpeechEngine, ui.sldSpeechRate, ui.sldSpeechVolume})
        control->setAccessibleDescription(control->toolTip());
    // The numbers beside the sliders only repeat the sliders' values.
    ui.lblSpeechRate->setAccessibleName(tr("Rate value"));
    ui.lblSpeechVolume->setAccessibleName(tr("Volume value"));

    // The tables' tool tips follow the mouse; keyboard users hear how to work them.
    m_grdTimer[IntervalMode]->setAccessibleName(tr("Interval alarms"));
    m_grdTimer[TimeMode]->setAccessibleName(tr("Time alarms"));
    for (TableControl* table : m_grdTimer)
        table->setAccessibleDescription(
            tr("Enter or Space edits a cell or switches an entry on or off; the Menu key "
               "opens the row commands"));
    // Renamed after the column of each cell it edits.
    ui.txtTimer->setAccessibleName(tr("Cell"));

    // The status panels are named for what they report; the report itself is
    // their description, kept current by setStateText and setStatusText.
    m_state->setAccessibleName(tr("Run state"));
    m_state->setAccessibleDescription(m_state->text());
    m_status->setAccessibleName(tr("Status"));
    m_status->setAccessibleDescription(m_status->text());
    ui.StatusBar->setAccessibleName(tr("Status bar"));
}

void frmMain::connectControls()
{
    connect(ui.cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(ui.cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);
    connect(ui.cmbMode, &QComboBox::currentIndexChanged, this, &frmMain::cmbMode_Click);
    connect(ui.cmbSound, &QComboBox::currentIndexChanged, this, &frmMain::cmbSound_Click);
    // Positions chosen before the voices are listed go to the voice then.
    connect(ui.sldSpeechRate, &QSlider::valueChanged, this,
            [this](int value) { keepUnlistedSlider(&SpeechSettings::rate, value); });
    connect(ui.sldSpeechVolume, &QSlider::valueChanged, this,
            [this](int value) { keepUnlistedSlider(&SpeechSettings::volume, value); });
    connect(ui.cmdSpeechSpeak, &QPushButton::clicked, this, &frmMain::cmdSpeechSpeak_Click);
    connectFileMenu();
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
    // The engine may take seconds to list its voices; the window does not
    // wait for it, and the voices appear when it is ready. It is started
    // once the window is first drawn (showEvent).
    connect(&m_speechProvider, &SpeechEngineProvider::engineReady, this, &frmMain::engineReady);
    SettingsDefault();
    loadStartSettings();
}

// Listing the voices keeps a processor busy for a second or more: started
// before the first frame, it slowed that frame by a few milliseconds.
void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!std::exchange(m_speechRequested, true))
        afterFirstFrame(*windowHandle(), this, [this] { m_speechProvider.start(); });
}

// ---- run host

int frmMain::timerMode() const
{
    return ui.cmbMode->currentIndex();
}

bool frmMain::intervalRound() const
{
    // A greyed box (Round=2 in the file) counts as not ticked: isChecked()
    // would say yes to it.
    return ui.chkIntervalRound->checkState() == Qt::Checked;
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
    updateTray();
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
    m_state->setAccessibleDescription(text);
}

void frmMain::setStatusText(const QString& text)
{
    if (m_holdNotices) {
        m_heldNotice = text;
        return;
    }
    m_status->setText(text);
    m_status->setAccessibleDescription(text);
}

void frmMain::beep()
{
    if (m_holdNotices)
        m_heldBeep = true;
    else
        m_beeper.beep();
}

void frmMain::runEnded()
{
    if (!m_heldNotice.isEmpty())
        setStatusText(std::exchange(m_heldNotice, QString()));
    if (std::exchange(m_heldBeep, false))
        beep();
}

void frmMain::alarmBeep()
{
    m_beeper.beep();
    // The alarm still flashes; the status line says why it is silent.
    const QString silence = m_beeper.silenceReason();
    if (!silence.isEmpty())
        setStatusText(QStringLiteral("Sound Error, ") + silence);
}

int frmMain::SoundMode() const
{
    return ui.cmbSound->currentIndex();
}

bool frmMain::SpeechSpeak(const QString& sMessage, bool wait)
{
    return m_speech->SpeechSpeak(sMessage, wait);
}

void frmMain::SpeechStop()
{
    m_speech->SpeechStop();
}

// Reads every message of the current table aloud, enabled or not, one after
// the other; the window stays responsive between messages.
void frmMain::cmdSpeechSpeak_Click()
{
    TableControl& table = currentTable();
    const int rows = table.Rows();
    const quint64 round = ++m_speakRound;
    ui.cmdSpeechSpeak->setEnabled(false); // one reading at a time
    // Start, Default, Open... and closing end the reading between rows.
    for (int row = 1; row < rows && round == m_speakRound && row < table.Rows(); ++row) {
        table.setRow(row);
        table.setCol(MessageColumn);
        SpeechSpeak(table.Text(), true);
        QCoreApplication::processEvents();
    }
    ui.cmdSpeechSpeak->setEnabled(!m_run.isRunActive());
}

// A reading of the Speak button would keep a Speech alarm from being heard.
void frmMain::endSpeakReading()
{
    ++m_speakRound;
    m_speech->endReading();
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

void frmMain::showMessage(const AlarmId& alarm, const QString& message, ColorValue backColor,
                          ColorValue foreColor)
{
    messageForm().Start(alarm, message, backColor, foreColor);
    alarmShown(message);
}

void frmMain::closeMessage()
{
    if (m_message)
        m_message->dismiss();
    alarmAnswered();
}

void frmMain::keepAwake(const QString& why)
{
    m_sleep.inhibit(why);
}

void frmMain::allowSleep()
{
    m_sleep.release();
}

// The message window's answers, which go to the run that raised the alarm.
void frmMain::answerContinue(const AlarmId& alarm)
{
    alarmAnswered();
    m_run.answerContinue(alarm);
}

void frmMain::answerStop(const AlarmId& alarm)
{
    alarmAnswered();
    m_run.answerStop(alarm);
}

// ---- handlers

void frmMain::cmdStart_Click()
{
    endSpeakReading();
    m_run.StartRun();
    warnSilentRun();
}

// Alarms that cannot be heard are said at Start, not first when one is due in
// a minimized window; the run still starts, and its alarms still flash.
void frmMain::warnSilentRun()
{
    const QString silence = m_beeper.silenceReason();
    if (m_run.isRunActive() && SoundMode() == 1 && !silence.isEmpty()) {
        setStatusText(QStringLiteral("Sound Error, ") + silence);
        beep();
    }
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
    // While the engine is starting its voices are not known yet; engineReady
    // tells when there are none.
    if (!m_speechStarting)
        warnSpeechWithoutVoices();
    ArrangeWindow();
}

void frmMain::warnSpeechWithoutVoices()
{
    if (ui.cmbSound->currentIndex() == 2 && ui.cmbSpeechEngine->count() == 0) {
        setStatusText(QStringLiteral("No Speech Voice Engines Installed"));
        beep();
    }
}

void frmMain::tmrTimer_Timer()
{
    m_run.CheckDueAlarms();
}

} // namespace vt
