// SPDX-License-Identifier: MIT
// The main window: the alarm tables of both timer modes, the run controls, the
// sound settings and the status bar. It lays itself out, shows the run's state
// in its controls, caption and status bar, and hosts the pieces that each do
// one job: the cell editor, the row menu, the file commands and the desktop
// around it (tray and notifications).
#pragma once

#include "core/modes.h"
#include "core/runcontrol.h"
#include "core/runjournal.h"
#include "platform/sleepinhibitor.h"
#include "settings/settings.h"
#include "speech/alarmsound.h"
#include "speech/beeper.h"
#include "speech/speechengine.h"
#include "speech/speechservice.h"
#include "ui/main/alarmtablemodel.h"
#include "ui_frmMain.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QLabel;

namespace vt
{

class CellEditor;
class Clock;
class DesktopLink;
class DesktopNotifier;
class FileCommands;
class HooksLink;
class RowMenu;
class StatusLabel;
class TrayIcon;
class frmMessage;

class frmMain : public QMainWindow, public StatusReporter
{
    Q_OBJECT

public:
    // defaultSettingsFile: the settings file of start-up and File, Default.
    // startFile: when given, the settings file of start-up instead (the
    // command line's FILE); the default one stands in when it cannot be read.
    frmMain(const Clock& clock, Beeper& beeper, SpeechEngineProvider& speechProvider,
            SleepInhibitor& sleep, const QString& defaultSettingsFile,
            const QString& startFile = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // The desktop around the window, attached once the window is shown;
    // either may be null where the desktop lacks it.
    void attachTray(TrayIcon* tray);
    void attachNotifier(DesktopNotifier* notifier);
    // Ended from outside (a signal): saves and closes as the close box does,
    // but never stays open for a failed save, since nobody may be there to
    // answer. Unless it is the watchkeeper's own end (Ctrl+C), the run is
    // kept, its alarm open, to be taken up at the next start. how: for the log.
    void closeForSystem(const QString& how, bool watchkeepersEnd);
    // The program is quitting without a close (the session ended it).
    void sessionEnding();
    // A second start for the same settings file asked for this window; with
    // start, its run is started too.
    void activationRequested(bool start);
    // The open alarm, or else the main window, to the front.
    void bringForward();
    // The session is ending: saves now, so nothing is lost whatever follows.
    void saveForSession();

    // The status line and the beep of every failure and notice.
    void setStatusText(const QString& text) override;
    void beep() override;

    void ArrangeWindow();
    // Height in twips at which every row of the table shows, with 100 to spare.
    int TableContentHeight(const AlarmTableView& table) const;

    TimerMode timerMode() const;
    SoundMode soundMode() const;
    bool intervalRound() const;
    AlarmTableModel& model(TimerMode mode) const { return *m_models[int(mode)]; }
    AlarmTableView* grdTimer(int index) const { return m_grdTimer.at(index); }
    AlarmTableView& currentTable() const;
    AlarmTableModel& currentModel() const;
    RunControl& run() { return m_run; }
    const RunControl& run() const { return m_run; }
    QLabel* statePanel() const { return m_state; }
    QLabel* statusPanel() const;
    // The status line's whole text, which the panel may show shortened.
    QString statusText() const;
    // Null until the first alarm.
    frmMessage* messageWindow() const { return m_message.get(); }
    const Ui::frmMain& form() const { return ui; }
    Ui::frmMain& form() { return ui; }
    SpeechService& speech() { return *m_speech; }
    const QString& settingsFile() const;
    // Null while the About box is closed.
    QWidget* aboutBox() const;
    CellEditor& editor() const { return *m_editor; }
    HooksLink& hooks() const { return *m_hooks; }

    // Ends a reading of the Speak button (Start, Default, Open... and closing
    // do, so that it cannot keep a Speech alarm from being heard).
    void endSpeakReading();
    // Shows the cursor's row in the Speak button's tool tip.
    void showSpeakRow();
    // The File menu's views of the settings.
    Settings currentSettings() const;
    void applySettings(const Settings& settings, const SpeechSettings& speech);
    void keepUnlistedSpeech(const LoadOutcome& outcome);
    // The voice first, by its description when that is listed, otherwise by
    // its index (one beyond the list is ignored); its selection moves the
    // sliders to the voice's own values, which the stored positions replace.
    void applySpeech(SpeechSettings speech);
    // Reports a problem of a loaded file with its prefix ("Settings Error, ").
    void reportSettingsProblem(const QString& prefix, const LoadOutcome& outcome);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setupStatusBar();
    void describeControls();
    void connectControls();
    void connectSpeech();
    void fitWidthToColumns();
    int fitFrames(AlarmTableView& current);
    void placeOnScreen();
    frmMessage& messageForm();

    void Form_Load();
    void resumeKeptRun();
    void Form_Resize();
    void engineReady();
    void voicesListed(const QStringList& voices);
    void keepUnlistedSlider(std::optional<int> SpeechSettings::*field, int value);
    void warnSpeechWithoutVoices();
    void warnSilentRun();
    void reportHooksProblem(const QString& problem);
    void cmdStart_Click();
    void cmdStop_Click();
    void cmbMode_Click();
    void cmbSound_Click();
    void cmdSpeechSpeak_Click();
    void sldSpeechRate_Change(int value);
    void sldSpeechVolume_Change(int value);

    // The run's state, as the window shows it.
    void runStateChanged();
    void SetRunControls(bool running);
    void runStarted();
    void runArmed();
    void runEnded();
    void setCaption(const QString& caption);
    void setStateText(const QString& text);

    int tw(int twips) const; // twips to logical pixels

    Ui::frmMain ui;
    std::array<AlarmTableModel*, 2> m_models{};
    std::array<AlarmTableView*, 2> m_grdTimer{};
    QLabel* m_state = nullptr;
    StatusLabel* m_status = nullptr;
    RunControl m_run;
    RunPhase m_shownPhase = RunPhase::Stopped;
    Beeper& m_beeper;
    SpeechEngineProvider& m_speechProvider;
    SleepInhibitor& m_sleep;
    std::unique_ptr<SpeechService> m_speech;
    std::unique_ptr<AlarmSound> m_sound;
    std::unique_ptr<frmMessage> m_message;
    std::unique_ptr<CellEditor> m_editor;
    std::unique_ptr<RowMenu> m_rowMenu;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<DesktopLink> m_desktop;
    std::unique_ptr<RunJournal> m_journal;
    std::unique_ptr<HooksLink> m_hooks;
    // Speech values read from a file, and slider positions chosen, while no
    // voices were listed: applied once they are, and the voice written back
    // unchanged until then, also when the engine failed or timed out.
    SpeechSettings m_unlistedSpeech;
    // Until the engine is ready or has failed, whether it has voices is not known.
    bool m_speechStarting = true;
    bool m_speechRequested = false; // the engine is asked for once the window is first shown
    // Notices that came while a run was armed, where the next alarm is shown:
    // given once the run has ended.
    bool m_holdNotices = false;
    QString m_heldNotice;
    bool m_heldBeep = false;
    // Counts the Speak button's readings; a new count ends the one going on.
    quint64 m_speakRound = 0;
};

} // namespace vt
