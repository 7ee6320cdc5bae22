// SPDX-License-Identifier: MIT
// A record is a small JSON document. Reading trusts nothing in it: every
// value is checked for its type and range before the run may take it up.
#include "core/runstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vt
{

namespace
{

const QString kFormat = QStringLiteral("vigiltide-run");
constexpr int kVersion = 1;
constexpr qint64 kLargestRecord = 4 * 1024 * 1024;

QString identity(const QString& settingsFile)
{
    const QFileInfo info(settingsFile);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QJsonObject entryObject(const RunRecord& record, int row)
{
    const AlarmCell& message = record.table.cell(row, MessageColumn);
    QJsonObject entry{{"mark", int(record.table.row(row).mark)},
                      {"schedule", record.table.text(row, ScheduleColumn)},
                      {"message", message.text},
                      {"back", message.back},
                      {"fore", message.fore},
                      {"fired", bool(record.fired.at(row))}};
    if (record.due.at(row) != std::numeric_limits<qint64>::max())
        entry.insert("due", record.due.at(row));
    return entry;
}

bool isWhole(const QJsonValue& value)
{
    return value.isDouble() && value.toDouble() == double(value.toInteger());
}

// One entry back into the row, its due time and its fired flag; false when
// anything in it is not as written.
bool readEntry(const QJsonValue& value, RunRecord& record, int row)
{
    if (!value.isObject())
        return false;
    const QJsonObject entry = value.toObject();
    const QJsonValue mark = entry.value("mark");
    const QJsonValue due = entry.value("due");
    const QJsonValue back = entry.value("back");
    const QJsonValue fore = entry.value("fore");
    if (!isWhole(mark) || mark.toInteger() < 0 || mark.toInteger() > 2 ||
        !entry.value("schedule").isString() || !entry.value("message").isString() ||
        !isWhole(back) || !isWhole(fore) || !entry.value("fired").isBool() ||
        !(due.isUndefined() || isWhole(due)))
        return false;
    FormatTableRow(record.table, row);
    record.table.row(row).mark = EnableMark(mark.toInt());
    record.table.cell(row, ScheduleColumn).text = entry.value("schedule").toString();
    AlarmCell& message = record.table.cell(row, MessageColumn);
    message.text = entry.value("message").toString();
    message.back = ColorValue(back.toInteger());
    message.fore = ColorValue(fore.toInteger());
    record.fired[row] = entry.value("fired").toBool();
    record.due[row] = due.isUndefined() ? std::numeric_limits<qint64>::max() : due.toInteger();
    return true;
}

} // namespace

QString stateFolder()
{
    // Qt knows no state folder. A relative XDG_STATE_HOME is to be ignored, as
    // for every XDG folder variable.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/Vigiltide"));
}

RunStore::RunStore(const QString& settingsFile) : m_settingsFile(identity(settingsFile))
{
    const QByteArray hash =
        QCryptographicHash::hash(m_settingsFile.toUtf8(), QCryptographicHash::Sha256);
    m_path = stateFolder() + QStringLiteral("/Run-") + QString::fromLatin1(hash.toHex().left(16)) +
             QStringLiteral(".json");
}

bool RunStore::save(const RunRecord& record, qint64 aliveMs, QString* error) const
{
    QJsonArray entries;
    for (int row = 1; row < record.table.Rows(); ++row)
        entries.append(entryObject(record, row));
    const QJsonObject root{{"format", kFormat},          {"version", kVersion},
                           {"settings", m_settingsFile}, {"mode", int(record.mode)},
                           {"round", record.round},      {"alarm", record.alarmRow},
                           {"alive", aliveMs},           {"entries", entries}};
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) >= 0 && file.commit())
        return true;
    if (error)
        *error = tr("%1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(m_path), file.errorString());
    return false;
}

void RunStore::remove() const
{
    QFile::remove(m_path);
}

std::optional<std::pair<RunRecord, qint64>> RunStore::load(QString* problem) const
{
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    const auto refuse = [&](const QString& why) {
        if (problem)
            *problem =
                tr("the run kept in %1 is not used: %2").arg(QDir::toNativeSeparators(m_path), why);
        return std::nullopt;
    };
    if (file.size() > kLargestRecord || !file.open(QIODevice::ReadOnly))
        return refuse(tr("it cannot be read"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return refuse(tr("it is damaged"));
    if (root.value("format").toString() != kFormat || root.value("version").toInt() != kVersion ||
        root.value("settings").toString() != m_settingsFile)
        return refuse(tr("it is not a run of this settings file"));
    const QJsonArray entries = root.value("entries").toArray();
    const QJsonValue mode = root.value("mode");
    const QJsonValue alarm = root.value("alarm");
    if (!isWhole(mode) || mode.toInt() < 0 || mode.toInt() > 1 || !root.value("round").isBool() ||
        !isWhole(root.value("alive")) || !isWhole(alarm) || alarm.toInt() < 0 ||
        alarm.toInt() > entries.size() || entries.size() > kMaxEntries)
        return refuse(tr("it is damaged"));
    RunRecord record;
    record.mode = TimerMode(mode.toInt());
    record.round = root.value("round").toBool();
    record.alarmRow = alarm.toInt();
    record.table.setRows(int(entries.size()) + 1);
    SetupTableColumns(record.mode, record.table);
    record.due.assign(record.table.Rows(), std::numeric_limits<qint64>::max());
    record.fired.assign(record.table.Rows(), false);
    for (int row = 1; row < record.table.Rows(); ++row)
        if (!readEntry(entries.at(row - 1), record, row))
            return refuse(tr("it is damaged"));
    return std::pair(record, root.value("alive").toInteger());
}

} // namespace vt
