// SPDX-License-Identifier: MIT
// Reading, changing and writing the settings file; see profilefile.h.
#include "settings/profilefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace vt
{

namespace
{

// Settings files are a few hundred kilobytes at most; anything far larger is
// something else picked by mistake, and reading it whole would only eat memory.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Windows-1252 at 0x80-0x9F. The five bytes it leaves undefined map to the C1
// controls of the same number, as Windows itself reads them, so that every byte
// of an old file comes back unchanged when it is written again.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const uchar b = uchar(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

char encodeCp1252(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i) {
        if (Cp1252High[i] == u)
            return char(0x80 + i);
    }
    return '?';
}

QByteArray encodeCp1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character beyond the basic plane is one '?', not one per half.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(encodeCp1252(c.unicode()));
    }
    return bytes;
}

// Only the blanks a person types; a no-break space in a value is meant.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView trimmedBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

QString readValue(QStringView text, qsizetype start)
{
    QStringView value = trimmedBlanks(text.sliced(start));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

ProfileFile ProfileFile::fromBytes(const QByteArray& bytes)
{
    ProfileFile profile;
    QByteArrayView body(bytes);
    if (body.startsWith(Utf8Bom)) {
        profile.m_bom = true;
        body = body.sliced(Utf8Bom.size());
    }
    // Older files were written in the Windows code page; anything that is not
    // valid UTF-8 is read, and later written, as such.
    if (body.isValidUtf8()) {
        // Keep a second BOM as a character, so it survives being written again.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        profile.parse(QString(utf8(body)));
    } else {
        profile.m_windows1252 = true;
        profile.parse(decodeCp1252(body));
    }
    return profile;
}

void ProfileFile::parse(QStringView text)
{
    bool eolSeen = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype newline = text.indexOf(u'\n', pos);
        qsizetype end = newline < 0 ? text.size() : newline;
        Line line;
        line.crlf = end > pos && text[end - 1] == u'\r' && newline >= 0;
        if (line.crlf)
            --end;
        if (newline >= 0 && !eolSeen) {
            // New lines follow the first line's break.
            m_crlf = line.crlf;
            eolSeen = true;
        }
        line.text = text.sliced(pos, end - pos).toString();
        pos = newline < 0 ? text.size() : newline + 1;

        const QStringView trimmed = trimmedBlanks(line.text);
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                // Only the first section of a name is read; later ones are kept as they are.
                const QString name =
                    trimmedBlanks(trimmed.sliced(1, close - 1)).toString().toLower();
                if (!m_sectionIndex.contains(name))
                    m_sectionIndex.insert(name, m_sections.size());
                Section section;
                section.header = std::move(line);
                m_sections.append(std::move(section));
                continue;
            }
        } else if (!trimmed.startsWith(u';') && m_sections.size() > 1) {
            // Keys before the first section belong to none and are never read.
            const qsizetype equals = line.text.indexOf(u'=');
            const QStringView key =
                equals < 0 ? QStringView() : trimmedBlanks(QStringView(line.text).first(equals));
            if (!key.isEmpty()) {
                Section& section = m_sections.last();
                qsizetype start = equals + 1;
                while (start < line.text.size() && isBlank(line.text[start]))
                    ++start;
                line.valueStart = start;
                line.value = readValue(line.text, start);
                // The first of a repeated key is the one read and rewritten.
                const QString lower = key.toString().toLower();
                if (!section.keys.contains(lower))
                    section.keys.insert(lower, section.lines.size());
                section.lines.append(std::move(line));
                section.afterLastKey = section.lines.size();
                continue;
            }
        }
        m_sections.last().lines.append(std::move(line));
    }
    // A last line without a break gets the file's break when written.
    if (!text.isEmpty() && !text.endsWith(u'\n')) {
        Section& last = m_sections.last();
        (last.lines.isEmpty() ? last.header : last.lines.last()).crlf = m_crlf;
    }
}

std::optional<QString> ProfileFile::value(QStringView section, QStringView key) const
{
    const auto s = m_sectionIndex.constFind(section.toString().toLower());
    if (s == m_sectionIndex.constEnd())
        return std::nullopt;
    const Section& found = m_sections.at(*s);
    const auto k = found.keys.constFind(key.toString().toLower());
    if (k == found.keys.constEnd())
        return std::nullopt;
    return found.lines.at(*k).value;
}

ProfileFile::Line ProfileFile::newLine(const QString& text) const
{
    Line line;
    line.text = text;
    line.crlf = m_crlf;
    return line;
}

QString ProfileFile::storable(const QString& text) const
{
    // What the file will hold, so that what is read now is what a reload reads.
    return m_windows1252 ? decodeCp1252(encodeCp1252(text)) : text;
}

