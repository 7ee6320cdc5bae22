// SPDX-License-Identifier: MIT
#include "ui/main/filecommands.h"

#include "settings/profilefile.h"
#include "ui/about/frmAbout.h"
#include "ui/main/celleditor.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <optional>

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
        QMessageBox ask(
            QMessageBox::Warning, windowTitle(),
            tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()),
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

FileCommands::FileCommands(frmMain& window, const QString& defaultSettingsFile)
    : QObject(&window), m_window(window), m_defaultSettingsFile(defaultSettingsFile)
{
    const Ui::frmMain& ui = window.form();
    connect(ui.mnuFileDefault, &QAction::triggered, this, &FileCommands::mnuFileDefault_Click);
    connect(ui.mnuFileRecall, &QAction::triggered, this, &FileCommands::mnuFileRecall_Click);
    connect(ui.mnuFileSave, &QAction::triggered, this, &FileCommands::mnuFileSave_Click);
    connect(ui.mnuFileExit, &QAction::triggered, this, &FileCommands::mnuFileExit_Click);
    connect(ui.mnuHelpAbout, &QAction::triggered, this, &FileCommands::mnuHelpAbout_Click);
}

// The About box has no owner (it is modeless and stays when the main window is
// minimized), so it goes with the window here.
FileCommands::~FileCommands()
{
    delete m_about.data();
}

void FileCommands::setSettingsFile(const QString& path)
{
    sSettingsFile = path;
    emit settingsFileChanged(path);
}

void FileCommands::SettingsDefault()
{
    setSettingsFile(m_defaultSettingsFile);
    Settings settings = m_window.currentSettings();
    vt::SettingsDefault(settings);
    // The first voice, if some voice is chosen; the sliders stay.
    SpeechSettings speech;
    if (m_window.form().cmbSpeechEngine->currentIndex() >= 0)
        speech.engine = 0;
    m_window.applySettings(settings, speech);
}

// Start-up's load of the current settings file.
void FileCommands::SettingsLoad()
{
    Settings settings = m_window.currentSettings();
    const LoadOutcome outcome = vt::SettingsLoad(sSettingsFile, settings);
    if (!outcome.unreadable)
        m_window.applySettings(settings, outcome.speech);
    m_window.keepUnlistedSpeech(outcome);
    m_window.reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
}

void FileCommands::loadStartSettings(const QString& startFile)
{
    if (startFile.isEmpty()) {
        SettingsLoad();
        return;
    }
    Settings settings = m_window.currentSettings();
    const LoadOutcome outcome = vt::SettingsLoad(startFile, settings);
    if (outcome.unreadable) {
        // As after a failed Open...: the default file stays the current one.
        SettingsLoad();
        m_window.reportSettingsProblem(QStringLiteral("Open Error, "), outcome);
        return;
    }
    setSettingsFile(startFile);
    m_window.applySettings(settings, outcome.speech);
    m_window.keepUnlistedSpeech(outcome);
    m_window.reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
}

// Every File command ends cell editing first: its dialog takes the focus
// without ending it, and the next keystroke would land in whatever cell the
// command left current.
void FileCommands::endCellEditing()
{
    m_window.editor().endCellEditing();
}

// Default and Open... refill the tables; a run must not go on over entries
// that are no longer the ones it was started on.
void FileCommands::stopRunForRefill()
{
    m_window.endSpeakReading();
    if (m_window.run().isRunActive())
        m_window.run().TimerStop();
}

void FileCommands::mnuFileDefault_Click()
{
    endCellEditing();
    stopRunForRefill();
    SettingsDefault();
    m_window.ArrangeWindow();
}

void FileCommands::mnuFileRecall_Click()
{
    endCellEditing();
    const std::optional<QString> chosen =
        askForFile(&m_window, QFileDialog::AcceptOpen, sSettingsFile);
    if (!chosen)
        return;
    // Read first: a file that cannot be read changes nothing, neither the
    // run nor the tables nor the current settings file.
    ProfileFile file;
    QString error;
    if (!file.load(*chosen, &error)) {
        m_window.setStatusText(QStringLiteral("Open Error, ") + error);
        m_window.beep();
        return;
    }
    stopRunForRefill();
    Settings settings = m_window.currentSettings();
    const LoadOutcome outcome = vt::SettingsLoad(file, settings);
    setSettingsFile(*chosen);
    m_window.applySettings(settings, outcome.speech);
    m_window.keepUnlistedSpeech(outcome);
    m_window.reportSettingsProblem(QStringLiteral("Settings Error, "), outcome);
    // The loaded tables may have another number of rows than the shown ones.
    m_window.ArrangeWindow();
}

bool FileCommands::save(const QString& path)
{
    QString error;
    if (SettingsSave(m_window.currentSettings(), path, &error))
        return true;
    m_window.setStatusText(QStringLiteral("Save Error, ") + error);
    m_window.beep();
    return false;
}

void FileCommands::mnuFileSave_Click()
{
    endCellEditing();
    const std::optional<QString> chosen =
        askForFile(&m_window, QFileDialog::AcceptSave, sSettingsFile);
    if (!chosen || !save(*chosen))
        return;
    setSettingsFile(*chosen);
    // Saving leaves each table's cursor on its last entry's message.
    for (int mode = 0; mode < 2; ++mode) {
        AlarmTableView* table = m_window.grdTimer(mode);
        if (table->Rows() > 1)
            table->setCurrentCell(table->Rows() - 1, MessageColumn);
    }
    armCloseWithoutSaving(false);
}

void FileCommands::mnuFileExit_Click()
{
    m_window.close();
}

bool FileCommands::closeEvent()
{
    endCellEditing();
    m_window.endSpeakReading();
    QString error;
    if (!SettingsSave(m_window.currentSettings(), sSettingsFile, &error) && !m_closeRefused &&
        !m_ending) {
        // Once, the window stays open so the watchkeeper can save elsewhere;
        // a second close right after ends without saving.
        m_window.setStatusText(QStringLiteral("Save Error, ") + error);
        m_window.beep();
        armCloseWithoutSaving(true);
        return false;
    }
    if (m_about)
        m_about->close();
    return true;
}

void FileCommands::closeForSystem(const QString& how, bool watchkeepersEnd)
{
    m_ending = std::pair(how, watchkeepersEnd);
    m_window.close();
    // Also ends a file dialog or menu that is open meanwhile.
    QCoreApplication::quit();
}

// Only saves: the session may still be kept (another program can refuse the
// logout), and a watch must not end for a logout that did not happen. The
// session manager ends the program afterwards if the logout goes on.
void FileCommands::saveForSession()
{
    endCellEditing();
    save(sSettingsFile);
}

// After a refused close only the very next close may end without saving: any
// other thing the watchkeeper does in the program takes that back, so a save
// failing hours later is reported again.
void FileCommands::armCloseWithoutSaving(bool armed)
{
    if (armed == m_closeRefused)
        return;
    m_closeRefused = armed;
    if (armed)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool FileCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (m_closeRefused && isOtherUserAction(watched, event))
        armCloseWithoutSaving(false);
    return QObject::eventFilter(watched, event);
}

bool FileCommands::isOtherUserAction(QObject* watched, QEvent* event)
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

void FileCommands::mnuHelpAbout_Click()
{
    if (!m_about) {
        m_about = new frmAbout;
        m_about->setWindowIcon(m_window.windowIcon());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace vt
