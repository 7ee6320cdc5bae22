// SPDX-License-Identifier: MIT
// The main window: the alarm tables of both timer modes, the run controls, the
// sound settings and the status bar. It hosts the run, answers for the message
// window, edits cells in place and offers the row commands.
#pragma once

#include "core/picture.h"
#include "core/runcontrol.h"
#include "platform/sleepinhibitor.h"
#include "settings/settings.h"
#include "speech/beeper.h"
#include "speech/speechengine.h"
#include "speech/speechservice.h"
#include "ui/message/frmMessage.h"
#include "ui_frmMain.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace vt
{

class Clock;
class DesktopNotifier;
class TrayIcon;

// A cell of a table, -1 where a point lies outside all rows or columns.
struct CellHit {
    int row = -1;
    int col = -1;
};

class frmMain : public QMainWindow, private RunHost, public MessageHost
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
    // Ended by the system: saves and closes as the close box does, but never
    // stays open for a failed save, since nobody is there to answer.
    void closeForSystem();
    // The session is ending: saves now, so nothing is lost whatever follows.
    void saveForSession();

    // Answers from the message window, and the sounds it asks for.
    void answerContinue(const AlarmId& alarm) override;
    void answerStop(const AlarmId& alarm) override;
    int SoundMode() const override;
    bool SpeechSpeak(const QString& sMessage, bool wait) override;
    void SpeechStop() override;
    void beep() override;
    void alarmBeep() override;

    void ArrangeWindow() override;
    // Height in twips at which every row of the table shows, with 100 to spare.
    int TableContentHeight(const TableControl& table) const;

    TableControl* grdTimer(int index) const { return m_grdTimer.at(index); }
    TableControl& currentTable() const;
    const RunControl& run() const { return m_run; }
    QLabel* statePanel() const { return m_state; }
    QLabel* statusPanel() const { return m_status; }
    // Null until the first alarm.
    frmMessage* messageWindow() const { return m_message.get(); }
    const QTimer& tick() const { return tmrTimer; }
    const Ui::frmMain& form() const { return ui; }
    const SpeechService& speech() const { return *m_speech; }
    SpeechService& speech() { return *m_speech; }
    const QString& settingsFile() const { return sSettingsFile; }
    // Null while the About box is closed.
    QWidget* aboutBox() const { return m_about.data(); }

    // Cell editor and row commands, as the table's mouse events reach them.
    static CellHit HitTestCell(const TableControl& table, int x, int y);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // RunHost
    int timerMode() const override;
    bool intervalRound() const override;
    TableControl* timerTable(int mode) override;
    RunControls runControls() override;
    void setCaption(const QString& caption) override;
    void minimizeWindow() override;
    void restoreWindow() override;
    void setStateText(const QString& text) override;
    void setStatusText(const QString& text) override;
    void setTickEnabled(bool enabled) override;
    void setMessageCaption(const QString& caption) override;
    void keepAwake(const QString& why) override;
    void allowSleep() override;
    void runEnded() override;
    void showMessage(const AlarmId& alarm, const QString& message, ColorValue backColor,
                     ColorValue foreColor) override;
    void closeMessage() override;

    void setupStatusBar();
    void describeControls();
    void connectControls();
    void connectTable(TableControl* table);
    void connectRowMenu();
    void fitWidthToColumns();
    int fitFrames(TableControl& current);
    frmMessage& messageForm();

    void Form_Load();
    void loadStartSettings();
    void Form_Resize();
    void SettingsDefault();
    void SettingsLoad();
    SettingsControls settingsControls() const;
    void engineReady();
    void keepUnlistedSpeech(const LoadOutcome& outcome);
    void keepUnlistedSlider(std::optional<int> SpeechSettings::*field, int value);
    void warnSpeechWithoutVoices();
    void endSpeakReading();
    void warnSilentRun();
    void reportSettingsProblem(const QString& prefix, const LoadOutcome& outcome);
    void stopRunForRefill();
    void endCellEditing();
    void armCloseWithoutSaving(bool armed);
    static bool isOtherUserAction(QObject* watched, QEvent* event);
    void connectFileMenu();
    void mnuFileDefault_Click();
    void mnuFileRecall_Click();
    void mnuFileSave_Click();
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();
    void cmdStart_Click();
    void cmdStop_Click();
    void cmbMode_Click();
    void cmbSound_Click();
    void tmrTimer_Timer();

    // Tray icon and notifications.
    QString trayText() const;
    void updateTray();
    void alarmShown(const QString& message);
    void alarmAnswered();
    void showMainWindow();
    void bringForward();
    void cmdSpeechSpeak_Click();
    void mnuTimerSpeak();

    // In-place cell editor.
    void grdTimer_MouseMove(TableControl* table, int button, int shift, int x, int y);
    void grdTimer_MouseUp(TableControl* table, int button, int shift, int x, int y);
    void UpdateTableToolTip(TableControl& table, int x, int y);
    void HandleTableClick(TableControl& table, int button, int shift, int x, int y);
    void OpenCellEditor(TableControl& table, int& row, int& col);
    void txtTimer_Change(const QString& text);
    void txtTimer_KeyDown(int keyCode, int shift);
    void txtTimer_GotFocus();
    void txtTimer_LostFocus();
    void SetTabStops(bool flag);
    void placeEditor(const TableControl& table);
    void openRowMenu(TableControl& table, int row, int col, const QPoint& globalPos);

    // Row commands.
    void mnuTimer_Click();
    void mnuTimerResetColor();
    void mnuTimerBackColor();
    void mnuTimerForeColor();
    void chooseMessageColor(bool background);
    void mnuTimerMoveUp();
    void mnuTimerMoveDown();
    void mnuTimerInsert();
    void mnuTimerDelete();

    int tw(int twips) const; // twips to logical pixels
    int pixelsToTw(int pixels) const;

    Ui::frmMain ui;
    std::array<TableControl*, 2> m_grdTimer{};
    ImageList m_images;
    QLabel* m_state = nullptr;
    QLabel* m_status = nullptr;
    QTimer tmrTimer;
    RunControl m_run;
    Beeper& m_beeper;
    SpeechEngineProvider& m_speechProvider;
    SleepInhibitor& m_sleep;
    std::unique_ptr<SpeechService> m_speech;
    std::unique_ptr<frmMessage> m_message;
    QPointer<QWidget> m_about;
    QString m_defaultSettingsFile;
    QString m_startFile;
    QPointer<TrayIcon> m_tray;
    QPointer<DesktopNotifier> m_notifier;
    QString sSettingsFile;
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
    bool m_closeRefused = false;
    bool m_closingForSystem = false;
};

} // namespace vt
