// SPDX-License-Identifier: MIT
// Fuzz target for reading, changing and writing the settings file's bytes.
#include "settings/profilefile.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vt
{

namespace
{

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz_profile: %s\n  %s\n", what, qUtf8Printable(detail));
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        fail(what, detail);
}

QString pair(const QString& section, const QString& key)
{
    return QLatin1Char('[') + section + QLatin1String("] ") + key;
}

QString shown(const std::optional<QString>& value)
{
    return value ? QLatin1Char('"') + *value + QLatin1Char('"') : QStringLiteral("(absent)");
}

const QByteArray Bom("\xEF\xBB\xBF");

// The code page's own table for 0x80-0x9F, the five holes read as the C1
// controls of the same number, as the file layer promises to keep them.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const uchar b = uchar(c);
        text += (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

bool inCp1252(QChar c)
{
    if (c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() <= 0xFF))
        return true;
    for (const char16_t u : Cp1252High) {
        if (u == c.unicode())
            return true;
    }
    return false;
}

// What a Windows-1252 file holds of text: '?' for each character it cannot
// hold, one for a character beyond the basic plane.
QString asCp1252(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        out += inCp1252(c) ? c : QChar(u'?');
    }
    return out;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QString trimmedBlanks(const QString& s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

// The value a lookup gives for what setValue() was handed: line breaks as
// blanks, then blanks around it and one pair of matching quotes removed.
QString readBack(QString value, bool windows1252)
{
    if (windows1252)
        value = asCp1252(value);
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    value = trimmedBlanks(value);
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value;
}

// Names a caller can write and find again in the file; others (a '=' in a
// key, a ']' in a section, line breaks, blanks at either end) cannot be
// spelt in an INI line and are only checked for not faulting.
bool writableSection(const QString& s)
{
    return !s.contains(u']') && !s.contains(u'\n') && !s.contains(u'\r') && trimmedBlanks(s) == s;
}

bool writableKey(const QString& k)
{
    return !k.isEmpty() && !k.contains(u'=') && !k.contains(u'\n') && !k.contains(u'\r') &&
           trimmedBlanks(k) == k && !k.startsWith(u'[') && !k.startsWith(u';');
}

// Letter case matters to no lookup.
QString swapAsciiCase(QString s)
{
    for (QChar& c : s) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 0x20);
    }
    return s;
}

void appendOnce(QStringList& list, const QString& s, qsizetype limit)
{
    if (list.size() < limit && !list.contains(s))
        list.append(s);
}

// The first sections of Names are the real ones.
constexpr qsizetype RealSections = 4;

struct Names {
    QStringList sections;
    QStringList keys;
    QStringList values;
};

// Section names, keys and values as a person might have typed them in the
// input, plus the ones the settings really use.
Names namesIn(const QString& text)
{
    Names names;
    names.sections = {QStringLiteral("Interval"), QStringLiteral("Time"), QStringLiteral("Timer"),
                      QStringLiteral("timer")};
    for (const QString& k :
         {QStringLiteral("Count"), QStringLiteral("Round"), QStringLiteral("Mode"),
          QStringLiteral("Sound"), QStringLiteral("Speech Engine"), QStringLiteral("Speech Rate"),
          QStringLiteral("Speech Volume"), QStringLiteral("#1 Enabled"),
          QStringLiteral("#1 Interval"), QStringLiteral("#1 Time"),
          QStringLiteral("#1 Message Text"), QStringLiteral("#1 Message Fore Color"),
          QStringLiteral("#1 Message Back Color"), QStringLiteral("#2 Enabled"),
          QStringLiteral("#10 Message Text"), QStringLiteral("#1000 Interval")})
        names.keys.append(k);

    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size() && i < 400; ++i) {
        const QString& line = lines[i];
        const QString trimmed = trimmedBlanks(line);
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            const QString inside = trimmed.sliced(1, (close < 0 ? trimmed.size() : close) - 1);
            appendOnce(names.sections, inside, 10);
            appendOnce(names.sections, trimmedBlanks(inside), 10);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        appendOnce(names.keys, line.first(equals), 20);
        appendOnce(names.keys, trimmedBlanks(line.first(equals)), 20);
        appendOnce(names.values, line.sliced(equals + 1), 8);
    }
    return names;
}

