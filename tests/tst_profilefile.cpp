// SPDX-License-Identifier: MIT
// The settings file: what a lookup finds, what a rewrite leaves untouched, and
// how loading and saving fail.
#include "settings/profilefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using vt::ProfileFile;

class TestProfileFile : public QObject
{
    Q_OBJECT

private slots:
    void lookups_data();
    void lookups();
    void rewrites_data();
    void rewrites();
    void loadAndSave();
    void saveToReadOnlyFolder();
};

namespace
{

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

void TestProfileFile::lookups_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // null: absent

    const QString absent;
    QTest::newRow("section case") << QByteArray("[TIMER]\nMode=1\n") << "timer"
                                  << "Mode"
                                  << "1";
    QTest::newRow("key case") << QByteArray("[Timer]\nSOUND mode=2\n") << "Timer"
                              << "Sound Mode"
                              << "2";
    QTest::newRow("first key wins") << QByteArray("[S]\nk=1\nK=2\n") << "S"
                                    << "k"
                                    << "1";
    QTest::newRow("first section wins") << QByteArray("[S]\nk=1\n[s]\nk=2\nj=3\n") << "S"
                                        << "k"
                                        << "1";
    QTest::newRow("later section unread") << QByteArray("[S]\nk=1\n[s]\nj=3\n") << "S"
                                          << "j" << absent;
    QTest::newRow("blanks") << QByteArray("[ S ]\n \t#1 Enabled \t=\t True \n") << "s"
                            << "#1 Enabled"
                            << "True";
    QTest::newRow("#10 not #1") << QByteArray("[S]\n#1 Message Text=a\n#10 Message Text=b\n") << "S"
                                << "#10 Message Text"
                                << "b";
    QTest::newRow("double quotes") << QByteArray("[S]\nk = \" a b \"\n") << "S"
                                   << "k"
                                   << " a b ";
    QTest::newRow("single quotes") << QByteArray("[S]\nk='x'\n") << "S"
                                   << "k"
                                   << "x";
    QTest::newRow("unmatched quotes") << QByteArray("[S]\nk=\"x'\n") << "S"
                                      << "k"
                                      << "\"x'";
    QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << "S"
                                     << "k"
                                     << "a=b";
    QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << "S"
                                 << "k"
                                 << "";
    QTest::newRow("comment") << QByteArray("[S]\n;k=1\n") << "S"
                             << ";k" << absent;
    QTest::newRow("key outside sections") << QByteArray("k=1\n[S]\n") << "S"
                                          << "k" << absent;
    QTest::newRow("absent section") << QByteArray("[S]\nk=1\n") << "T"
                                    << "k" << absent;
    QTest::newRow("CRLF") << QByteArray("[S]\r\nk=v\r\n") << "S"
                          << "k"
                          << "v";
    QTest::newRow("no final newline") << QByteArray("[S]\nk=v") << "S"
                                      << "k"
                                      << "v";
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n") << "S"
                         << "k"
                         << "v";
    QTest::newRow("UTF-8") << QByteArray("[S]\nk=caf\xC3\xA9 \xE2\x82\xAC\n") << "S"
                           << "k"
                           << "caf\u00E9 \u20AC";
    QTest::newRow("Windows-1252") << QByteArray("[S]\nk=caf\xE9 \x80\xA0\n") << "S"
                                  << "k"
                                  << "caf\u00E9 \u20AC\u00A0";
    const QString longValue = QString(1999, u'x') + u'y';
    QTest::newRow("2000 characters") << QByteArray("[S]\nk=" + longValue.toLatin1() + "\n") << "S"
                                     << "k" << longValue;
}

void TestProfileFile::lookups()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const std::optional<QString> found = ProfileFile::fromBytes(file).value(section, key);
    QCOMPARE(found.has_value(), !value.isNull());
    if (found)
        QCOMPARE(*found, value);
}

