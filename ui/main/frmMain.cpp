// SPDX-License-Identifier: MIT
#include "ui/main/frmMain.h"

#include "core/clock.h"
#include "resources/images.h"
#include "ui/common/statuslabel.h"
#include "ui/common/twips.h"
#include "ui/main/celleditor.h"
#include "ui/main/desktoplink.h"
#include "ui/main/filecommands.h"
#include "ui/main/firstframe.h"
#include "ui/main/hookslink.h"
#include "ui/main/rowmenu.h"
#include "ui/message/frmMessage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListView>
#include <QStatusBar>

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

void setBold(QPushButton* button, bool bold)
{
    QFont f = button->font();
    f.setBold(bold);
    button->setFont(f);
}

// The desktop's speech daemon lists some 13,000 voices. The list is not
// sized to its longest text, its rows are taken to be of one height, and it
// opens as a scrolled list rather than a menu measuring every row. Done when
// the voices come rather than with the window: the popup's view and the style
// sheet take a good part of a millisecond to make, nothing of it shows until
// the list is opened, and an empty list looks the same either way.
void prepareForManyVoices(QComboBox& list)
{
    list.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (auto* view = qobject_cast<QListView*>(list.view()))
        view->setUniformItemSizes(true);
    list.setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

} // namespace

frmMain::frmMain(const Clock& clock, Beeper& beeper, SpeechEngineProvider& speechProvider,
                 SleepInhibitor& sleep, const QString& defaultSettingsFile,
                 const QString& startFile, QWidget* parent)
    : QMainWindow(parent), m_run(clock), m_beeper(beeper), m_speechProvider(speechProvider),
      m_sleep(sleep)
{
    ui.setupUi(this);
    setWindowIcon(programIcon());
    m_speech = std::make_unique<SpeechService>(*this);
    m_sound = std::make_unique<AlarmSound>(*m_speech, m_beeper, *this);
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
    for (TimerMode mode : {TimerMode::Interval, TimerMode::Time}) {
        m_models[int(mode)] = new AlarmTableModel(mode, this);
        m_grdTimer[int(mode)]->setAlarmModel(m_models[int(mode)]);
    }
    setupStatusBar();
    describeControls();
    m_editor = std::make_unique<CellEditor>(*this);
    m_rowMenu = std::make_unique<RowMenu>(*this);
    connect(m_editor.get(), &CellEditor::rowMenuRequested, m_rowMenu.get(), &RowMenu::popup);
    m_files = std::make_unique<FileCommands>(*this, defaultSettingsFile);
    m_desktop = std::make_unique<DesktopLink>(*this);
    m_journal = std::make_unique<RunJournal>(m_run, clock, WatchLog::defaultPath());
    connect(m_journal.get(), &RunJournal::logFailed, this, [this](const QString& reason) {
        setStatusText(QStringLiteral("Log Error, ") + reason);
        beep();
    });
    connect(m_files.get(), &FileCommands::settingsFileChanged, m_journal.get(),
            &RunJournal::setSettingsFile);
    m_hooks = std::make_unique<HooksLink>(*this, clock, *m_journal);
    connectControls();
    connectSpeech();
    Form_Load();
    m_files->loadStartSettings(startFile);
    m_journal->setSettingsFile(settingsFile());
    reportHooksProblem(m_hooks->reload());
    fitWidthToColumns();
    placeOnScreen();
}

frmMain::~frmMain() = default;

int frmMain::tw(int twips) const
{
    return twipsToPixels(twips, *this);
}

TimerMode frmMain::timerMode() const
{
    return TimerMode(qBound(0, ui.cmbMode->currentIndex(), 1));
}

SoundMode frmMain::soundMode() const
{
    return SoundMode(qBound(0, ui.cmbSound->currentIndex(), 2));
}

bool frmMain::intervalRound() const
{
    // A greyed box (Round=2 in the file) counts as not ticked: isChecked()
    // would say yes to it.
    return ui.chkIntervalRound->checkState() == Qt::Checked;
}

AlarmTableView& frmMain::currentTable() const
{
    return *m_grdTimer[int(timerMode())];
}

AlarmTableModel& frmMain::currentModel() const
{
    return model(timerMode());
}

QLabel* frmMain::statusPanel() const
{
    return m_status;
}

QString frmMain::statusText() const
{
    return m_status->fullText();
}

const QString& frmMain::settingsFile() const
{
    return m_files->settingsFile();
}

