// SPDX-License-Identifier: MIT
// Fuzz target for reading, changing and writing the settings file's bytes.
#include "settings/profilefile.h"

#include <QRegularExpression>
#include <QStringDecoder>

#define CHECK(ok) ((ok) ? void() : qFatal("fuzz_profile: %s is false (line %d)", #ok, __LINE__))

// Any bytes are written back unchanged; values set under names the input spells and the
// real ones read back as promised, before and after writing, and leave the others alone.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const qsizetype eol = body.indexOf('\n'); // a missing last line break is the first one's kind
    const QByteArray lineBreak = eol > 0 && body[eol - 1] == '\r' ? "\r\n" : "\n";
    const vt::ProfileFile profile = vt::ProfileFile::fromBytes(bytes);
    CHECK(profile.toBytes() == (body.isEmpty() || body.endsWith('\n') ? bytes : bytes + lineBreak));

    // Names and values as lines spell them; of a Windows-1252 file those whose bytes read as
    // UTF-8 too, set everywhere so that the file may come to be all UTF-8.
    static const QRegularExpression spelt("[^][=\\s;](?:[^][=\r\n]*[^][=\\s])?");
    const bool utf8 = body.isValidUtf8();
    const QString text =
        utf8 ? QString::fromUtf8(body) : QStringDecoder("windows-1252").decode(body);
    QStringList names =
        QString("Interval|Time|Timer|timer|Count|#1 Message Text|#1 MESSAGE TEXT").split('|');
    for (const auto& match : spelt.globalMatch(text))
        if (utf8 || body.mid(match.capturedStart(), match.capturedLength()).isValidUtf8())
            names << match.captured();
    names = names.mid(0, 24);
    const QStringList values =
        names + QString("|  \"q\"  |'a;b' \"c\"|two\r\nlines\rand\nmore|\"").split('|')
        << QString(3000, u'x');
    // A value read: without blanks around it and one pair of quotes, line breaks blanks.
    static const QRegularExpression read("(?s)^[ \t\v\f]*(?|([\"'])(.*)\\1|()(.*?))[ \t\v\f]*$");

    vt::ProfileFile changed = profile;
    QHash<QString, std::optional<QString>> expected; // lower-cased section and key -> value
    size_t pick = 0; // the input's bytes pick the entries that change, and to what
    for (const QString& s : names)
        for (const QString& k : names)
            if (const uint byte = size ? data[pick % size] : 0; (byte + pick++) % 3 == 0 || !utf8) {
                QString value = values[byte % values.size()];
                changed.setValue(s, k, value);
                expected[(s + '\n' + k).toLower()] =
                    read.match(value.replace(u'\r', u' ').replace(u'\n', u' ')).captured(2);
            }
    const QByteArray written = changed.toBytes();
    const vt::ProfileFile reread = vt::ProfileFile::fromBytes(written);
    for (const QString& s : names)
        for (const QString& k : names) {
            const auto was = expected.value((s + '\n' + k).toLower(), profile.value(s, k));
            CHECK(changed.value(s, k) == was && reread.value(s, k) == was);
        }
    CHECK(body.contains('\r') || !written.contains('\r')); // no CR in a file that had none
    return 0;
}
