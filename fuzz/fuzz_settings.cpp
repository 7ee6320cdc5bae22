// SPDX-License-Identifier: MIT
// Fuzz target for loading a settings file into values and saving them again.
#include "settings/profilefile.h"
#include "settings/settings.h"

#include <QTemporaryDir>

#define CHECK(ok) ((ok) ? void() : qFatal("fuzz_settings: %s is false (line %d)", #ok, __LINE__))

namespace
{

vt::LoadOutcome outcome;

// A text as reloads give it back: the file trims blanks and one pair of quotes.
QString asReloaded(QString text)
{
    vt::ProfileFile file;
    for (QString was; was != text; text = *file.value(u"s", u"k"))
        file.setValue("s", "k", was = text);
    return text;
}

// The values once a file is loaded over the defaults, texts as reloads give them back
// (and an entry without a mark as the disabled one it is saved as).
vt::Settings load(const QString& path)
{
    vt::Settings s;
    vt::SettingsDefault(s);
    outcome = vt::SettingsLoad(path, s);
    // The sliders keep a position whatever the file says, and it is saved.
    s.speech = outcome.speech;
    s.speech.rate = s.speech.rate.value_or(0);
    s.speech.volume = s.speech.volume.value_or(100);
    for (vt::AlarmTable& table : s.tables)
        for (int r = 1; r < table.Rows(); ++r) {
            vt::SetEntryEnabled(table, r, vt::IsEntryEnabled(table, r));
            for (int c : {vt::ScheduleColumn, vt::MessageColumn})
                table.cell(r, c).text = asReloaded(table.text(r, c));
        }
    return s;
}

bool same(const vt::Settings& a, const vt::Settings& b)
{
    return a.tables == b.tables && a.round == b.round && a.mode == b.mode && a.sound == b.sound &&
           a.speech.rate == b.speech.rate && a.speech.volume == b.speech.volume &&
           a.speech.engine.value_or(-1) == b.speech.engine.value_or(-1) &&
           a.speech.voice.value_or(QString()) == b.speech.voice.value_or(QString());
}

} // namespace

// Saved anew and over itself, a file loads back into the same values; only NUL is refused.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(dir.filePath("Saved.Ini"));
    vt::ProfileFile::fromBytes(bytes).save(dir.filePath("Vigiltide.Ini"), nullptr);
    vt::Settings saved = load(dir.filePath("Vigiltide.Ini"));
    CHECK(outcome.unreadable == bytes.contains('\0'));
    for (const QString& path : {dir.filePath("Saved.Ini"), dir.filePath("Vigiltide.Ini")}) {
        if (outcome.unreadable)
            return 0;
        CHECK(vt::SettingsSave(saved, path, nullptr));
        const vt::Settings loaded = load(path);
        CHECK(outcome.problem.isEmpty() && same(saved, loaded));
        saved = loaded;
    }
    return 0;
}
