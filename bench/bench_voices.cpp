// SPDX-License-Identifier: MIT
// How soon the voice list is usable once the real speech engine is ready: the
// list filled and its first voice chosen, then opening it and finding a voice
// by typing. Also what listing every voice costs on the worker thread.
#include "core/clock.h"
#include "platform/nullinhibitor.h"
#include "speech/qtspeechengine.h"
#include "speech/qtspeechprovider.h"
#include "speech/tonebeeper.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace
{

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    vt::SystemClock clock;
    vt::ToneBeeper beeper({});
    vt::QtSpeechProvider speech(60000);
    vt::NullSleepInhibitor sleep;

    // Connected before the window's own handler, and after it: the two
    // bracket the window's work on the engine.
    QElapsedTimer sinceReady;
    double filledMs = -1;
    QObject::connect(&speech, &vt::SpeechEngineProvider::engineReady, &app,
                     [&] { sinceReady.start(); });
    vt::frmMain window(clock, beeper, speech, sleep,
                       folder.filePath(QStringLiteral("Vigiltide.Ini")));
    QObject::connect(&speech, &vt::SpeechEngineProvider::engineReady, &app,
                     [&] { filledMs = msSince(sinceReady); });
    window.show();
    if (!QTest::qWaitFor([&] { return filledMs >= 0; }, 65000)) {
        std::fprintf(stderr, "the speech engine was not ready within a minute\n");
        return 1;
    }
    QComboBox* list = window.form().cmbSpeechEngine;
    if (list->count() == 0) {
        std::fprintf(stderr, "no voices: %s\n", qPrintable(window.statusPanel()->text()));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::processEvents(); // the window repaints with the list
    const double paintedMs = filledMs + msSince(timer);
    timer.start();
    list->showPopup();
    QCoreApplication::processEvents();
    const double openMs = msSince(timer);
    list->hidePopup();
    list->setFocus();
    timer.start();
    QTest::keyClicks(list, "Ger");
    const double typedMs = msSince(timer);

    std::printf("engine %s made and its %d voices listed on the worker in %lld ms\n",
                qPrintable(speech.engineName()), list->count(), speech.creationMs());
    std::printf("voice list usable (filled, first voice chosen, repainted) %.1f ms after the "
                "engine was ready\n",
                paintedMs);
    std::printf("opening the list %.1f ms; typing \"Ger\" %.1f ms, found \"%s\"\n", openMs, typedMs,
                qPrintable(list->currentText()));
    if (auto* engine = dynamic_cast<const vt::QtSpeechEngine*>(window.speech().voice())) {
        timer.start();
        const int listed =
            int(vt::QtSpeechEngine::listVoices(engine->textToSpeech()).voices.size());
        std::printf("listing, describing and ordering the %d voices again: %.1f ms\n", listed,
                    msSince(timer));
    }
    for (int i = 0; i < 3; ++i)
        std::printf("  voice %d: %s\n", i, qPrintable(list->itemText(i)));
    return 0;
}
