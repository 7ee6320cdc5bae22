// SPDX-License-Identifier: MIT
// The settings file in the main window: start-up loading, the File menu
// (Default, Open..., Save..., Exit), saving at close, and the About box.
#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

#include <QCloseEvent>
#include <QFileDialog>

namespace vt
{

namespace
{

const QString kFilter = QStringLiteral("File (*.ini)");

// The dialog starts in the current file's folder with its name filled in.
// Nothing changes when it is cancelled.
std::optional<QString> askForFile(QWidget* parent, QFileDialog::AcceptMode mode,
                                  const QString& current)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(kFilter);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.selectFile(current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void frmMain::connectFileMenu()
{
    connect(ui.mnuFileDefault, &QAction::triggered, this, &frmMain::mnuFileDefault_Click);
    connect(ui.mnuFileRecall, &QAction::triggered, this, &frmMain::mnuFileRecall_Click);
    connect(ui.mnuFileSave, &QAction::triggered, this, &frmMain::mnuFileSave_Click);
    connect(ui.mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(ui.mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
}

SettingsControls frmMain::settingsControls() const
{
    SettingsControls c;
    c.grdTimer = {m_grdTimer[0], m_grdTimer[1]};
    c.chkIntervalRound = ui.chkIntervalRound;
    c.cmbMode = ui.cmbMode;
    c.cmbSound = ui.cmbSound;
    c.cmbSpeechEngine = ui.cmbSpeechEngine;
    c.sldSpeechRate = ui.sldSpeechRate;
    c.sldSpeechVolume = ui.sldSpeechVolume;
    c.cmdSpeechSpeak = ui.cmdSpeechSpeak;
    return c;
}

void frmMain::SettingsDefault()
{
    sSettingsFile = m_defaultSettingsFile;
    vt::SettingsDefault(settingsControls());
}

// Start-up's load of the program's own settings file.
void frmMain::SettingsLoad()
{
    const bool voicesReady = m_speech->hasVoice();
    const LoadOutcome outcome = vt::SettingsLoad(settingsControls(), sSettingsFile, voicesReady);
    if (!outcome.unreadable && !voicesReady)
        m_pendingSpeech = outcome.speech;
    reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
}

void frmMain::reportSettingsProblem(const QString& prefix, const LoadOutcome& outcome)
{
    if (outcome.problem.isEmpty())
        return;
    setStatusText(prefix + outcome.problem);
    beep();
}

void frmMain::engineReady()
{
    // Selecting the first voice clears the status line; a notice given at
    // start-up, before the voices were listed, stays unless speech fails.
    const QString notice = m_status->text();
    m_speech->SpeechLoad(m_speechProvider.takeEngine());
    // The file's voice, rate and volume, read before the voices were listed.
    if (m_pendingSpeech && m_speech->hasVoice())
        ApplySpeechSettings(settingsControls(), *m_pendingSpeech);
    m_pendingSpeech.reset();
    if (m_status->text().isEmpty())
        setStatusText(notice);
}

// Default and Open... refill the tables; a run must not go on over entries
// that are no longer the ones it was started on.
void frmMain::stopRunForRefill()
{
    if (m_message && m_message->isVisible())
        m_message->answerStop();
    else if (m_run.isRunActive())
        m_run.TimerStop();
}

void frmMain::mnuFileDefault_Click()
{
    ui.txtTimer->hide();
    stopRunForRefill();
    SettingsDefault();
    ArrangeWindow();
}

void frmMain::mnuFileRecall_Click()
{
    const std::optional<QString> chosen = askForFile(this, QFileDialog::AcceptOpen, sSettingsFile);
    if (!chosen)
        return;
    stopRunForRefill();
    const bool voicesReady = m_speech->hasVoice();
    const LoadOutcome outcome = vt::SettingsLoad(settingsControls(), *chosen, voicesReady);
    if (outcome.unreadable) {
        // The current settings file stays the one that was read last.
        reportSettingsProblem(QStringLiteral("Open Error, "), outcome);
        return;
    }
    sSettingsFile = *chosen;
    m_pendingSpeech = voicesReady ? std::nullopt : std::optional(outcome.speech);
    reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
    // The loaded tables may have another number of rows than the shown ones.
    ArrangeWindow();
}

void frmMain::mnuFileSave_Click()
{
    const std::optional<QString> chosen = askForFile(this, QFileDialog::AcceptSave, sSettingsFile);
    if (!chosen)
        return;
    QString error;
    if (!SettingsSave(settingsControls(), *chosen, m_pendingSpeech ? &*m_pendingSpeech : nullptr,
                      &error)) {
        setStatusText(QStringLiteral("Save Error, ") + error);
        beep();
        return;
    }
    sSettingsFile = *chosen;
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    QString error;
    if (!SettingsSave(settingsControls(), sSettingsFile,
                      m_pendingSpeech ? &*m_pendingSpeech : nullptr, &error) &&
        !m_closeRefused && !m_closingForSystem) {
        // Once, the window stays open so the watchkeeper can save elsewhere;
        // a second close in a row ends without saving.
        m_closeRefused = true;
        setStatusText(QStringLiteral("Save Error, ") + error);
        beep();
        event->ignore();
        return;
    }
    if (m_message)
        m_message->close();
    if (m_about)
        m_about->close();
    m_speech->SpeechRelease();
    event->accept();
}

void frmMain::mnuHelpAbout_Click()
{
    if (!m_about) {
        m_about = new frmAbout;
        m_about->setWindowIcon(windowIcon());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace vt