void TestProfileFile::rewrites_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("changes"); // section, key, value, ...
    QTest::addColumn<QByteArray>("after");

    const QByteArray odd("\n  ; note\n[A]\nk = \"v\"  \n=x\n[broken\n[a]\nk=2\n");
    QTest::newRow("unchanged") << odd << QStringList() << odd;
    QTest::newRow("in place") << QByteArray("; top\n[Timer]\nMODE = 1 ; old\nOther=x\n junk\n")
                              << QStringList{"timer", "Mode", "0"}
                              << QByteArray("; top\n[Timer]\nMODE = 0\nOther=x\n junk\n");
    QTest::newRow("first of two") << QByteArray("[S]\nk=1\nK=2\n") << QStringList{"S", "k", "9"}
                                  << QByteArray("[S]\nk=9\nK=2\n");
    QTest::newRow("after last key")
        << QByteArray("[A]\nk=1\n\n; about B\n[B]\nm=2\n") << QStringList{"a", "n", "3"}
        << QByteArray("[A]\nk=1\nn=3\n\n; about B\n[B]\nm=2\n");
    QTest::newRow("keyless section")
        << QByteArray("[A]\n; none yet\n[B]\n") << QStringList{"A", "k", "1"}
        << QByteArray("[A]\nk=1\n; none yet\n[B]\n");
    QTest::newRow("new section") << QByteArray("[A]\nk=1\n") << QStringList{"B", "m", "2"}
                                 << QByteArray("[A]\nk=1\n\n[B]\nm=2\n");
    QTest::newRow("new section after blank")
        << QByteArray("[A]\nk=1\n\n") << QStringList{"B", "m", "2"}
        << QByteArray("[A]\nk=1\n\n[B]\nm=2\n");
    QTest::newRow("new file") << QByteArray()
                              << QStringList{"Timer", "#1 Enabled", "True", "timer", "Sound", "0"}
                              << QByteArray("[Timer]\n#1 Enabled=True\nSound=0\n");
    QTest::newRow("CRLF") << QByteArray("[A]\r\nk=1\r\n")
                          << QStringList{"A", "k", "2", "A", "n", "3", "B", "m", "4"}
                          << QByteArray("[A]\r\nk=2\r\nn=3\r\n\r\n[B]\r\nm=4\r\n");
    QTest::newRow("no final newline") << QByteArray("[A]\r\nk=1") << QStringList{"A", "n", "2"}
                                      << QByteArray("[A]\r\nk=1\r\nn=2\r\n");
    QTest::newRow("as given") << QByteArray("[A]\nk=1\n") << QStringList{"A", "k", " 'a;b' \"c\""}
                              << QByteArray("[A]\nk= 'a;b' \"c\"\n");
    QTest::newRow("line break") << QByteArray("[A]\n") << QStringList{"A", "k", "a\r\nb"}
                                << QByteArray("[A]\nk=a  b\n");
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF[A]\nk=\xC3\xA9\n") << QStringList{"A", "k", "\u20AC"}
        << QByteArray("\xEF\xBB\xBF[A]\nk=\xE2\x82\xAC\n");
    // Every byte a Windows-1252 file can hold comes back as it was.
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high.append(char(b));
    QTest::newRow("Windows-1252") << QByteArray("; " + high + "\n[A]\nk=\xE9\n")
                                  << QStringList{"A", "k", "\u20AC \u00E9 \u2603 \U0001F600",
                                                 "A", "n", "\u00FF"}
                                  << QByteArray("; " + high + "\n[A]\nk=\x80 \xE9 ? ?\nn=\xFF\n");
}

void TestProfileFile::rewrites()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, changes);
    QFETCH(QByteArray, after);
    ProfileFile profile = ProfileFile::fromBytes(before);
    for (qsizetype i = 0; i + 2 < changes.size(); i += 3)
        profile.setValue(changes[i], changes[i + 1], changes[i + 2]);
    QCOMPARE(profile.toBytes(), after);
    // What is read after a change is what will be read from the file.
    const ProfileFile reread = ProfileFile::fromBytes(after);
    for (qsizetype i = 0; i + 2 < changes.size(); i += 3)
        QCOMPARE(profile.value(changes[i], changes[i + 1]),
                 reread.value(changes[i], changes[i + 1]));
}

void TestProfileFile::loadAndSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vigiltide.ini"));
    ProfileFile profile;
    QString error;

    QVERIFY(profile.load(path, &error)); // missing: empty
    QVERIFY(profile.toBytes().isEmpty());
    QVERIFY(writeFile(path, QByteArray()));
    QVERIFY(profile.load(path, &error));
    QVERIFY(profile.toBytes().isEmpty());
    QVERIFY(error.isEmpty());

    QVERIFY(writeFile(path, QByteArray("[A]\nk=1\n\0\0", 11)));
    QVERIFY(!profile.load(path, &error));
    QVERIFY2(error.contains(QStringLiteral("vigiltide.ini")), qPrintable(error));

    QVERIFY(writeFile(path, "; mine\n[A]\nk=1\n"));
    QVERIFY(profile.load(path, &error));
    profile.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
    QVERIFY2(profile.save(path, &error), qPrintable(error));
    QCOMPARE(readFile(path), QByteArray("; mine\n[A]\nk=2\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"vigiltide.ini"}); // no leftovers

    // A folder where the file should be, and a file where the folder should be.
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(writeFile(folder + QStringLiteral("/inside"), "x"));
    error.clear();
    QVERIFY(!profile.load(folder, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!profile.save(folder, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(folder + QStringLiteral("/inside")), QByteArray("x"));
    error.clear();
    QVERIFY(!profile.save(path + QStringLiteral("/child.ini"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path), QByteArray("; mine\n[A]\nk=2\n"));
}

void TestProfileFile::saveToReadOnlyFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vigiltide.ini"));
    QVERIFY(writeFile(path, "[A]\nk=1\n"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (writeFile(dir.filePath(QStringLiteral("probe")), "x"))
        QSKIP("Running with privileges that ignore permission bits (root)");

    ProfileFile profile = ProfileFile::fromBytes("[A]\nk=1\n");
    profile.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
    QString error;
    QVERIFY(!profile.save(path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path), QByteArray("[A]\nk=1\n"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