struct Lookup {
    QString section;
    QString key;
    std::optional<QString> value;
};

// An entry as the profile tells entries apart: by the lower case of names.
QString entryName(const QString& section, const QString& key)
{
    return section.toLower() + QChar(u'\n') + key.toLower();
}

void checkRoundTrip(const QByteArray& bytes, const ProfileFile& profile)
{
    // Unchanged, the file comes back byte for byte, with a line break added
    // at the end when it had none: the first line's break.
    QByteArray expected = bytes;
    QByteArrayView body(bytes);
    if (body.startsWith(Bom))
        body = body.sliced(Bom.size());
    if (!body.isEmpty() && !body.endsWith('\n')) {
        const qsizetype firstBreak = body.indexOf('\n');
        expected += (firstBreak > 0 && body[firstBreak - 1] == '\r') ? "\r\n" : "\n";
    }
    check(profile.toBytes() == expected, "an unchanged profile is not written as it was read",
          QString::fromLatin1(profile.toBytes().toHex()));
}

} // namespace

} // namespace vt

// Any bytes must read, answer lookups, take changes and be written back
// without a fault, and what is read after a change must be what the written
// file reads.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vt;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ProfileFile profile = ProfileFile::fromBytes(bytes);
    checkRoundTrip(bytes, profile);

    QByteArrayView body(bytes);
    if (body.startsWith(Bom))
        body = body.sliced(Bom.size());
    const bool windows1252 = !body.isValidUtf8();
    const QString text = windows1252 ? fromCp1252(body) : QString::fromUtf8(body);
    const Names names = namesIn(text);

    // Lookups: never a line break in a value, and letter case does not matter.
    QList<Lookup> before;
    for (const QString& section : names.sections) {
        for (const QString& key : names.keys) {
            const std::optional<QString> value = profile.value(section, key);
            check(!value || !value->contains(u'\n'), "a value holds a line break",
                  pair(section, key));
            check(profile.value(swapAsciiCase(section), swapAsciiCase(key)) == value,
                  "a lookup depends on letter case", pair(section, key));
            before.append({section, key, value});
        }
    }

    // Changes with names that can be written: replacing a value (taken from
    // the input, or made awkward on purpose), adding a key to a section and
    // adding a section, the way the settings are saved.
    //
    // The input's first byte chooses which of them happen, so that the input
    // decides everything that is written: bits 0-1 how many keys change (every
    // one up to every fourth), bit 2 whether the awkward values are used, bit 3
    // whether the real sections change too, bit 4 whether every section gets
    // a new key and bit 5 whether a new section and the real message key are
    // written.
    const uint flags = size > 0 ? data[0] : 0xFF;
    QStringList values = names.values;
    if ((flags & 0x04) || values.isEmpty()) {
        values << QString() << QStringLiteral("  \"quoted\"  ") << QStringLiteral("'a;b' \"c\"")
               << QStringLiteral("two\r\nlines\rand\nmore") << QStringLiteral("\"")
               << QStringLiteral("caf\u00E9 \u20AC \u2603 \U0001F600") << QString(3000, u'x');
    }
    ProfileFile changed = profile;
    QHash<QString, Lookup> set;
    const auto setValue = [&](const QString& section, const QString& key, const QString& value) {
        changed.setValue(section, key, value);
        const QString expected = readBack(value, windows1252);
        check(changed.value(section, key) == expected, "a value set is not the value read",
              pair(section, key) + QLatin1String(" = ") + shown(changed.value(section, key)) +
                  QLatin1String(", expected ") + expected);
        set.insert(entryName(section, key), {section, key, expected});
    };
    // Each value is picked by a byte of the input, from its end backwards.
    size_t pick = 0;
    const auto nextValue = [&] {
        const size_t byte = size > 0 ? data[size - 1 - pick++ % size] : pick++;
        return values.at(qsizetype(byte) % values.size());
    };
    const uint step = flags % 4 + 1;
    uint changes = 0;
    for (qsizetype i = (flags & 0x08) ? 0 : RealSections; i < names.sections.size(); ++i) {
        const QString& section = names.sections.at(i);
        if (!writableSection(section))
            continue;
        for (const QString& key : names.keys) {
            if (writableKey(key) && changes++ % step == 0)
                setValue(section, key, nextValue());
        }
        if (flags & 0x10)
            setValue(section, QStringLiteral("Fuzz Added Key"), nextValue());
    }
    if (flags & 0x20) {
        setValue(QStringLiteral("Fuzz New Section"), QStringLiteral("Count"), nextValue());
        setValue(QStringLiteral("Interval"), QStringLiteral("#1 Message Text"), nextValue());
        setValue(QStringLiteral("interval"), QStringLiteral("#1 MESSAGE TEXT"), nextValue());
    }

    // What is read after the changes is what the written file reads, and
    // nothing else changed.
    const QByteArray written = changed.toBytes();
    const ProfileFile reread = ProfileFile::fromBytes(written);
    for (const Lookup& l : set) {
        check(
            reread.value(l.section, l.key) == l.value, "a value set reads otherwise from the file",
            pair(l.section, l.key) + QLatin1String(" = ") + shown(reread.value(l.section, l.key)) +
                QLatin1String(", expected ") + shown(l.value));
    }
    for (const Lookup& l : before) {
        if (set.contains(entryName(l.section, l.key)))
            continue;
        check(changed.value(l.section, l.key) == l.value, "a change altered another value",
              pair(l.section, l.key));
        check(reread.value(l.section, l.key) == l.value,
              "another value reads otherwise from the changed file",
              pair(l.section, l.key) + QLatin1String(" = ") +
                  shown(reread.value(l.section, l.key)) + QLatin1String(", expected ") +
                  shown(l.value));
    }

    // Line breaks follow the file: no CR in a file that had none, and CR LF
    // throughout in a file that had only those.
    const QByteArrayView writtenBody =
        QByteArrayView(written).sliced(written.startsWith(Bom) ? Bom.size() : 0);
    if (!body.contains('\r'))
        check(!writtenBody.contains('\r'), "CR written into a file without any");
    const auto onlyCrlf = [](QByteArrayView b) {
        for (qsizetype i = 0; i < b.size(); ++i) {
            if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r'))
                return false;
        }
        return true;
    };
    if (body.contains('\n') && onlyCrlf(body))
        check(onlyCrlf(writtenBody), "LF written into a CR LF file");

    // Names that cannot be spelt in the file must still not fault, and are
    // found again before the file is written.
    ProfileFile odd = profile;
    const qsizetype fromInput = qMax(RealSections, names.sections.size() - 4);
    for (qsizetype i = names.sections.size() - 1; i >= fromInput; --i) {
        const QString& section = names.sections.at(i);
        for (qsizetype j = names.keys.size() - 1; j >= 0 && j >= names.keys.size() - 4; --j) {
            const QString& key = names.keys.at(j);
            const QString value = nextValue();
            odd.setValue(section, key, value);
            const QString s = windows1252 ? asCp1252(section) : section;
            const QString k = windows1252 ? asCp1252(key) : key;
            check(odd.value(s, k) == readBack(value, windows1252),
                  "a value set under an odd name is not the value read", pair(section, key));
        }
    }
    odd.setValue(text.left(40), text.right(40), text.mid(qsizetype(size) / 2, 40));
    (void)ProfileFile::fromBytes(odd.toBytes());
    return 0;
}
