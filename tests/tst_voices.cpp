// SPDX-License-Identifier: MIT
// The voice list and the speech settings around an engine that is ready at
// once, late, or never: what the status line says.
#include "testmain.h"
#include "windowdriver.h"

using namespace vt;

namespace
{

// voices: -1 no engine at all (failed, or timed out), else that many.
std::unique_ptr<FakeSpeechEngine> engineWith(int voices)
{
    if (voices < 0)
        return nullptr;
    const QStringList all{QStringLiteral("Voice A"), QStringLiteral("Voice B")};
    return std::make_unique<FakeSpeechEngine>(all.first(voices));
}

} // namespace

class TestVoices : public QObject
{
    Q_OBJECT

private slots:
    void statusOnceEngineIsKnown_data();
    void statusOnceEngineIsKnown();
};

void TestVoices::statusOnceEngineIsKnown_data()
{
    QTest::addColumn<int>("voices");
    QTest::addColumn<bool>("late");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("beeps");
    const QByteArray speech = "[Timer]\nSound=2\n";
    const QString none = QStringLiteral("No Speech Voice Engines Installed");
    // An empty file: Speech is chosen by hand before the engine is ready.
    QTest::newRow("at once, Speech in the file") << 2 << false << speech << "" << 0;
    QTest::newRow("at once, Speech chosen") << 2 << false << QByteArray() << "" << 0;
    QTest::newRow("late, Speech in the file") << 2 << true << speech << "" << 0;
    QTest::newRow("late, Speech chosen") << 2 << true << QByteArray() << "" << 0;
    QTest::newRow("settings error kept") << 2 << true << speech + "Mode=7\n"
                                         << "Settings Error, [Timer] Mode" << 1;
    QTest::newRow("no voices, Speech in the file") << 0 << true << speech << none << 2;
    QTest::newRow("no engine, Speech chosen") << -1 << true << QByteArray() << none << 2;
    QTest::newRow("no engine, Beep")
        << -1 << true << QByteArray("[Timer]\nSound=1\n") << "No Voice Components Loaded" << 1;
}

void TestVoices::statusOnceEngineIsKnown()
{
    QFETCH(int, voices);
    QFETCH(bool, late);
    QFETCH(QByteArray, file);
    QFETCH(QString, status);
    QFETCH(int, beeps);
    WindowDriver d(engineWith(voices), late, &file);
    if (file.isEmpty())
        d.ui().cmbSound->setCurrentIndex(2);
    if (late)
        d.speech.finish();
    QCOMPARE(d.window.statusPanel()->text(), status);
    QCOMPARE(d.beeper.beeps, beeps);
}

VT_TEST_MAIN(TestVoices, "Europe/London")
#include "tst_voices.moc"
