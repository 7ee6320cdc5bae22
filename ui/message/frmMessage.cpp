// SPDX-License-Identifier: MIT
#include "ui/message/frmMessage.h"

#include "core/twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

namespace vt
{

namespace
{

// Screen readers read an alert out whole as it appears, as they do a message
// box. No widget property gives a window that role, so the message window
// gets its own accessible interface; all else is as for any widget.
QAccessibleInterface* alertInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("vt::frmMessage") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

void installAlertRole()
{
    static const bool installed = (QAccessible::installFactory(alertInterface), true);
    Q_UNUSED(installed);
}

} // namespace

frmMessage::frmMessage(MessageHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_host(host)
{
    // Before any part of the window is known to screen readers.
    installAlertRole();
    ui.setupUi(this);
    QFont font = ui.lblMessage->font();
    font.setPointSizeF(13.5);
    ui.lblMessage->setFont(font);
    applyDesignScale(*this);
    // A fixed border: the window sizes itself for each message.
    setFixedHeight(tw(1395));
    resize(tw(3900), height());
    tmrTimer.setInterval(500);
    connect(ui.cmdOk, &QPushButton::clicked, this, &frmMessage::cmdOk_Click);
    connect(ui.cmdCancel, &QPushButton::clicked, this, &frmMessage::cmdCancel_Click);
    connect(&tmrTimer, &QTimer::timeout, this, &frmMessage::tmrTimer_Timer);
    describeControls();
}

void frmMessage::describeControls()
{
    ui.cmdOk->setAccessibleDescription(tr("Silences this alarm; the run goes on"));
    ui.cmdCancel->setAccessibleDescription(tr("Silences this alarm and stops the run"));
    ui.lblMessage->setAccessibleDescription(tr("Alarm message"));
}

// Asks screen readers to read the alert now rather than when they next look;
// the message is the window's description, so it is what they read.
void frmMessage::announce()
{
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

int frmMessage::tw(int twips) const
{
    return twipsToPixels(twips, *this);
}

void frmMessage::Start(int MessageId, const QString& sMessage, ColorValue BackColor,
                       ColorValue ForeColor)
{
    m_messageId = MessageId;
    m_backColor = BackColor;
    m_foreColor = ForeColor;
    m_keystrokes = 0;

    QLabel& label = *ui.lblMessage;
    label.setText(sMessage);
    setAccessibleDescription(sMessage);
    showColors(BackColor, ForeColor);
    label.adjustSize();

    placeForMessage();
    tmrTimer.setInterval(1000);
    m_previousForeground = QApplication::activeWindow();
    show();
    // The window frame is known only once the window is shown.
    placeForMessage();
    raise();
    activateWindow();
    ui.cmdOk->setFocus(Qt::OtherFocusReason);
    announce();
    tmrTimer.start();
}

void frmMessage::placeForMessage()
{
    const QLabel& label = *ui.lblMessage;
    // Only a label wider than the designed window widens it, by a margin of 120.
    const int frameWidth = frameGeometry().width() - width();
    const int clientWidth =
        label.width() > tw(3000) ? label.width() + tw(120) : tw(3000) - frameWidth;
    setFixedWidth(clientWidth);
    ui.lblMessage->move((clientWidth - label.width()) / 2, label.y());
    ui.cmdOk->move(clientWidth / 2 - ui.cmdOk->width() - tw(120), ui.cmdOk->y());
    ui.cmdCancel->move(clientWidth / 2 + tw(120), ui.cmdCancel->y());

    // Centred on the screen, unclamped: a message wider than the screen starts
    // left of it rather than hiding its middle.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    const int outerWidth = clientWidth + frameWidth;
    const int outerHeight = frameGeometry().height();
    move(area.x() + (area.width() - outerWidth) / 2, area.y() + (area.height() - outerHeight) / 2);
}

void frmMessage::showColors(ColorValue back, ColorValue fore)
{
    m_shownBack = back;
    m_shownFore = fore;
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(ui.lblMessage)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, toQColor(back, palette()));
        p.setColor(QPalette::WindowText, toQColor(fore, palette()));
        w->setPalette(p);
    }
}

void frmMessage::tmrTimer_Timer()
{
    if (!isVisible())
        return;
    // Flash: swap the colours each second. With equal colours nothing shows,
    // but the alarm still sounds.
    if (m_shownBack == m_backColor)
        showColors(m_foreColor, m_backColor);
    else
        showColors(m_backColor, m_foreColor);

    switch (m_host.SoundMode()) {
    case 1:
        m_host.alarmBeep();
        break;
    case 2:
        // Skipped by the speech service while the previous reading goes on,
        // so the message is read again as soon as it has ended.
        m_host.SpeechSpeak(ui.lblMessage->text(), false);
        break;
    default:
        break;
    }
    // An answer to the beep or speech may have closed the window meanwhile.
    if (!isVisible())
        return;
    activateWindow();
    if (isActiveWindow())
        sendKeystroke();
}

// A keystroke to this window alone each second, so the desktop counts the
// alarm as activity; it never reaches another program.
void frmMessage::sendKeystroke()
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(this, &press);
    QCoreApplication::sendEvent(this, &release);
}

void frmMessage::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_A && event->modifiers() == Qt::NoModifier) {
        ++m_keystrokes;
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMessage::MessageDismiss()
{
    tmrTimer.stop();
    m_host.SpeechStop();
    if (m_previousForeground && m_previousForeground != this)
        m_previousForeground->activateWindow();
    hide();
}

void frmMessage::cmdOk_Click()
{
    MessageDismiss();
    m_host.TimerNext(m_messageId);
}

void frmMessage::cmdCancel_Click()
{
    MessageDismiss();
    m_host.TimerStop();
}

void frmMessage::closeEvent(QCloseEvent* event)
{
    // Closing the window by any means other than Stop continues the run.
    event->accept();
    if (isVisible())
        cmdOk_Click();
}

} // namespace vt
