// SPDX-License-Identifier: MIT
// Fuzz target for loading and saving a settings file with the real controls.
#include "core/alarmtable.h"
#include "core/picture.h"
#include "core/tablecontrol.h"
#include "settings/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QList>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

#include <array>
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
    std::fprintf(stderr, "fuzz_settings: %s\n  %s\n", what, qUtf8Printable(detail));
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        fail(what, detail);
}

// The main window's controls as far as the settings reach them, made once:
// a QApplication cannot be made twice in a process.
struct Controls {
    ImageList images{QIcon(), QIcon()};
    TableControl interval;
    TableControl time;
    QCheckBox round;
    QComboBox mode;
    QComboBox sound;
    QComboBox voices;
    QSlider rate;
    QSlider volume;
    QPushButton speak;
    QTemporaryDir dir;
    SettingsControls c;

    Controls()
    {
        mode.addItems({QStringLiteral("Interval"), QStringLiteral("Time")});
        sound.addItems({QStringLiteral("None"), QStringLiteral("Beep"), QStringLiteral("Speech")});
        voices.addItems({QStringLiteral("Voice A"), QStringLiteral("Voice B")});
        rate.setRange(-10, 10);
        volume.setRange(0, 100);
        interval.setImageList(&images);
        time.setImageList(&images);
        c = SettingsControls{
            {&interval, &time}, &round, &mode, &sound, &voices, &rate, &volume, &speak};
        if (!dir.isValid())
            fail("no temporary folder", dir.errorString());
    }

    // As at start-up, before the file is read, so that no input depends on
    // the one before it.
    void reset()
    {
        SettingsDefault(c);
        voices.setCurrentIndex(0);
        rate.setValue(0);
        volume.setValue(100);
    }
};

Controls* controls = nullptr;

struct Row {
    bool enabled = false;
    AlarmEntry entry;
};

struct State {
    std::array<QList<Row>, 2> tables; // rows from 1
    Qt::CheckState round = Qt::Unchecked;
    bool tristate = false;
    int mode = 0;
    int sound = 0;
    int voice = 0;
    int rate = 0;
    int volume = 0;
};

State capture(Controls& k)
{
    State s;
    for (int t = 0; t < 2; ++t) {
        TableControl& table = *k.c.grdTimer[t];
        for (int r = 1; r < table.Rows(); ++r)
            s.tables[t].append({IsEntryEnabled(table, r, EnableColumn), ReadEntry(table, r)});
    }
    s.round = k.round.checkState();
    s.tristate = k.round.isTristate();
    s.mode = k.mode.currentIndex();
    s.sound = k.sound.currentIndex();
    s.voice = k.voices.currentIndex();
    s.rate = k.rate.value();
    s.volume = k.volume.value();
    return s;
}

void checkBounds(Controls& k, const char* when)
{
    for (const TableControl* table : k.c.grdTimer) {
        check(table->Rows() >= 1 && table->Rows() <= 1001, "a table's rows are out of bounds",
              QString::fromLatin1(when) + QLatin1String(": ") + QString::number(table->Rows()));
    }
    check(k.mode.currentIndex() >= 0 && k.mode.currentIndex() <= 1, "no timer mode chosen", when);
    check(k.sound.currentIndex() >= 0 && k.sound.currentIndex() <= 2, "no sound mode chosen", when);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

// What the file gives back of a text written to it: line breaks as blanks,
// blanks around it and one pair of matching quotes removed.
QString readBack(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    text = text.sliced(begin, end - begin);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
        text.back() == text.front())
        text = text.sliced(1, text.size() - 2);
    return text;
}