QWidget* frmMain::aboutBox() const
{
    return m_files->aboutBox();
}

void frmMain::setupStatusBar()
{
    m_state = new QLabel(QStringLiteral("Stopped"), this);
    m_state->setObjectName(QStringLiteral("State"));
    m_state->setToolTip(QStringLiteral("Stopped"));
    m_state->setMinimumWidth(tw(1000));
    m_state->setMaximumWidth(tw(1000));
    m_status = new StatusLabel(this);
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
    m_grdTimer[int(TimerMode::Interval)]->setAccessibleName(tr("Interval alarms"));
    m_grdTimer[int(TimerMode::Time)]->setAccessibleName(tr("Time alarms"));
    for (AlarmTableView* table : m_grdTimer)
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
    ui.StatusBar->setAccessibleName(tr("Status bar"));
}

void frmMain::connectControls()
{
    connect(ui.cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(ui.cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);
    connect(ui.cmbMode, &QComboBox::currentIndexChanged, this, &frmMain::cmbMode_Click);
    connect(ui.cmbSound, &QComboBox::currentIndexChanged, this, &frmMain::cmbSound_Click);
    connect(ui.cmdSpeechSpeak, &QPushButton::clicked, this, &frmMain::cmdSpeechSpeak_Click);
    connect(&m_run, &RunControl::stateChanged, this, &frmMain::runStateChanged);
}

void frmMain::connectSpeech()
{
    connect(m_speech.get(), &SpeechService::voicesListed, this, &frmMain::voicesListed);
    connect(ui.cmbSpeechEngine, &QComboBox::currentIndexChanged, m_speech.get(),
            &SpeechService::selectVoice);
    connect(m_speech.get(), &SpeechService::syncSliders, this, [this](int rate, int volume) {
        ui.sldSpeechRate->setValue(rate);
        ui.sldSpeechVolume->setValue(volume);
    });
    connect(ui.sldSpeechRate, &QSlider::valueChanged, this, &frmMain::sldSpeechRate_Change);
    connect(ui.sldSpeechVolume, &QSlider::valueChanged, this, &frmMain::sldSpeechVolume_Change);
    // The engine may take seconds to list its voices; the window does not
    // wait for it, and the voices appear when it is ready. It is started
    // once the window is first drawn (showEvent).
    connect(&m_speechProvider, &SpeechEngineProvider::engineReady, this, &frmMain::engineReady);
}

void frmMain::Form_Load()
{
    move(0, 0);
    m_files->SettingsDefault();
}

// The window is arranged for its settings before it is first shown, and its
// frame starts on the screen: a window manager places a window's inner area
// where it is asked to, so at (0, 0) the title bar would be above the screen.
void frmMain::placeOnScreen()
{
    ArrangeWindow();
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().topLeft());
}

// Listing the voices keeps a processor busy for a second or more: started
// before the first frame, it slowed that frame by a few milliseconds.
void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once shown, the window's frame is known: a window as tall as the screen
    // allows is fitted to it. A run kept from before is taken up then, since
    // a window manager minimizes only a window it has mapped.
    if (!std::exchange(m_speechRequested, true))
        afterFirstFrame(*windowHandle(), this, [this] {
            ArrangeWindow();
            resumeKeptRun();
            m_speechProvider.start();
        });
}

// The program ended before with its run armed, and not by the watchkeeper: the
// run goes on, on the tables it was started on; what fell due meanwhile shows.
void frmMain::resumeKeptRun()
{
    QString notice;
    const std::optional<RunRecord> kept = m_journal->keptRun(&notice);
    if (kept) {
        model(kept->mode).setTable(kept->table);
        ui.chkIntervalRound->setTristate(false);
        ui.chkIntervalRound->setChecked(kept->round);
        ui.cmbMode->setCurrentIndex(int(kept->mode));
        m_run.resume(*kept);
    }
    if (!notice.isEmpty()) {
        setStatusText(notice);
        beep();
    }
}

// ---- the run, as the window shows it

void frmMain::runStateChanged()
{
    const RunPhase phase = m_run.phase();
    const RunPhase was = std::exchange(m_shownPhase, phase);
    const bool running = m_run.isRunActive();
    const bool wasRunning = was == RunPhase::Armed || was == RunPhase::Showing;
    if (running && !wasRunning)
        runStarted();
    if (phase == RunPhase::Showing && m_run.alarm()) {
        messageForm().Start(*m_run.alarm());
    } else if (m_message && m_message->isAlerting()) {
        // Stopped from elsewhere: the alarm goes with the run.
        m_message->dismiss();
    }
    if (phase == RunPhase::Armed)
        runArmed();
    if (!running && (wasRunning || phase != was))
        runEnded();
    m_desktop->runStateChanged();
}

