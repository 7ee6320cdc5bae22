// SPDX-License-Identifier: MIT
#include "settings/settings.h"

#include "settings/profilefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>

namespace vt
{

namespace
{

const QString kInterval = QStringLiteral("Interval");
const QString kTime = QStringLiteral("Time");
const QString kTimer = QStringLiteral("Timer");

QString scheduleSuffix(TimerMode mode)
{
    return mode == TimerMode::Interval ? QStringLiteral(" Interval") : QStringLiteral(" Time");
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

const QString& sectionOf(TimerMode mode)
{
    return mode == TimerMode::Interval ? kInterval : kTime;
}

void loadTable(Reader& in, AlarmTable& table, TimerMode mode)
{
    const QString& section = sectionOf(mode);
    if (const auto count = in.integer(section, QStringLiteral("Count"), 0, kMaxEntries))
        table.setRows(int(*count) + 1);
    const int rows = table.Rows();
    for (int n = 1; n < rows; ++n) {
        FormatTableRow(table, n);
        if (const auto enabled = in.truth(section, entryKey(n, QStringLiteral(" Enabled"))))
            SetEntryEnabled(table, n, *enabled);
        if (const auto schedule = in.text(section, entryKey(n, scheduleSuffix(mode))))
            table.cell(n, ScheduleColumn).text = *schedule;
        AlarmCell& message = table.cell(n, MessageColumn);
        if (const auto text = in.text(section, entryKey(n, QStringLiteral(" Message Text"))))
            message.text = *text;
        if (const auto fore = in.integer(
                section, entryKey(n, QStringLiteral(" Message Fore Color")), kInt32Min, kInt32Max))
            message.fore = ColorValue(*fore);
        if (const auto back = in.integer(
                section, entryKey(n, QStringLiteral(" Message Back Color")), kInt32Min, kInt32Max))
            message.back = ColorValue(*back);
    }
}

template <typename Enum>
void readChoice(Reader& in, const QString& section, const QString& key, int last, Enum& into)
{
    if (const auto index = in.integer(section, key, 0, last))
        into = Enum(*index);
}

SpeechSettings readSpeech(Reader& in)
{
    SpeechSettings speech;
    // A voice index beyond the listed voices is ignored where it is applied;
    // below -1 it cannot be right.
    if (const auto engine = in.integer(kTimer, QStringLiteral("Speech Engine"), -1, kInt32Max))
        speech.engine = int(*engine);
    if (const auto rate = in.integer(kTimer, QStringLiteral("Speech Rate"), -10, 10))
        speech.rate = int(*rate);
    if (const auto volume = in.integer(kTimer, QStringLiteral("Speech Volume"), 0, 100))
        speech.volume = int(*volume);
    speech.voice = in.text(kTimer, QStringLiteral("Speech Voice"));
    return speech;
}

void saveTable(ProfileFile& out, const AlarmTable& table, TimerMode mode)
{
    const QString& section = sectionOf(mode);
    const int count = table.entries();
    out.setValue(section, QStringLiteral("Count"), QString::number(count));
    for (int n = 1; n <= count; ++n) {
        out.setValue(section, entryKey(n, QStringLiteral(" Enabled")),
                     IsEntryEnabled(table, n) ? QStringLiteral("True") : QStringLiteral("False"));
        const AlarmEntry entry = ReadEntry(table, n);
        out.setValue(section, entryKey(n, scheduleSuffix(mode)), entry.schedule);
        out.setValue(section, entryKey(n, QStringLiteral(" Message Text")), entry.message);
        out.setValue(section, entryKey(n, QStringLiteral(" Message Fore Color")),
                     QString::number(entry.foreColor));
        out.setValue(section, entryKey(n, QStringLiteral(" Message Back Color")),
                     QString::number(entry.backColor));
    }
}

void setEntry(AlarmTable& table, int row, const QString& schedule, const QString& message)
{
    SetEntryEnabled(table, row, true);
    table.cell(row, ScheduleColumn).text = schedule;
    table.cell(row, MessageColumn).text = message;
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

LoadOutcome SettingsLoad(const QString& path, Settings& settings)
{
    LoadOutcome outcome;
    ProfileFile file;
    QString error;
    if (!file.load(path, &error)) {
        outcome.unreadable = true;
        outcome.problem = error;
        return outcome;
    }
    return SettingsLoad(file, settings);
}

LoadOutcome SettingsLoad(const ProfileFile& file, Settings& settings)
{
    LoadOutcome outcome;
    Reader in(file);
    loadTable(in, settings.table(TimerMode::Interval), TimerMode::Interval);
    readChoice(in, kInterval, QStringLiteral("Round"), 2, settings.round);
    readChoice(in, kTimer, QStringLiteral("Mode"), 1, settings.mode);
    readChoice(in, kTimer, QStringLiteral("Sound"), 2, settings.sound);
    outcome.speech = readSpeech(in);
    loadTable(in, settings.table(TimerMode::Time), TimerMode::Time);
    outcome.problem = in.firstRefused();
    return outcome;
}

void SettingsWrite(const Settings& s, ProfileFile& file)
{
    saveTable(file, s.table(TimerMode::Interval), TimerMode::Interval);
    file.setValue(kInterval, QStringLiteral("Round"), QString::number(int(s.round)));
    file.setValue(kTimer, QStringLiteral("Mode"), QString::number(int(s.mode)));
    file.setValue(kTimer, QStringLiteral("Sound"), QString::number(int(s.sound)));
    file.setValue(kTimer, QStringLiteral("Speech Engine"),
                  QString::number(s.speech.engine.value_or(-1)));
    if (s.speech.rate)
        file.setValue(kTimer, QStringLiteral("Speech Rate"), QString::number(*s.speech.rate));
    if (s.speech.volume)
        file.setValue(kTimer, QStringLiteral("Speech Volume"), QString::number(*s.speech.volume));
    // The newest speech key comes last, so the others keep their order.
    if (s.speech.voice)
        file.setValue(kTimer, QStringLiteral("Speech Voice"), *s.speech.voice);
    saveTable(file, s.table(TimerMode::Time), TimerMode::Time);
}

bool SettingsSave(const Settings& settings, const QString& path, QString* error)
{
    ProfileFile file;
    // Keeps every line of the file it does not own; a file it cannot read is
    // not written over.
    if (!file.load(path, error))
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (folder == QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        QDir().mkpath(folder); // the per-user folder is made on the first save
    SettingsWrite(settings, file);
    return file.save(path, error);
}

void SettingsDefault(Settings& s)
{
    s.mode = TimerMode::Interval;
    s.round = RoundState::Ticked;

    AlarmTable& interval = s.table(TimerMode::Interval);
    interval.setRows(3);
    FormatTableRow(interval, 1);
    FormatTableRow(interval, 2);
    SetupTableColumns(TimerMode::Interval, interval);
    setEntry(interval, 1, QStringLiteral("60"), QStringLiteral("Time's Up, Check Log"));
    interval.cell(1, MessageColumn).back = 65535;
    interval.cell(1, MessageColumn).fore = 255;
    setEntry(interval, 2, QStringLiteral("15"), QStringLiteral("Time's Up, Check Horizon"));

    s.sound = SoundMode::Beep;

    AlarmTable& time = s.table(TimerMode::Time);
    time.setRows(2);
    FormatTableRow(time, 1);
    SetupTableColumns(TimerMode::Time, time);
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
    if (beside.isFile())
        return beside.filePath();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(config).filePath(QStringLiteral("Vigiltide.Ini"));
}

} // namespace vt
