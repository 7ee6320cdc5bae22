// SPDX-License-Identifier: MIT
#include "ui/about/frmAbout.h"

#include "packaging/version.h"
#include "resources/images.h"
#include "ui/common/twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace vt
{

namespace
{

// A plain widget reads as a filler to screen readers; the box is a dialog and
// should be announced as one when it opens.
QAccessibleInterface* dialogInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("vt::frmAbout") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
    return nullptr;
}

void installDialogRole()
{
    static const bool installed = (QAccessible::installFactory(dialogInterface), true);
    Q_UNUSED(installed);
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    // Before any part of the box is known to screen readers.
    installDialogRole();
    ui.setupUi(this);
    applyDesignScale(*this);
    // A fixed dialog: the texts fit the designed box.
    setFixedSize(twipsToPixels(6105, *this), twipsToPixels(3060, *this));
    setAttribute(Qt::WA_DeleteOnClose);
    Form_Load();
    describeControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

// The box has no buttons: Esc closes it, as it closes any dialog.
void frmAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

QString frmAbout::descriptionText(int major, int minor)
{
    const QString list = QStringLiteral("         ");
    return QStringLiteral("Version %1.%2").arg(major).arg(minor) + QStringLiteral("\n\n") +
           QStringLiteral("Timer to remind you to monitor various functions while on watch.") +
           QLatin1Char('\n') + list + QStringLiteral("a) Check Log and Horizon") +
           QLatin1Char('\n') + list + QStringLiteral("b) User Defined");
}

void frmAbout::Form_Load()
{
    const QString title = QStringLiteral("Vigiltide");
    setWindowTitle(QStringLiteral("About ") + title);
    ui.lblTitle->setText(title);
    ui.lblDescription->setText(descriptionText(kVersionMajor, kVersionMinor));
    ui.lblDisclaimer->setText(tr("Written for the people who keep the watch.\n"
                                 "Free software under the MIT licence,\n"
                                 "offered as it is, with no warranty.\n"
                                 "It reminds; the watchkeeper keeps watch."));
    ui.picIcon->setPixmap(programIcon().pixmap(ui.picIcon->size()));
    fitTexts();
}

// The texts name themselves; only the picture needs words for screen readers.
void frmAbout::describeControls()
{
    ui.picIcon->setAccessibleName(tr("Program icon"));
    ui.lblDescription->setAccessibleDescription(tr("Version and purpose"));
    ui.lblDisclaimer->setAccessibleDescription(tr("Credits"));
}

// The designed boxes were measured for a smaller font; with today's fonts a
// label grows to its text and the box grows with it, keeping its margins.
void frmAbout::fitTexts()
{
    int right = width();
    int bottom = height();
    for (QLabel* label : {ui.lblTitle, ui.lblDescription, ui.lblDisclaimer}) {
        const QSize needed = label->sizeHint();
        label->resize(qMax(label->width(), needed.width()), qMax(label->height(), needed.height()));
        right = qMax(right, label->geometry().right() + twipsToPixels(240, *this));
        bottom = qMax(bottom, label->geometry().bottom() + twipsToPixels(120, *this));
    }
    // The rule stays between description and credits.
    const int gap = ui.lblDisclaimer->y() - ui.lblDescription->geometry().bottom();
    if (gap < ui.Line1->height() + 4) {
        const int shift = ui.Line1->height() + 4 - gap;
        ui.Line1->move(ui.Line1->x(), ui.lblDescription->geometry().bottom() + 2);
        ui.lblDisclaimer->move(ui.lblDisclaimer->x(), ui.lblDisclaimer->y() + shift);
        bottom = qMax(bottom, ui.lblDisclaimer->geometry().bottom() + twipsToPixels(120, *this));
    }
    ui.Line1->resize(right - 2 * ui.Line1->x(), ui.Line1->height());
    setFixedSize(right, bottom);
}

} // namespace vt
