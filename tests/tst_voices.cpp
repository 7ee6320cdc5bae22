// SPDX-License-Identifier: MIT
// Speech settings with an engine ready at once, late or never: the status
// line, and a saved voice kept by its name.
#include "support.h"
#include "ui/main/firstframe.h"

using namespace vt;
using namespace Qt::StringLiterals;

namespace
{

// voices: -1 no engine at all (failed, or timed out), else that many.
std::unique_ptr<FakeSpeechEngine> engineWith(int voices)
{
    if (voices < 0)
        return nullptr;
    const QStringList all{u"Voice A"_s, u"Voice B"_s};
    return std::make_unique<FakeSpeechEngine>(all.first(voices));
}

} // namespace

class TestVoices : public QObject
{
    Q_OBJECT

private slots:
    void statusOnceEngineIsKnown_data()
    {
        QTest::addColumn<int>("voices");
        QTest::addColumn<bool>("late");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("beeps");
        const QByteArray speech = "[Timer]\nSound=2\n";
        const QString none = u"No Speech Voice Engines Installed"_s;
        // An empty file: Speech is chosen by hand before the engine is ready.
        QTest::newRow("at once, Speech in the file") << 2 << false << speech << "" << 0;
        QTest::newRow("late, Speech in the file") << 2 << true << speech << "" << 0;
        QTest::newRow("late, Speech chosen") << 2 << true << QByteArray() << "" << 0;
        QTest::newRow("settings error kept") << 2 << true << speech + "Mode=7\n"
                                             << "Settings Error, [Timer] Mode" << 1;
        QTest::newRow("no voices, Speech in the file") << 0 << true << speech << none << 2;
        // An engine that failed says so, not that no voices are installed.
        QTest::newRow("no engine, Speech chosen")
            << -1 << true << QByteArray() << "No Voice Components Loaded" << 1;
    }
    void statusOnceEngineIsKnown()
    {
        QFETCH(int, voices);
        QFETCH(bool, late);
        QFETCH(QByteArray, file);
        WindowDriver d(file, engineWith(voices), late);
        if (file.isEmpty())
            d.ui().cmbSound->setCurrentIndex(2);
        if (late)
            d.speech.finish();
        QTEST(d.window.statusPanel()->text(), "status");
        QTEST(d.beeper.beeps, "beeps");
    }
    // During a run the status line keeps the next alarm; a late failure of
    // the engine is told when the run ends.
    void engineFailsDuringARun()
    {
        WindowDriver d({}, nullptr, true);
        QTest::mouseClick(d.ui().cmdStart, Qt::LeftButton);
        d.speech.finish();
        QCOMPARE(std::pair(d.status(), d.beeper.beeps), std::pair(u"Timer 10:30"_s, 0));
        QTest::mouseClick(d.ui().cmdStop, Qt::LeftButton);
        QCOMPARE(std::pair(d.status(), d.beeper.beeps),
                 std::pair(u"No Voice Components Loaded"_s, 1));
    }
    void savedVoice_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QStringList>("voices"); // installed at this start
        QTest::addColumn<QString>("selected");
        const QByteArray anna = "[Timer]\nSpeech Engine=2\nSpeech Voice=German - Anna\n";
        const QStringList abc{u"A"_s, u"B"_s, u"C"_s};
        QTest::newRow("by name, moved down")
            << anna
            << QStringList{"Dutch - Kees", "English - Alan", "English - Bella", "German - Anna"}
            << "German - Anna";
        QTest::newRow("by name, now first, the index another's")
            << anna << QStringList{"German - Anna", "Dutch - Kees", "English - Alan"}
            << "German - Anna";
        QTest::newRow("name gone: its index") << anna << abc << "C";
        QTest::newRow("index beyond: the first") << anna << abc.first(2) << "A";
        QTest::newRow("older file: the index")
            << QByteArray("[Timer]\nSpeech Engine=1\n") << abc << "B";
        QTest::newRow("older file, -1: no voice")
            << QByteArray("[Timer]\nSpeech Engine=-1\n") << abc << "";
    }
    // The voice saved by its name stays that voice when the list changes;
    // files without a name keep their index; the name chosen is saved.
    void savedVoice()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, voices);
        QFETCH(QString, selected);
        WindowDriver d(saved, std::make_unique<FakeSpeechEngine>(voices));
        QCOMPARE(d.ui().cmbSpeechEngine->currentText(), selected);
        QCOMPARE(d.engine->selected, qMax(0, int(voices.indexOf(selected))));
        d.ui().cmbSpeechEngine->setCurrentIndex(int(voices.size()) - 1);
        d.window.close();
        QVERIFY(readFile(d.path()).contains("Speech Voice=" + voices.last().toUtf8() + "\n"));
    }
    // The engine is asked for at the first frame, or anyway if it never comes.
    void engineWithoutAFirstFrame()
    {
        QWindow unseen;
        bool ran = false;
        afterFirstFrame(unseen, &unseen, [&ran] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 3000);
    }
};

VT_TEST_MAIN(TestVoices, "Europe/London")
#include "tst_voices.moc"
