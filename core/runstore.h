// SPDX-License-Identifier: MIT
// The armed run kept on disk, so that a watch survives a crash, a kill or a
// power cut: one record per settings file in the user's state folder, each
// written whole or not at all, and read back only when it is sound.
#pragma once

#include "core/runcontrol.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace vt
{

// Vigiltide's folder in the user's state folder ($XDG_STATE_HOME, by default
// ~/.local/state), where the run records and the watch log live.
QString stateFolder();

class RunStore
{
    Q_DECLARE_TR_FUNCTIONS(RunStore)

public:
    explicit RunStore(const QString& settingsFile);

    const QString& path() const { return m_path; }

    // Replaces the record at once; aliveMs is when the program was last known
    // running (epoch milliseconds).
    bool save(const RunRecord& record, qint64 aliveMs, QString* error) const;
    void remove() const;
    // The run kept for this settings file, and when the program was last
    // known running; nothing when there is none. A record that is damaged,
    // or not of this program and file, is not used: *problem says why.
    std::optional<std::pair<RunRecord, qint64>> load(QString* problem) const;

private:
    QString m_settingsFile;
    QString m_path;
};

} // namespace vt
