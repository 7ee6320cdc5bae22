// SPDX-License-Identifier: MIT
// Fuzz target for loading and saving a settings file with the real controls.
#include "core/alarmtable.h"
#include "core/tablecontrol.h"
#include "settings/profilefile.h"
#include "settings/settings.h"

#include <QtWidgets>

#define CHECK(ok) ((ok) ? void() : qFatal("fuzz_settings: %s is false (line %d)", #ok, __LINE__))

static vt::SettingsControls c; // the main window's controls as far as the settings reach
static vt::LoadOutcome outcome;

// The controls once a file is loaded over the defaults, texts as reloads give them back.
static QStringList load(const QString& path)
{
    vt::SettingsDefault(c);
    outcome = vt::SettingsLoad(c, path);
    QStringList s{QString::asprintf("%d %d %d %d %d %d", c.cmbMode->currentIndex(),
                                    c.cmbSound->currentIndex(), c.cmbSpeechEngine->currentIndex(),
                                    int(c.chkIntervalRound->checkState()), c.sldSpeechRate->value(),
                                    c.sldSpeechVolume->value())};
    for (vt::TableControl* t : c.grdTimer)
        for (int r = 1; r < t->Rows(); ++r) {
            const vt::AlarmEntry e = vt::ReadEntry(*t, r);
            s << QString::asprintf("%d %d %d", int(vt::IsEntryEnabled(*t, r, vt::EnableColumn)),
                                   e.foreColor, e.backColor);
            for (QString text : {e.schedule, e.message}) {
                vt::ProfileFile file;
                for (QString was; was != text; text = *file.value(u"s", u"k"))
                    file.setValue("s", "k", was = text);
                s << text;
            }
        }
    return s;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv); // lives as long as the process, as the controls do
    c.grdTimer = {new vt::TableControl, new vt::TableControl};
    c = {c.grdTimer,    new QCheckBox, new QComboBox, new QComboBox,
         new QComboBox, new QSlider,   new QSlider,   new QPushButton};
    for (vt::TableControl* table : c.grdTimer)
        table->setImageList(new vt::ImageList(QIcon(), QIcon()));
    c.cmbMode->addItems({"Interval", "Time"});
    c.cmbSound->addItems({"None", "Beep", "Speech"});
    c.cmbSpeechEngine->addItems({"Voice A", "Voice B"});
    return 0;
}

// Saved anew and over itself, a file loads back into the same state; only NUL is refused.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(dir.filePath("Saved.Ini"));
    vt::ProfileFile::fromBytes(bytes).save(dir.filePath("Vigiltide.Ini"), nullptr);
    QStringList saved = load(dir.filePath("Vigiltide.Ini"));
    CHECK(outcome.unreadable == bytes.contains('\0'));
    for (const QString& path : {dir.filePath("Saved.Ini"), dir.filePath("Vigiltide.Ini")}) {
        if (outcome.unreadable)
            return 0;
        CHECK(vt::SettingsSave(c, path, {}, nullptr));
        const QStringList loaded = load(path);
        for (qsizetype i = 0; i < saved.size(); ++i)
            CHECK(outcome.problem.isEmpty() && loaded.size() == saved.size() &&
                  (saved[i].isEmpty() || saved[i] == loaded[i]));
        saved = loaded;
    }
    return 0;
}
