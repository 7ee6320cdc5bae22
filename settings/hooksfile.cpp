// SPDX-License-Identifier: MIT
// Reading the hooks file and splitting its command lines.
#include "settings/hooksfile.h"

#include "settings/profilefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vt
{

namespace
{

// The reasons given here are shown to the user.
struct HooksText {
    Q_DECLARE_TR_FUNCTIONS(Hooks)
};

// Where a part of the file is and the range its number may take.
struct HookKeys {
    QString section;
    QString everyKey;
    int low = 0;
    int high = 0;
};

const HookKeys kEscalation{QStringLiteral("Escalation"), QStringLiteral("After"), 5, 3600};
const HookKeys kHeartbeat{QStringLiteral("Heartbeat"), QStringLiteral("Minutes"), 1, 1440};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Inside double quotes a backslash only escapes what would otherwise mean
// something there; before any other character it is itself.
bool escapableInDoubleQuotes(QChar c)
{
    return c == u'"' || c == u'\\' || c == u'$' || c == u'`' || c == u'\n';
}

// Appends the text between the quote at `open` and the next one to word; the
// index of the closing quote, or -1 when there is none.
qsizetype appendSingleQuoted(const QString& line, qsizetype open, QString& word)
{
    const qsizetype close = line.indexOf(u'\'', open + 1);
    if (close >= 0)
        word += QStringView(line).sliced(open + 1, close - open - 1);
    return close;
}

// As appendSingleQuoted, with the backslash escapes double quotes have.
qsizetype appendDoubleQuoted(const QString& line, qsizetype open, QString& word)
{
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        QChar c = line.at(i);
        if (c == u'"')
            return i;
        if (c == u'\\' && i + 1 < line.size() && escapableInDoubleQuotes(line.at(i + 1))) {
            c = line.at(++i);
            if (c == u'\n')
                continue;
        }
        word += c;
    }
    return -1;
}

std::nullopt_t fail(QString* error, const QString& reason)
{
    *error = reason;
    return std::nullopt;
}

bool mayBeChangedByOthers(const QFileInfo& info)
{
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::geteuid())
        return true;
#endif
    return info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther);
}

// Why others could change what the file holds, or an empty string. Whoever
// may write to its folder may replace it; a link is judged by where it
// leads as well as by where it lies.
QString whyNotOwnOnly(const QFileInfo& file)
{
    const QString shown = QDir::toNativeSeparators(file.absoluteFilePath());
    if (mayBeChangedByOthers(file))
        return HooksText::tr("%1 may be changed by others, so none of its commands are run; it "
                             "must be yours and writable only by you.")
            .arg(shown);
    QStringList folders{file.absolutePath()};
    const QString target = QFileInfo(file.canonicalFilePath()).absolutePath();
    if (target != folders.first())
        folders.append(target);
    for (const QString& folder : folders) {
        if (mayBeChangedByOthers(QFileInfo(folder)))
            return HooksText::tr("%1 may be replaced by others, so none of its commands are run; "
                                 "its folder %2 must be yours and writable only by you.")
                .arg(shown, QDir::toNativeSeparators(folder));
    }
    return {};
}

// One part of the file: nothing when it is off or wrong, told apart by *error.
// A key that is there is checked even when the part is off without the other.
std::optional<HookCommand> readHook(const ProfileFile& profile, const HookKeys& keys,
                                    const QString& shown, QString* error)
{
    const std::optional<QString> every = profile.value(keys.section, keys.everyKey);
    const std::optional<QString> line = profile.value(keys.section, u"Command");
    HookCommand hook;
    if (every) {
        bool isNumber = false;
        hook.every = every->toInt(&isNumber);
        if (!isNumber || hook.every < keys.low || hook.every > keys.high)
            return fail(error,
                        HooksText::tr("%1 in [%2] of %3 must be a whole number from %4 to "
                                      "%5, not \"%6\".")
                            .arg(keys.everyKey, keys.section, shown, QString::number(keys.low),
                                 QString::number(keys.high), *every));
    }
    if (line) {
        QString why;
        std::optional<QStringList> words = splitCommandLine(*line, &why);
        if (!words)
            return fail(error, HooksText::tr("Command in [%1] of %2 cannot be read: %3.")
                                   .arg(keys.section, shown, why));
        hook.command = std::move(*words);
    }
    if (!every || !line)
        return std::nullopt;
    return hook;
}

} // namespace

HooksOutcome HooksLoad(const QString& path)
{
    HooksOutcome outcome;
    const QFileInfo file(path);
    if (!file.exists())
        return outcome;
    outcome.error = whyNotOwnOnly(file);
    if (!outcome.error.isEmpty())
        return outcome;
    ProfileFile profile;
    if (!profile.load(path, &outcome.error))
        return outcome;

    const QString shown = QDir::toNativeSeparators(path);
    Hooks hooks;
    hooks.escalation = readHook(profile, kEscalation, shown, &outcome.error);
    if (outcome.error.isEmpty())
        hooks.heartbeat = readHook(profile, kHeartbeat, shown, &outcome.error);
    if (outcome.error.isEmpty())
        outcome.hooks = std::move(hooks);
    return outcome;
}

QString HooksPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vigiltide/Hooks.ini");
}

std::optional<QStringList> splitCommandLine(const QString& line, QString* error)
{
    QStringList words;
    QString word;
    bool inWord = false; // set by quotes too, so that '' is a word
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (isBlank(c)) {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
            continue;
        }
        if (c == u'\'') {
            i = appendSingleQuoted(line, i, word);
            if (i < 0)
                return fail(error, HooksText::tr("a single quote is not closed"));
        } else if (c == u'"') {
            i = appendDoubleQuoted(line, i, word);
            if (i < 0)
                return fail(error, HooksText::tr("a double quote is not closed"));
        } else if (c == u'\\') {
            if (++i == line.size())
                return fail(error, HooksText::tr("it ends with a backslash"));
            // A backslash before a line break joins the lines.
            if (line.at(i) == u'\n')
                continue;
            word += line.at(i);
        } else {
            word += c;
        }
        inWord = true;
    }
    if (inWord)
        words.append(word);
    if (words.isEmpty())
        return fail(error, HooksText::tr("it holds no command"));
    return words;
}

} // namespace vt
