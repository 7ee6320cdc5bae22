// SPDX-License-Identifier: MIT
// Loading and saving the settings file into and out of the main window's
// controls, the built-in default schedule, and where the settings file lives.
#pragma once

#include <QString>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;

namespace vt
{

class ProfileFile;
class TableControl;

// The controls the settings file fills.
struct SettingsControls {
    std::array<TableControl*, 2> grdTimer{};
    QCheckBox* chkIntervalRound = nullptr;
    QComboBox* cmbMode = nullptr;
    QComboBox* cmbSound = nullptr;
    QComboBox* cmbSpeechEngine = nullptr;
    QSlider* sldSpeechRate = nullptr;
    QSlider* sldSpeechVolume = nullptr;
    QPushButton* cmdSpeechSpeak = nullptr;
};

// The speech keys as the file holds them; absent keys are empty. Until the
// voices are listed, the chosen voice waits here to be applied, and is written
// back unchanged.
struct SpeechSettings {
    std::optional<int> engine;    // index into the voice list
    std::optional<QString> voice; // the voice's description: wins when listed
    std::optional<int> rate;
    std::optional<int> volume;

    // The values newer holds replace these.
    void merge(const SpeechSettings& newer);
};

struct LoadOutcome {
    // The file could not be read at all: nothing was applied.
    bool unreadable = false;
    // Empty when everything was applied; otherwise the reason the file could
    // not be read, or the first "[Section] Key" whose value was skipped.
    QString problem;
    SpeechSettings speech;
};

// Reads the file into the controls. A value that does not convert or that its
// control refuses is skipped on its own and loading goes on; the first such key
// is named in the outcome. Rate and volume always reach their sliders; the
// voice is chosen only when the voices are listed, otherwise it is left in the
// outcome for ApplySpeechSettings.
LoadOutcome SettingsLoad(const SettingsControls& controls, const QString& path);
// The same from a file already read.
LoadOutcome SettingsLoad(const SettingsControls& controls, const ProfileFile& file);

// Applies speech values: the voice first, by its description when that is
// listed, otherwise by its index (one beyond the list is ignored); its
// selection moves the sliders to the voice's own values, which the stored
// slider positions then replace.
void ApplySpeechSettings(const SettingsControls& controls, const SpeechSettings& speech);

// Writes the controls to the file, keeping every other line of it, in one
// atomic replacement. While no voices are listed, the voice and index held in
// unlisted (read from a file and still waiting) are written in place of the
// empty list's.
bool SettingsSave(const SettingsControls& controls, const QString& path,
                  const SpeechSettings& unlisted, QString* error);

// The built-in schedule: two interval alarms and one time-of-day alarm.
void SettingsDefault(const SettingsControls& controls);

// Where the settings live by default: beside the program for a portable
// install (the file there exists, or the folder is writable), otherwise in the
// user's configuration folder.
QString DefaultSettingsPath();
// The same rule for a given program folder.
QString DefaultSettingsPath(const QString& programFolder);

} // namespace vt