void frmMain::runStarted()
{
    setCaption(QStringLiteral("Vigiltide"));
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    setStateText(QStringLiteral("Running"));
    setStatusText(QString());
    SetRunControls(true);
}

void frmMain::runArmed()
{
    const QString timer = m_run.timerText();
    setCaption(timer);
    setStatusText(timer);
    // While a run is armed the machine must not sleep through an alarm.
    m_sleep.inhibit(QStringLiteral("Vigiltide alarm due at ") + formatHourMinute(m_run.NextDue()));
}

void frmMain::runEnded()
{
    m_sleep.release();
    SetRunControls(false);
    setCaption(QStringLiteral("Vigiltide"));
    showNormal();
    setStateText(m_run.phase() == RunPhase::Done ? QStringLiteral("Done")
                                                 : QStringLiteral("Stopped"));
    setStatusText(QString());
    if (!m_heldNotice.isEmpty())
        setStatusText(std::exchange(m_heldNotice, QString()));
    if (std::exchange(m_heldBeep, false))
        beep();
}

// The controls that can change under a run are off while it is armed; the
// button that can be pressed next is the one in bold.
void frmMain::SetRunControls(bool running)
{
    ui.cmbMode->setEnabled(!running);
    ui.chkIntervalRound->setEnabled(!running);
    ui.cmdStart->setEnabled(!running);
    setBold(ui.cmdStart, !running);
    ui.cmdStop->setEnabled(running);
    setBold(ui.cmdStop, running);
    for (AlarmTableView* table : m_grdTimer)
        table->setEnabled(!running);
    ui.cmbSound->setEnabled(!running);
    ui.cmbSpeechEngine->setEnabled(!running);
    ui.cmdSpeechSpeak->setEnabled(!running);
    ui.sldSpeechRate->setEnabled(!running);
    ui.sldSpeechVolume->setEnabled(!running);
}

void frmMain::setCaption(const QString& caption)
{
    setWindowTitle(caption);
    m_desktop->runStateChanged();
}

void frmMain::setStateText(const QString& text)
{
    m_state->setText(text);
    m_state->setAccessibleDescription(text);
}

frmMessage& frmMain::messageForm()
{
    if (!m_message) {
        m_message = std::make_unique<frmMessage>(*m_sound);
        connect(m_message.get(), &frmMessage::answered, &m_run, &RunControl::answer);
    }
    return *m_message;
}

// ---- status line

void frmMain::setStatusText(const QString& text)
{
    if (m_holdNotices) {
        m_heldNotice = text;
        return;
    }
    m_status->setFullText(text);
}

void frmMain::beep()
{
    if (m_holdNotices)
        m_heldBeep = true;
    else
        m_beeper.beep();
}

// ---- handlers

void frmMain::cmdStart_Click()
{
    endSpeakReading();
    m_editor->endCellEditing();
    AlarmTableView& table = currentTable();
    // Read afresh, so that a change needs no restart; told once the run is up.
    const QString hooksProblem = m_hooks->reload();
    const std::optional<TableFault> fault =
        m_run.StartRun(currentModel().table(), timerMode(), intervalRound());
    if (fault) {
        setStatusText(fault->text);
        beep();
        table.setCurrentCell(fault->row, fault->col);
        return;
    }
    warnSilentRun();
    reportHooksProblem(hooksProblem);
}

// A hooks file that is wrong runs nothing of it; the watchkeeper should know
// that nobody else will be called.
void frmMain::reportHooksProblem(const QString& problem)
{
    if (problem.isEmpty())
        return;
    setStatusText(QStringLiteral("Hooks Error, ") + problem);
    beep();
}

// Alarms that cannot be heard are said at Start, not first when one is due in
// a minimized window; the run still starts, and its alarms still flash.
void frmMain::warnSilentRun()
{
    const QString silence = m_beeper.silenceReason();
    if (m_run.isRunActive() && soundMode() == SoundMode::Beep && !silence.isEmpty()) {
        setStatusText(QStringLiteral("Sound Error, ") + silence);
        beep();
    }
}

