// SPDX-License-Identifier: MIT
// The settings file: an INI "profile" read once into memory and written back
// once, with the lookup rules the settings have always been read with.
//
// Ordinary INI libraries take our "#1 Enabled=True" keys for comments, and
// rewrite files they do not understand, so this layer is our own: it knows
// sections, key=value lines and nothing else, and keeps every other line
// (comments, blank lines, sections and keys it does not know) byte for byte.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace vt
{

class ProfileFile
{
    // The reasons load() and save() give are shown to the user.
    Q_DECLARE_TR_FUNCTIONS(ProfileFile)

public:
    // Reads path. A missing file is an empty profile (the caller decides what
    // that means); false with *error set when the path is a folder, cannot be
    // read or does not hold text.
    bool load(const QString& path, QString* error);

    // The profile held in bytes, as load() would read it from a file.
    static ProfileFile fromBytes(const QByteArray& bytes);

    // Section and key are matched regardless of letter case; the first key in
    // the first such section wins. Blanks around the value and one pair of
    // matching quotes are removed. Nothing when the key is absent; "key=" is
    // an empty string.
    std::optional<QString> value(QStringView section, QStringView key) const;

    // Replaces the value of the key value() reads, keeping the line's spelling;
    // otherwise adds the key after the last key of its section, or a new section
    // at the end. The value is written as given; a line break in it would end
    // the entry early, so line breaks are written as blanks. In a Windows-1252
    // file, characters it cannot hold are written as '?'.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The whole file: UTF-8 or Windows-1252 and CRLF or LF as it was read (a
    // new profile is UTF-8 with LF), ending with a line break. A Windows-1252
    // file whose changed bytes would all read as UTF-8 is written as UTF-8.
    QByteArray toBytes() const;

    // Replaces the file at path all at once, through a temporary file in the
    // same folder, so a failure leaves the old file as it was. False with
    // *error set on failure.
    bool save(const QString& path, QString* error) const;

private:
    struct Line {
        QString text;              // without the line break
        bool crlf = false;         // ended with CR LF rather than LF
        qsizetype valueStart = -1; // key lines: where the value's text begins; -1 otherwise
        QString value;             // key lines: the value as value() gives it
    };
    struct Section {
        Line header;                    // unused for the lines before the first section
        QList<Line> lines;              // the lines after the header, up to the next one
        QHash<QString, qsizetype> keys; // lower-cased key -> its first line
        qsizetype afterLastKey = 0;     // where a new key goes
    };

    void parse(QStringView text);
    Line newLine(const QString& text) const;
    QString storable(const QString& text) const;

    // sections[0] holds the lines before the first header and has no header.
    QList<Section> m_sections{Section{}};
    QHash<QString, qsizetype> m_sectionIndex; // lower-cased name -> first section so named
    bool m_windows1252 = false;
    bool m_bom = false;
    bool m_crlf = false;
};

} // namespace vt
