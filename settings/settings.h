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

// The voice index, rate and volume as the file holds them. They wait here
// while the speech engine is still starting, and are written back unchanged
// if the program closes before it is ready.
struct SpeechSettings {
    std::optional<int> engine;
    std::optional<int> rate;
    std::optional<int> volume;
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
// is named in the outcome. With applySpeech false the speech values are only
// read, for ApplySpeechSettings once the voices are listed.
LoadOutcome SettingsLoad(const SettingsControls& controls, const QString& path, bool applySpeech);
// The same from a file already read.
LoadOutcome SettingsLoad(const SettingsControls& controls, const ProfileFile& file,
                         bool applySpeech);

// Applies speech values read earlier: voice first, whose selection moves the
// sliders to the voice's own values, then the stored slider positions. A voice
// index beyond the listed voices is ignored.
void ApplySpeechSettings(const SettingsControls& controls, const SpeechSettings& speech);

// Writes the controls to the file, keeping every other line of it, in one
// atomic replacement. With pendingSpeech, its values are written for the keys
// it holds instead of the speech controls' (they are not filled yet).
bool SettingsSave(const SettingsControls& controls, const QString& path,
                  const SpeechSettings* pendingSpeech, QString* error);

// The built-in schedule: two interval alarms and one time-of-day alarm.
void SettingsDefault(const SettingsControls& controls);

// Where the settings live by default: beside the program for a portable
// install (the file there exists, or the folder is writable), otherwise in the
// user's configuration folder.
QString DefaultSettingsPath();
// The same rule for a given program folder.
QString DefaultSettingsPath(const QString& programFolder);

} // namespace vt