void frmMain::cmdStop_Click()
{
    m_run.TimerStop();
}

// A new timer mode clears the status line and shows its own table.
void frmMain::cmbMode_Click()
{
    setStatusText(QString());
    ArrangeWindow();
}

void frmMain::cmbSound_Click()
{
    setStatusText(QString());
    m_sound->setMode(soundMode());
    // While the engine is starting its voices are not known yet; engineReady
    // tells when there are none.
    if (!m_speechStarting)
        warnSpeechWithoutVoices();
    ArrangeWindow();
}

void frmMain::warnSpeechWithoutVoices()
{
    if (soundMode() == SoundMode::Speech && ui.cmbSpeechEngine->count() == 0) {
        setStatusText(QStringLiteral("No Speech Voice Engines Installed"));
        beep();
    }
}

// ---- speech

void frmMain::engineReady()
{
    m_speechStarting = false;
    // During a run the status line shows the next alarm: what speech has to
    // say waits for the end of the run.
    m_holdNotices = m_run.isRunActive();
    // Selecting the first voice clears the status line; a notice given before,
    // such as a settings error at start-up, stays unless speech has its own.
    const QString notice = m_status->fullText();
    m_speech->SpeechLoad(m_speechProvider.takeEngine());
    if (ui.cmbSpeechEngine->count() > 0) {
        SpeechSettings stored = std::exchange(m_unlistedSpeech, {});
        applySpeech(stored);
    }
    // What choosing Speech would have said, had the voices been known then;
    // an engine that failed has said so itself, voices or none.
    if (m_speech->hasVoice())
        warnSpeechWithoutVoices();
    m_holdNotices = false;
    if (m_status->fullText().isEmpty())
        setStatusText(notice);
}

// Filling an empty list selects its first voice, which runs the selection
// handler; a list that had entries is pointed at the first one.
void frmMain::voicesListed(const QStringList& voices)
{
    QComboBox& list = *ui.cmbSpeechEngine;
    const bool wasEmpty = list.count() == 0;
    prepareForManyVoices(list);
    list.addItems(voices);
    if (!wasEmpty)
        list.setCurrentIndex(0);
}

void frmMain::sldSpeechRate_Change(int value)
{
    m_speech->setRate(value);
    ui.lblSpeechRate->setText(QString::number(value));
    keepUnlistedSlider(&SpeechSettings::rate, value);
}

void frmMain::sldSpeechVolume_Change(int value)
{
    m_speech->setVolume(value);
    ui.lblSpeechVolume->setText(QString::number(value));
    keepUnlistedSlider(&SpeechSettings::volume, value);
}

// Positions chosen before the voices are listed go to the voice then.
void frmMain::keepUnlistedSlider(std::optional<int> SpeechSettings::*field, int value)
{
    if (ui.cmbSpeechEngine->count() == 0)
        m_unlistedSpeech.*field = value;
}

void frmMain::keepUnlistedSpeech(const LoadOutcome& outcome)
{
    if (!outcome.unreadable && ui.cmbSpeechEngine->count() == 0)
        m_unlistedSpeech.merge(outcome.speech);
}

// Reads every message of the current table aloud, enabled or not, one after
// the other; the window stays responsive between messages.
void frmMain::cmdSpeechSpeak_Click()
{
    AlarmTableView& table = currentTable();
    const AlarmTableModel& model = currentModel();
    const quint64 round = ++m_speakRound;
    ui.cmdSpeechSpeak->setEnabled(false); // one reading at a time
    // Start, Default, Open... and closing end the reading between rows.
    for (int row = 1; row < model.table().Rows() && round == m_speakRound; ++row) {
        table.setCurrentCell(row, MessageColumn);
        m_speech->SpeechSpeak(model.table().text(row, MessageColumn), true);
        QCoreApplication::processEvents();
    }
    ui.cmdSpeechSpeak->setEnabled(!m_run.isRunActive());
}

void frmMain::endSpeakReading()
{
    ++m_speakRound;
    m_speech->endReading();
}

void frmMain::showSpeakRow()
{
    ui.cmdSpeechSpeak->setToolTip(QStringLiteral("Speak Message # ") +
                                  QString::number(currentTable().Row()));
}

// ---- settings shown in the controls