void ProfileFile::setValue(const QString& sectionName, const QString& keyName, const QString& value)
{
    QString written = storable(value);
    written.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString section = storable(sectionName);
    const QString key = storable(keyName);

    const QString lowerSection = section.toLower();
    auto s = m_sectionIndex.constFind(lowerSection);
    if (s == m_sectionIndex.constEnd()) {
        // A blank line before a new section, as a person would leave one.
        Section& last = m_sections.last();
        const Line* lastLine = last.lines.isEmpty()
                                   ? (m_sections.size() > 1 ? &last.header : nullptr)
                                   : &last.lines.last();
        if (lastLine && !trimmedBlanks(lastLine->text).isEmpty())
            last.lines.append(newLine(QString()));
        Section added;
        added.header = newLine(u'[' + section + u']');
        m_sections.append(std::move(added));
        s = m_sectionIndex.insert(lowerSection, m_sections.size() - 1);
    }

    Section& target = m_sections[*s];
    const QString lowerKey = key.toLower();
    const auto k = target.keys.constFind(lowerKey);
    if (k != target.keys.constEnd()) {
        // In place, keeping the key as it was spelt and the blanks before the value.
        Line& line = target.lines[*k];
        line.text.truncate(line.valueStart);
        line.text += written;
        line.value = readValue(line.text, line.valueStart);
        return;
    }
    // After the section's last key, so comments and blank lines that lead into
    // the next section stay with it.
    Line line = newLine(key + u'=' + written);
    line.valueStart = key.size() + 1;
    line.value = readValue(line.text, line.valueStart);
    target.lines.insert(target.afterLastKey, std::move(line));
    target.keys.insert(lowerKey, target.afterLastKey);
    ++target.afterLastKey;
}

QByteArray ProfileFile::toBytes() const
{
    QString text;
    qsizetype size = 0;
    for (const Section& section : m_sections) {
        size += section.header.text.size() + 2;
        for (const Line& line : section.lines)
            size += line.text.size() + 2;
    }
    text.reserve(size);
    const auto write = [&text](const Line& line) {
        text += line.text;
        text += line.crlf ? u"\r\n" : u"\n";
    };
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        if (i > 0)
            write(m_sections.at(i).header);
        for (const Line& line : m_sections.at(i).lines)
            write(line);
    }
    QByteArray body = m_windows1252 ? encodeCp1252(text) : text.toUtf8();
    // Only bytes that are not UTF-8 mark a Windows-1252 file. Once changes have
    // replaced the last of them, the file would be read back as UTF-8 with its
    // letters changed ("Ã©" as "é"), so it is written as UTF-8, which holds them.
    if (m_windows1252 && body.isValidUtf8())
        body = text.toUtf8();
    return m_bom ? Utf8Bom + body : body;
}

bool ProfileFile::load(const QString& path, QString* error)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isDir())
        return fail(error, tr("%1 is a folder, not a settings file.").arg(shown));
    if (!info.exists()) {
        *this = ProfileFile();
        return true;
    }
    if (info.size() > MaxFileSize)
        return fail(error, tr("%1 is too large to be a settings file.").arg(shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, tr("%1 cannot be read: %2").arg(shown, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(error, tr("%1 cannot be read: %2").arg(shown, file.errorString()));
    // Text never holds NUL; a file that does is something else (or UTF-16,
    // which the settings were never written in), and reading it as settings
    // would lose it on the next save.
    if (bytes.contains('\0'))
        return fail(error, tr("%1 is not a settings file: it is not text.").arg(shown));
    *this = fromBytes(bytes);
    return true;
}

bool ProfileFile::save(const QString& path, QString* error) const
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isDir())
        return fail(error, tr("%1 is a folder, so the settings cannot be saved there.").arg(shown));
    // The replacement goes through a new file, which the folder allows even
    // where the file itself is marked read-only (and root may write anything):
    // a file the user marked read-only is never replaced behind their back.
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && !(info.permissions() & anyWrite))
        return fail(error, tr("%1 is read-only.").arg(shown));
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk, a file-size limit) shows
    // in write()'s count; buffered, it could pass unnoticed and be committed
    // as a cut-off file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, tr("%1 cannot be written: %2").arg(shown, file.errorString()));
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.error() == QFileDevice::NoError
                                   ? tr("the disk is full or the file too large")
                                   : file.errorString();
        file.cancelWriting();
        return fail(error, tr("%1 cannot be written: %2").arg(shown, reason));
    }
    if (!file.commit())
        return fail(error, tr("%1 cannot be written: %2").arg(shown, file.errorString()));
    return true;
}

} // namespace vt