// A saved file must load into what was saved. Texts are compared as the file
// gives them back; one that comes back empty is skipped by loading and so
// leaves whatever the cell held.
void checkSame(const State& saved, const State& loaded, bool texts, const char* when)
{
    const QString w = QString::fromLatin1(when);
    for (int t = 0; t < 2; ++t) {
        check(saved.tables[t].size() == loaded.tables[t].size(), "the entry count changed",
              w + QLatin1String(": ") + QString::number(saved.tables[t].size()) +
                  QLatin1String(" saved, ") + QString::number(loaded.tables[t].size()) +
                  QLatin1String(" loaded"));
        for (qsizetype r = 0; r < saved.tables[t].size(); ++r) {
            const Row& a = saved.tables[t][r];
            const Row& b = loaded.tables[t][r];
            const QString where = w + QLatin1String(", table ") + QString::number(t) +
                                  QLatin1String(" entry ") + QString::number(r + 1);
            check(a.enabled == b.enabled, "an entry's enabled state changed", where);
            check(a.entry.foreColor == b.entry.foreColor, "an entry's text colour changed", where);
            check(a.entry.backColor == b.entry.backColor, "an entry's back colour changed", where);
            if (!texts)
                continue;
            for (const auto& [before, after] : {std::pair{a.entry.schedule, b.entry.schedule},
                                                std::pair{a.entry.message, b.entry.message}}) {
                const QString expected = readBack(before);
                check(expected.isEmpty() || after == expected, "an entry's text changed",
                      where + QLatin1String(": \"") + after + QLatin1String("\", expected \"") +
                          expected + QLatin1Char('"'));
            }
        }
    }
    check(saved.round == loaded.round && saved.tristate == loaded.tristate, "Top of Hour changed",
          w);
    check(saved.mode == loaded.mode, "the timer mode changed", w);
    check(saved.sound == loaded.sound, "the sound mode changed", w);
    check(saved.voice == loaded.voice, "the voice changed", w);
    check(saved.rate == loaded.rate, "the speech rate changed", w);
    check(saved.volume == loaded.volume, "the speech volume changed", w);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("a file written cannot be read back", path);
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("the input cannot be written", path);
}

} // namespace

} // namespace vt

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives as long as the process: libFuzzer never returns to tear it down.
    static int appArgc = 1;
    static char* appArgv[] = {(*argc > 0) ? (*argv)[0] : const_cast<char*>("fuzz_settings"),
                              nullptr};
    new QApplication(appArgc, appArgv);
    vt::controls = new vt::Controls;
    return 0;
}

// Any file loads without a fault and keeps the tables within their bounds,
// and what is then saved loads again cleanly into the same state.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vt;
    Controls& k = *controls;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString input = k.dir.filePath(QStringLiteral("Vigiltide.Ini"));
    const QString copy = k.dir.filePath(QStringLiteral("Saved.Ini"));
    writeFile(input, bytes);
    QFile::remove(copy);

    k.reset();
    const LoadOutcome first = SettingsLoad(k.c, input);
    // Only a file that is not text is refused whole, and then never written over.
    check(first.unreadable == bytes.contains('\0'), "a file was refused or taken wrongly",
          first.problem);
    if (first.unreadable) {
        QString error;
        check(!SettingsSave(k.c, input, {}, &error), "an unreadable file was written over");
        check(readFile(input) == bytes, "an unreadable file was changed");
        return 0;
    }
    checkBounds(k, "loading the input");
    const State loaded = capture(k);

    // Saved to a new file, the settings load back without a problem.
    QString error;
    check(SettingsSave(k.c, copy, {}, &error), "saving to a new file failed", error);
    k.reset();
    const LoadOutcome second = SettingsLoad(k.c, copy);
    check(!second.unreadable && second.problem.isEmpty(), "a saved file does not load cleanly",
          second.problem);
    checkBounds(k, "loading the saved file");
    checkSame(loaded, capture(k), true, "saved to a new file");

    // Saved over the file they came from, as the program does, keeping its
    // other lines: the same again. A Windows-1252 file may not hold every
    // character of a text, so texts are compared only for UTF-8 input.
    check(SettingsSave(k.c, input, {}, &error), "saving over the input failed", error);
    k.reset();
    const LoadOutcome third = SettingsLoad(k.c, input);
    check(!third.unreadable && third.problem.isEmpty(),
          "the input saved over does not load cleanly", third.problem);
    checkBounds(k, "loading the input saved over");
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    checkSame(loaded, capture(k), body.isValidUtf8(), "saved over the input");
    return 0;
}
