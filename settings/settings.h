// SPDX-License-Identifier: MIT
// The settings file and the values it holds: both alarm tables, the Top of
// Hour flag, the timer and sound modes and the speech settings; the built-in
// default schedule; and where the settings file lives.
#pragma once

#include "core/alarmtable.h"
#include "core/modes.h"

#include <QString>

#include <array>
#include <optional>

namespace vt
{

class ProfileFile;

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

// Top of Hour: clear, ticked, or greyed (which does not round).
enum class RoundState : int { Clear = 0, Ticked = 1, Greyed = 2 };

struct Settings {
    std::array<AlarmTable, 2> tables;
    RoundState round = RoundState::Clear;
    TimerMode mode = TimerMode::Interval;
    SoundMode sound = SoundMode::None;
    // What is saved of speech; loading gives the file's speech keys in its
    // outcome instead, since the voice can be chosen only among those listed.
    SpeechSettings speech;

    AlarmTable& table(TimerMode m) { return tables[int(m)]; }
    const AlarmTable& table(TimerMode m) const { return tables[int(m)]; }
};

struct LoadOutcome {
    // The file could not be read at all: nothing was applied.
    bool unreadable = false;
    // Empty when everything was applied; otherwise the reason the file could
    // not be read, or the first "[Section] Key" whose value was skipped.
    QString problem;
    // The speech keys the file holds.
    SpeechSettings speech;
};

// Reads the file over the values. A key that is absent or empty leaves its
// value as it was; a value that does not convert, or is out of range, is
// skipped on its own and loading goes on, the first such key named in the
// outcome. Every entry row read is formatted afresh.
LoadOutcome SettingsLoad(const ProfileFile& file, Settings& settings);
LoadOutcome SettingsLoad(const QString& path, Settings& settings);

// Writes the values into the file, keeping every other line of it, and
// replaces the file on disk in one step.
void SettingsWrite(const Settings& settings, ProfileFile& file);
bool SettingsSave(const Settings& settings, const QString& path, QString* error);

// The built-in schedule: two interval alarms and one time-of-day alarm, in
// Interval mode with Top of Hour, sounding Beep. Speech is left as it is.
void SettingsDefault(Settings& settings);

// Where the settings live by default: beside the program when a settings file
// is there already (a portable copy), otherwise in the user's configuration
// folder. The program never makes a file beside itself: run once as root, it
// would otherwise write into /usr/bin for every user.
QString DefaultSettingsPath();
// The same rule for a given program folder.
QString DefaultSettingsPath(const QString& programFolder);

} // namespace vt
