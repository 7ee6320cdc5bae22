// SPDX-License-Identifier: MIT
#include "settings/settings.h"

#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "settings/profilefile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>

#include <limits>

namespace vt
{

namespace
{

const QString kInterval = QStringLiteral("Interval");
const QString kTime = QStringLiteral("Time");
const QString kTimer = QStringLiteral("Timer");

QString scheduleSuffix(int mode)
{
    return mode == IntervalMode ? QStringLiteral(" Interval") : QStringLiteral(" Time");
}

QString entryKey(int n, const QString& suffix)
{
    return QLatin1Char('#') + QString::number(n) + suffix;
}

std::optional<qint64> readInteger(const QString& text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<bool> readTruth(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return number != 0;
}

// Reads keys, skipping empty or absent ones and remembering the first value
// that had to be refused.
class Reader
{
public:
    explicit Reader(const ProfileFile& file) : m_file(file) {}

    std::optional<QString> text(const QString& section, const QString& key) const
    {
        std::optional<QString> value = m_file.value(section, key);
        if (!value || value->isEmpty())
            return std::nullopt;
        return value;
    }

    std::optional<qint64> integer(const QString& section, const QString& key, qint64 low,
                                  qint64 high)
    {
        const std::optional<QString> value = text(section, key);
        if (!value)
            return std::nullopt;
        const std::optional<qint64> number = readInteger(*value, low, high);
        if (!number)
            refuse(section, key);
        return number;
    }

    std::optional<bool> truth(const QString& section, const QString& key)
    {
        const std::optional<QString> value = text(section, key);
        if (!value)
            return std::nullopt;
        const std::optional<bool> flag = readTruth(*value);
        if (!flag)
            refuse(section, key);
        return flag;
    }

    void refuse(const QString& section, const QString& key)
    {
        if (m_firstRefused.isEmpty())
            m_firstRefused = QLatin1Char('[') + section + QStringLiteral("] ") + key;
    }

    const QString& firstRefused() const { return m_firstRefused; }

private:
    const ProfileFile& m_file;
    QString m_firstRefused;
};

constexpr qint64 kInt32Min = std::numeric_limits<qint32>::min();
constexpr qint64 kInt32Max = std::numeric_limits<qint32>::max();

void loadTable(Reader& in, TableControl& table, int mode)
{
    const QString& section = mode == IntervalMode ? kInterval : kTime;
    if (const auto count = in.integer(section, QStringLiteral("Count"), 0, kMaxEntries))
        table.setRows(int(*count) + 1);
    const int rows = table.Rows();
    for (int n = 1; n < rows; ++n) {
        FormatTableRow(table, n);
        table.setRow(n);
        table.setCol(EnableColumn);
        if (const auto enabled = in.truth(section, entryKey(n, QStringLiteral(" Enabled"))))
            SetEntryEnabled(table, n, EnableColumn, *enabled);
        table.setCol(ScheduleColumn);
        if (const auto schedule = in.text(section, entryKey(n, scheduleSuffix(mode))))
            table.setText(*schedule);
        table.setCol(MessageColumn);
        if (const auto message = in.text(section, entryKey(n, QStringLiteral(" Message Text"))))
            table.setText(*message);
        if (const auto fore = in.integer(
                section, entryKey(n, QStringLiteral(" Message Fore Color")), kInt32Min, kInt32Max))
            table.setCellForeColor(ColorValue(*fore));
        if (const auto back = in.integer(
                section, entryKey(n, QStringLiteral(" Message Back Color")), kInt32Min, kInt32Max))
            table.setCellBackColor(ColorValue(*back));
    }
}

void selectIndex(Reader& in, QComboBox* box, const QString& key)
{
    if (const auto index = in.integer(kTimer, key, 0, box->count() - 1))
        box->setCurrentIndex(int(*index));
}

SpeechSettings readSpeech(Reader& in)
{
    SpeechSettings speech;
    // A voice index beyond the listed voices is left for ApplySpeechSettings
    // to ignore; below -1 it cannot be right.
    if (const auto engine = in.integer(kTimer, QStringLiteral("Speech Engine"), -1, kInt32Max))
        speech.engine = int(*engine);
    if (const auto rate = in.integer(kTimer, QStringLiteral("Speech Rate"), -10, 10))
        speech.rate = int(*rate);
    if (const auto volume = in.integer(kTimer, QStringLiteral("Speech Volume"), 0, 100))
        speech.volume = int(*volume);
    speech.voice = in.text(kTimer, QStringLiteral("Speech Voice"));
    return speech;
}

bool voicesListed(const SettingsControls& c)
{
    return c.cmbSpeechEngine->count() > 0;
}

void applyRound(Reader& in, QCheckBox* box)
{
    const auto round = in.integer(kInterval, QStringLiteral("Round"), 0, 2);
    if (!round)
        return;
    // 2 is the greyed state of the check box: not ticked for a run.
    box->setTristate(*round == 2);
    box->setCheckState(*round == 2 ? Qt::PartiallyChecked
                                   : (*round == 1 ? Qt::Checked : Qt::Unchecked));
}

void saveTable(ProfileFile& out, TableControl& table, int mode)
{
    const QString& section = mode == IntervalMode ? kInterval : kTime;
    const int count = table.Rows() - 1;
    out.setValue(section, QStringLiteral("Count"), QString::number(count));
    for (int n = 1; n <= count; ++n) {
        const bool enabled = IsEntryEnabled(table, n, EnableColumn);
        out.setValue(section, entryKey(n, QStringLiteral(" Enabled")),
                     enabled ? QStringLiteral("True") : QStringLiteral("False"));
        const AlarmEntry entry = ReadEntry(table, n);
        out.setValue(section, entryKey(n, scheduleSuffix(mode)), entry.schedule);
        out.setValue(section, entryKey(n, QStringLiteral(" Message Text")), entry.message);
        out.setValue(section, entryKey(n, QStringLiteral(" Message Fore Color")),
                     QString::number(entry.foreColor));
        out.setValue(section, entryKey(n, QStringLiteral(" Message Back Color")),
                     QString::number(entry.backColor));
    }
}

void setEntry(TableControl& table, int row, const QString& schedule, const QString& message)
{
    SetEntryEnabled(table, row, EnableColumn, true);
    table.setCol(ScheduleColumn);
    table.setText(schedule);
    table.setCol(MessageColumn);
    table.setText(message);
}

} // namespace

void SpeechSettings::merge(const SpeechSettings& newer)
{
    if (newer.engine)
        engine = newer.engine;
    if (newer.voice)
        voice = newer.voice;
    if (newer.rate)
        rate = newer.rate;
    if (newer.volume)
        volume = newer.volume;
}

LoadOutcome SettingsLoad(const SettingsControls& c, const QString& path)
{
    LoadOutcome outcome;
    ProfileFile file;
    QString error;
    if (!file.load(path, &error)) {
        outcome.unreadable = true;
        outcome.problem = error;
        return outcome;
    }
    return SettingsLoad(c, file);
}

LoadOutcome SettingsLoad(const SettingsControls& c, const ProfileFile& file)
{
    LoadOutcome outcome;
    Reader in(file);
    loadTable(in, *c.grdTimer[IntervalMode], IntervalMode);
    applyRound(in, c.chkIntervalRound);
    selectIndex(in, c.cmbMode, QStringLiteral("Mode"));
    selectIndex(in, c.cmbSound, QStringLiteral("Sound"));
    outcome.speech = readSpeech(in);
    SpeechSettings applied = outcome.speech;
    if (!voicesListed(c)) {
        applied.engine.reset();
        applied.voice.reset();
    }
    ApplySpeechSettings(c, applied);
    loadTable(in, *c.grdTimer[TimeMode], TimeMode);

    TableControl& current = *c.grdTimer[qBound(0, c.cmbMode->currentIndex(), 1)];
    c.cmdSpeechSpeak->setToolTip(QStringLiteral("Speak Message # ") +
                                 QString::number(current.Row()));
    outcome.problem = in.firstRefused();
    return outcome;
}

void ApplySpeechSettings(const SettingsControls& c, const SpeechSettings& speech)
{
    const int named = speech.voice ? c.cmbSpeechEngine->findText(*speech.voice) : -1;
    if (named >= 0)
        c.cmbSpeechEngine->setCurrentIndex(named);
    else if (speech.engine && *speech.engine < c.cmbSpeechEngine->count())
        c.cmbSpeechEngine->setCurrentIndex(*speech.engine);
    if (speech.rate)
        c.sldSpeechRate->setValue(*speech.rate);
    if (speech.volume)
        c.sldSpeechVolume->setValue(*speech.volume);
}

bool SettingsSave(const SettingsControls& c, const QString& path, const SpeechSettings& unlisted,
                  QString* error)
{
    ProfileFile file;
    // Keeps every line of the file it does not own; a file it cannot read is
    // not written over.
    if (!file.load(path, error))
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (folder == QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        QDir().mkpath(folder); // the per-user folder is made on the first save
    saveTable(file, *c.grdTimer[IntervalMode], IntervalMode);
    file.setValue(kInterval, QStringLiteral("Round"),
                  QString::number(int(c.chkIntervalRound->checkState()) == Qt::PartiallyChecked
                                      ? 2
                                      : (c.chkIntervalRound->isChecked() ? 1 : 0)));
    file.setValue(kTimer, QStringLiteral("Mode"), QString::number(c.cmbMode->currentIndex()));
    file.setValue(kTimer, QStringLiteral("Sound"), QString::number(c.cmbSound->currentIndex()));
    const bool listed = voicesListed(c);
    const int engine = c.cmbSpeechEngine->currentIndex();
    file.setValue(kTimer, QStringLiteral("Speech Engine"),
                  QString::number(listed ? engine : unlisted.engine.value_or(engine)));
    file.setValue(kTimer, QStringLiteral("Speech Rate"), QString::number(c.sldSpeechRate->value()));
    file.setValue(kTimer, QStringLiteral("Speech Volume"),
                  QString::number(c.sldSpeechVolume->value()));
    // The newest speech key comes last, so the others keep their order.
    if (listed)
        file.setValue(kTimer, QStringLiteral("Speech Voice"), c.cmbSpeechEngine->currentText());
    else if (unlisted.voice)
        file.setValue(kTimer, QStringLiteral("Speech Voice"), *unlisted.voice);
    saveTable(file, *c.grdTimer[TimeMode], TimeMode);
    return file.save(path, error);
}

void SettingsDefault(const SettingsControls& c)
{
    c.cmbMode->setCurrentIndex(IntervalMode);
    c.chkIntervalRound->setTristate(false);
    c.chkIntervalRound->setChecked(true);

    TableControl& interval = *c.grdTimer[IntervalMode];
    interval.setRows(3);
    FormatTableRow(interval, 1);
    FormatTableRow(interval, 2);
    SetupTableColumns(IntervalMode, interval);
    setEntry(interval, 1, QStringLiteral("60"), QStringLiteral("Time's Up, Check Log"));
    interval.setCellBackColor(65535);
    interval.setCellForeColor(255);
    setEntry(interval, 2, QStringLiteral("15"), QStringLiteral("Time's Up, Check Horizon"));

    c.cmbSound->setCurrentIndex(1);
    if (c.cmbSpeechEngine->currentIndex() >= 0)
        c.cmbSpeechEngine->setCurrentIndex(0);

    TableControl& time = *c.grdTimer[TimeMode];
    time.setRows(2);
    FormatTableRow(time, 1);
    SetupTableColumns(TimeMode, time);
    setEntry(time, 1, QStringLiteral("7:30:00"), QStringLiteral("Orvo's Weather"));
}

QString DefaultSettingsPath()
{
    return DefaultSettingsPath(QCoreApplication::applicationDirPath());
}

QString DefaultSettingsPath(const QString& programFolder)
{
    // A file beside the program is the user's, even when it is read-only:
    // whether it can be written shows at save time, where a failure is
    // reported rather than the settings going elsewhere unseen.
    const QFileInfo beside(programFolder + QStringLiteral("/Vigiltide.Ini"));
    const QFileInfo folder(programFolder);
    if (beside.isFile() || (!beside.exists() && folder.isWritable()))
        return beside.filePath();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(config).filePath(QStringLiteral("Vigiltide.Ini"));
}

} // namespace vt
