// SPDX-License-Identifier: MIT
// The About box: its texts, one instance at a time, and fresh texts when it
// is opened again after being closed.
#include "testmain.h"
#include "windowdriver.h"

#include "ui/about/frmAbout.h"

#include <QLabel>

using namespace vt;

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void textsAndSingleInstance();
};

void TestAbout::textsAndSingleInstance()
{
    QCOMPARE(frmAbout::descriptionText(2, 5).section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("Version 2.5"));
    WindowDriver d;
    d.ui().mnuHelpAbout->trigger();
    auto* about = qobject_cast<frmAbout*>(d.window.aboutBox());
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Vigiltide"));
    QCOMPARE(about->form().lblTitle->text(), QStringLiteral("Vigiltide"));
    QCOMPARE(about->form().lblDescription->text(),
             QStringLiteral("Version 2.11\n\nTimer to remind you to monitor various functions "
                            "while on watch.\n         a) Check Log and Horizon\n"
                            "         b) User Defined"));
    QCOMPARE(about->form().lblDisclaimer->text().count(QLatin1Char('\n')), 3); // four lines
    QVERIFY(!about->form().picIcon->pixmap().isNull());
    QVERIFY(!about->parentWidget()); // ownerless and modeless
    QVERIFY(!about->isModal());
    // Every text fits its label.
    for (const QLabel* label : about->findChildren<QLabel*>())
        QVERIFY2(label->sizeHint().width() <= label->width() + 1, qPrintable(label->objectName()));

    d.ui().mnuHelpAbout->trigger();
    QCOMPARE(d.window.aboutBox(), about);
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget* w) { return qobject_cast<frmAbout*>(w) && w->isVisible(); }),
             1);
    about->close();
    QTRY_VERIFY(!d.window.aboutBox()); // closed boxes are gone
    d.ui().mnuHelpAbout->trigger();
    QVERIFY(d.window.aboutBox() && d.window.aboutBox()->isVisible());
    QCOMPARE(d.window.aboutBox()->windowTitle(), QStringLiteral("About Vigiltide"));
    d.window.close(); // the main window takes the box with it
    QTRY_VERIFY(!d.window.aboutBox());
}

VT_TEST_MAIN(TestAbout, "Europe/London")
#include "tst_about.moc"
