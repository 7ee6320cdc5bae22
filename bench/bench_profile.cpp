// SPDX-License-Identifier: MIT
// How long the settings file takes at its largest: 1000 entries in each table,
// six keys an entry. Builds it, saves it, loads it, reads every key, changes
// every value and saves again, printing each step in milliseconds.
#include "settings/profilefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

struct Table {
    const char* section;
    const char* schedule; // the key of the schedule cell
};
constexpr Table Tables[] = {{"Interval", "Interval"}, {"Time", "Time"}};
constexpr int Entries = 1000;

QStringList entryKeys(const Table& table, int n)
{
    const QString prefix = QStringLiteral("#%1 ").arg(n);
    return {prefix + QStringLiteral("Enabled"), prefix + QLatin1String(table.schedule),
            prefix + QStringLiteral("Message Text"), prefix + QStringLiteral("Message Fore Color"),
            prefix + QStringLiteral("Message Back Color")};
}

void report(const char* step, QElapsedTimer& timer)
{
    std::printf("%-28s %8.2f ms\n", step, timer.nsecsElapsed() / 1e6);
    timer.start();
}

bool check(bool ok, const QString& error)
{
    if (!ok)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("vigiltide.ini"));
    QString error;
    QElapsedTimer timer;
    timer.start();

    vt::ProfileFile built;
    for (const char* key : {"Mode", "Sound", "Speech Engine", "Speech Rate", "Speech Volume"})
        built.setValue(QStringLiteral("Timer"), QLatin1String(key), QStringLiteral("0"));
    qsizetype keys = 5;
    for (const Table& table : Tables) {
        for (int n = 1; n <= Entries; ++n) {
            const QStringList names = entryKeys(table, n);
            const QStringList values = {
                QStringLiteral("True"), QStringLiteral("%1").arg(n),
                QStringLiteral("Check the radar and the chart, entry %1").arg(n),
                QStringLiteral("0"), QStringLiteral("16777215")};
            for (qsizetype i = 0; i < names.size(); ++i)
                built.setValue(QString::fromLatin1(table.section), names[i], values[i]);
            keys += names.size();
        }
    }
    std::printf("%lld keys\n", static_cast<long long>(keys));
    report("build (new keys)", timer);
    if (!check(built.save(path, &error), error))
        return 1;
    report("save", timer);

    vt::ProfileFile loaded;
    if (!check(loaded.load(path, &error), error))
        return 1;
    report("load", timer);

    qsizetype found = 0;
    for (const Table& table : Tables) {
        for (int n = 1; n <= Entries; ++n) {
            for (const QString& key : entryKeys(table, n))
                found += loaded.value(QString::fromLatin1(table.section), key).has_value();
        }
    }
    report("look up every entry key", timer);
    if (found != keys - 5) {
        std::fprintf(stderr, "found %lld of %lld keys\n", static_cast<long long>(found),
                     static_cast<long long>(keys - 5));
        return 1;
    }

    for (const Table& table : Tables) {
        for (int n = 1; n <= Entries; ++n) {
            for (const QString& key : entryKeys(table, n))
                loaded.setValue(QString::fromLatin1(table.section), key, QStringLiteral("changed"));
        }
    }
    report("rewrite every entry value", timer);
    if (!check(loaded.save(path, &error), error))
        return 1;
    report("save again", timer);
    return 0;
}