Settings frmMain::currentSettings() const
{
    Settings s;
    for (TimerMode mode : {TimerMode::Interval, TimerMode::Time})
        s.table(mode) = model(mode).table();
    const Qt::CheckState round = ui.chkIntervalRound->checkState();
    s.round = round == Qt::PartiallyChecked ? RoundState::Greyed
              : round == Qt::Checked        ? RoundState::Ticked
                                            : RoundState::Clear;
    s.mode = timerMode();
    s.sound = soundMode();
    const bool listed = ui.cmbSpeechEngine->count() > 0;
    const int engine = ui.cmbSpeechEngine->currentIndex();
    // While no voices are listed, the voice read from the file is written back.
    s.speech.engine = listed ? engine : m_unlistedSpeech.engine.value_or(engine);
    s.speech.voice =
        listed ? std::optional(ui.cmbSpeechEngine->currentText()) : m_unlistedSpeech.voice;
    s.speech.rate = ui.sldSpeechRate->value();
    s.speech.volume = ui.sldSpeechVolume->value();
    return s;
}

// In the order the file holds them; a change of mode or sound runs that
// control's own handling. Each table's cursor goes to its last entry's message.
void frmMain::applySettings(const Settings& s, const SpeechSettings& speech)
{
    m_editor->endCellEditing();
    for (TimerMode mode : {TimerMode::Interval, TimerMode::Time}) {
        model(mode).setTable(s.table(mode));
        if (s.table(mode).entries() > 0)
            m_grdTimer[int(mode)]->setCurrentCell(s.table(mode).Rows() - 1, MessageColumn);
    }
    ui.chkIntervalRound->setTristate(s.round == RoundState::Greyed);
    ui.chkIntervalRound->setCheckState(s.round == RoundState::Greyed   ? Qt::PartiallyChecked
                                       : s.round == RoundState::Ticked ? Qt::Checked
                                                                       : Qt::Unchecked);
    ui.cmbMode->setCurrentIndex(int(s.mode));
    ui.cmbSound->setCurrentIndex(int(s.sound));
    applySpeech(speech);
    showSpeakRow();
}

void frmMain::applySpeech(SpeechSettings speech)
{
    QComboBox& list = *ui.cmbSpeechEngine;
    // The voice waits until the voices are listed; the sliders do not.
    if (list.count() == 0) {
        speech.engine.reset();
        speech.voice.reset();
    }
    const int named = speech.voice ? list.findText(*speech.voice) : -1;
    if (named >= 0)
        list.setCurrentIndex(named);
    else if (speech.engine && *speech.engine < list.count())
        list.setCurrentIndex(*speech.engine);
    if (speech.rate)
        ui.sldSpeechRate->setValue(*speech.rate);
    if (speech.volume)
        ui.sldSpeechVolume->setValue(*speech.volume);
}

void frmMain::reportSettingsProblem(const QString& prefix, const LoadOutcome& outcome)
{
    if (outcome.problem.isEmpty())
        return;
    setStatusText(prefix + outcome.problem);
    beep();
}

// ---- the desktop and the end

void frmMain::attachTray(TrayIcon* tray)
{
    m_desktop->attachTray(tray);
}

void frmMain::attachNotifier(DesktopNotifier* notifier)
{
    m_desktop->attachNotifier(notifier);
}

void frmMain::closeForSystem(const QString& how, bool watchkeepersEnd)
{
    m_files->closeForSystem(how, watchkeepersEnd);
}

void frmMain::sessionEnding()
{
    m_journal->programEnding(false, tr("the session ended"));
    m_hooks->programEnding(false);
}

void frmMain::bringForward()
{
    m_desktop->bringForward();
}

void frmMain::activationRequested(bool start)
{
    bringForward();
    if (start && !m_run.isRunActive())
        cmdStart_Click();
}

void frmMain::saveForSession()
{
    m_files->saveForSession();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_files->closeEvent())
        return event->ignore();
    const std::optional<std::pair<QString, bool>> ending = m_files->endedFromOutside();
    const bool watchkeepersEnd = !ending || ending->second;
    if (m_message && watchkeepersEnd)
        m_message->close(); // as its close box: the run goes on till the end
    else if (m_message)
        m_message->dismiss(); // kept open, to show again when the run is taken up
    m_desktop->withdraw();
    m_journal->programEnding(watchkeepersEnd,
                             ending ? ending->first : tr("closed by the watchkeeper"));
    m_hooks->programEnding(watchkeepersEnd);
    m_speech->SpeechRelease();
    event->accept();
}

} // namespace vt
