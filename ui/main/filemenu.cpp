// SPDX-License-Identifier: MIT
// The settings file in the main window: start-up loading, the File menu
// (Default, Open..., Save..., Exit), saving at close, and the About box.
#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "settings/profilefile.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace vt
{

namespace
{

const QString kFilter = QStringLiteral("File (*.ini)");

// The file dialog asks before replacing a file, and both ask window-modally:
// an alarm that comes meanwhile can still be answered. (Qt's own question is
// modal to the whole program.)
class SettingsFileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (acceptMode() == AcceptSave && files.size() == 1 && QFileInfo(files[0]).isFile() &&
            !replaceConfirmed(files[0]))
            return;
        QFileDialog::accept();
    }

private:
    bool replaceConfirmed(const QString& path)
    {
        QMessageBox ask(QMessageBox::Warning, windowTitle(),
                        tr("%1 already exists.\nDo you want to replace it?")
                            .arg(QFileInfo(path).fileName()),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setDefaultButton(QMessageBox::No);
        ask.setWindowModality(Qt::WindowModal);
        return ask.exec() == QMessageBox::Yes;
    }
};

// The dialog starts in the current file's folder with its name filled in.
// Nothing changes when it is cancelled.
std::optional<QString> askForFile(QWidget* parent, QFileDialog::AcceptMode mode,
                                  const QString& current)
{
    SettingsFileDialog dialog(parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
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
    const LoadOutcome outcome = vt::SettingsLoad(settingsControls(), sSettingsFile);
    keepUnlistedSpeech(outcome);
    reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
}

void frmMain::keepUnlistedSpeech(const LoadOutcome& outcome)
{
    if (!outcome.unreadable && ui.cmbSpeechEngine->count() == 0)
        m_unlistedSpeech.merge(outcome.speech);
}

void frmMain::keepUnlistedSlider(std::optional<int> SpeechSettings::*field, int value)
{
    if (ui.cmbSpeechEngine->count() == 0)
        m_unlistedSpeech.*field = value;
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
    m_speechStarting = false;
    // During a run the status line shows the next alarm: what speech has to
    // say waits for the end of the run.
    m_holdNotices = m_run.isRunActive();
    // Selecting the first voice clears the status line; a notice given before,
    // such as a settings error at start-up, stays unless speech has its own.
    const QString notice = m_status->text();
    m_speech->SpeechLoad(m_speechProvider.takeEngine());
    if (ui.cmbSpeechEngine->count() > 0) {
        ApplySpeechSettings(settingsControls(), m_unlistedSpeech);
        m_unlistedSpeech = {};
    }
    // What choosing Speech would have said, had the voices been known then;
    // an engine that failed has said so itself, voices or none.
    if (m_speech->hasVoice())
        warnSpeechWithoutVoices();
    m_holdNotices = false;
    if (m_status->text().isEmpty())
        setStatusText(notice);
}

// Default and Open... refill the tables; a run must not go on over entries
// that are no longer the ones it was started on.
void frmMain::stopRunForRefill()
{
    if (m_run.isRunActive())
        m_run.TimerStop();
}

// Every File command ends cell editing first: its dialog takes the focus
// without ending it, and loading or saving moves the current cell, so the next
// keystroke would land in another cell.
void frmMain::endCellEditing()
{
    if (!ui.txtTimer->isVisible())
        return;
    // The keyboard goes back to the table's cursor. Hiding the editor alone
    // would leave it the focus, since no other control is a tab stop while
    // editing, and keystrokes would still reach the current cell.
    currentTable().setFocus(Qt::OtherFocusReason);
    txtTimer_LostFocus();
}

void frmMain::mnuFileDefault_Click()
{
    endCellEditing();
    endSpeakReading();
    stopRunForRefill();
    SettingsDefault();
    ArrangeWindow();
}

void frmMain::mnuFileRecall_Click()
{
    endCellEditing();
    const std::optional<QString> chosen = askForFile(this, QFileDialog::AcceptOpen, sSettingsFile);
    if (!chosen)
        return;
    // Read first: a file that cannot be read changes nothing, neither the
    // run nor the tables nor the current settings file.
    ProfileFile file;
    QString error;
    if (!file.load(*chosen, &error)) {
        setStatusText(QStringLiteral("Open Error, ") + error);
        beep();
        return;
    }
    endSpeakReading();
    stopRunForRefill();
    const LoadOutcome outcome = vt::SettingsLoad(settingsControls(), file);
    sSettingsFile = *chosen;
    keepUnlistedSpeech(outcome);
    reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
    // The loaded tables may have another number of rows than the shown ones.
    ArrangeWindow();
}

void frmMain::mnuFileSave_Click()
{
    endCellEditing();
    const std::optional<QString> chosen = askForFile(this, QFileDialog::AcceptSave, sSettingsFile);
    if (!chosen)
        return;
    QString error;
    if (!SettingsSave(settingsControls(), *chosen, m_unlistedSpeech, &error)) {
        setStatusText(QStringLiteral("Save Error, ") + error);
        beep();
        return;
    }
    sSettingsFile = *chosen;
    armCloseWithoutSaving(false);
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    endCellEditing();
    endSpeakReading();
    QString error;
    if (!SettingsSave(settingsControls(), sSettingsFile, m_unlistedSpeech, &error) &&
        !m_closeRefused && !m_closingForSystem) {
        // Once, the window stays open so the watchkeeper can save elsewhere;
        // a second close right after ends without saving.
        setStatusText(QStringLiteral("Save Error, ") + error);
        beep();
        armCloseWithoutSaving(true);
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

// After a refused close only the very next close may end without saving: any
// other thing the watchkeeper does in the program takes that back, so a save
// failing hours later is reported again.
void frmMain::armCloseWithoutSaving(bool armed)
{
    if (armed == m_closeRefused)
        return;
    m_closeRefused = armed;
    if (armed)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool frmMain::isOtherUserAction(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::KeyPress)
        return false;
    // Reaching File, Exit by menu is the close itself, not another action.
    if (qobject_cast<QMenu*>(watched) || qobject_cast<QMenuBar*>(watched))
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & Qt::AltModifier || key->key() == Qt::Key_Alt)
            return false;
    }
    return watched->isWidgetType();
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
