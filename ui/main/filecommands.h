// SPDX-License-Identifier: MIT
// The settings file in the main window: the current settings file, start-up
// loading, the File menu (Default, Open..., Save..., Exit), saving at close
// and at the end of the session, and the About box of the Help menu.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <utility>

namespace vt
{

class frmMain;

class FileCommands : public QObject
{
    Q_OBJECT

public:
    FileCommands(frmMain& window, const QString& defaultSettingsFile);
    ~FileCommands() override;

    const QString& settingsFile() const { return sSettingsFile; }
    QWidget* aboutBox() const { return m_about.data(); }

    // The built-in schedule, and the default settings file as the current one.
    void SettingsDefault();
    // Start-up: the settings file named on the command line, or the default one.
    void loadStartSettings(const QString& startFile);
    // The window is closing: saves; false when the close is refused once for
    // a save that failed, so the watchkeeper can save elsewhere.
    bool closeEvent();
    void closeForSystem(const QString& how, bool watchkeepersEnd);
    // How the program was ended from outside, and whether by the watchkeeper;
    // nothing when it was closed from within.
    const std::optional<std::pair<QString, bool>>& endedFromOutside() const { return m_ending; }
    void saveForSession();

signals:
    void settingsFileChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mnuFileDefault_Click();
    void mnuFileRecall_Click();
    void mnuFileSave_Click();
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();
    void SettingsLoad();
    void setSettingsFile(const QString& path);
    void endCellEditing();
    void stopRunForRefill();
    bool save(const QString& path);
    void armCloseWithoutSaving(bool armed);
    static bool isOtherUserAction(QObject* watched, QEvent* event);

    frmMain& m_window;
    QString m_defaultSettingsFile;
    QString sSettingsFile;
    QPointer<QWidget> m_about;
    bool m_closeRefused = false;
    std::optional<std::pair<QString, bool>> m_ending;
};

} // namespace vt
