// SPDX-License-Identifier: MIT
#include "ui/message/frmMessage.h"

#include "speech/alarmsound.h"
#include "ui/common/palette.h"
#include "ui/common/twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>

namespace vt
{

namespace
{

// What the alarm leaves free at each edge of the screen, at its widest.
constexpr int kScreenMarginTw = 240;

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

frmMessage::frmMessage(AlarmSound& sound, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_sound(sound)
{
    // Before any part of the window is known to screen readers.
    installAlertRole();
    ui.setupUi(this);
    QFont font = ui.lblMessage->font();
    font.setPointSizeF(13.5);
    ui.lblMessage->setFont(font);
    ui.lblMessage->setAlignment(Qt::AlignCenter);
    applyDesignScale(*this);
    // A fixed border: the window sizes itself for each message.
    m_designHeight = tw(1395);
    m_buttonTop = ui.cmdOk->y();
    setFixedHeight(m_designHeight);
    resize(tw(3900), height());
    tmrTimer.setInterval(500);
    connect(ui.cmdOk, &QPushButton::clicked, this, &frmMessage::cmdOk_Click);
    connect(ui.cmdCancel, &QPushButton::clicked, this, &frmMessage::cmdCancel_Click);
    connect(&tmrTimer, &QTimer::timeout, this, &frmMessage::tmrTimer_Timer);
    ui.cmdOk->installEventFilter(this);
    ui.cmdCancel->installEventFilter(this);
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

void frmMessage::Start(const Alarm& alarm)
{
    m_alarm = alarm;
    m_keystrokes = 0;
    m_sound.startAlarm();

    ui.lblEscalation->hide();
    setWindowTitle(alarm.caption);
    setAccessibleDescription(alarm.message);
    showColors(alarm.backColor, alarm.foreColor);
    placeForMessage();
    tmrTimer.setInterval(1000);
    m_previousForeground = QApplication::activeWindow();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    // The window frame is known only once the window is shown.
    placeForMessage();
    raise();
    activateWindow();
    ui.cmdOk->setFocus(Qt::OtherFocusReason);
    announce();
    m_shownSince.start();
    tmrTimer.start();
}

void frmMessage::showEscalation(const QString& line)
{
    ui.lblEscalation->setText(line);
    ui.lblEscalation->setAccessibleName(line);
    ui.lblEscalation->show();
    placeForMessage();
}

void frmMessage::placeForMessage()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    const int frameWidth = frameGeometry().width() - width();
    const int frameHeight = frameGeometry().height() - height();
    const int margin = tw(kScreenMarginTw);
    const int note =
        ui.lblEscalation->isVisibleTo(this) ? ui.lblEscalation->sizeHint().height() + tw(60) : 0;
    const int extra = fitMessage(room.width() - 2 * margin - frameWidth,
                                 room.height() - 2 * margin - frameHeight - m_designHeight - note);

    // Only a label wider than the designed window widens it, by a margin of 120.
    const QLabel& label = *ui.lblMessage;
    const int clientWidth =
        label.width() > tw(3000) ? label.width() + tw(120) : tw(3000) - frameWidth;
    setFixedSize(clientWidth, m_designHeight + extra + note);
    ui.lblMessage->move((clientWidth - label.width()) / 2, label.y());
    const int buttonTop = m_buttonTop + extra;
    ui.cmdOk->move(clientWidth / 2 - ui.cmdOk->width() - tw(120), buttonTop);
    ui.cmdCancel->move(clientWidth / 2 + tw(120), buttonTop);
    ui.lblEscalation->setGeometry(0, m_designHeight + extra, clientWidth,
                                  ui.lblEscalation->sizeHint().height());

    // Centred on the screen, and never off the part of it that windows may use.
    const QSize outer(clientWidth + frameWidth, height() + frameHeight);
    QPoint at = area.center() - QPoint(outer.width() / 2, outer.height() / 2) + QPoint(1, 1);
    at.setX(
        std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())));
    at.setY(
        std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
    move(at);
}

// Sets the label to the message: on one line where it fits the widest window
// the screen allows, otherwise wrapped to that width (inside long words too),
// and cut with an ellipsis where even that would be taller than the screen.
// Gives the height the label takes beyond one line.
int frmMessage::fitMessage(int maxClientWidth, int maxExtraHeight)
{
    QLabel& label = *ui.lblMessage;
    label.setText(m_alarm.message);
    label.adjustSize();
    const int oneLine = label.height();
    const int width = maxClientWidth - tw(120);
    if (label.width() <= width)
        return 0;

    const QFontMetrics metrics(label.font());
    const int padding = label.width() - metrics.horizontalAdvance(m_alarm.message);
    const int maxLines = std::max(1, 1 + maxExtraHeight / std::max(1, metrics.lineSpacing()));
    QTextLayout layout(m_alarm.message, label.font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width - padding);
        if (lines.size() == maxLines - 1) {
            // The last line that fits holds the rest, cut short.
            lines << metrics.elidedText(m_alarm.message.mid(line.textStart()).simplified(),
                                        Qt::ElideRight, width - padding);
            break;
        }
        lines << m_alarm.message.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    label.setText(lines.join(QLatin1Char('\n')));
    label.resize(width, label.sizeHint().height());
    return label.height() - oneLine;
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
    if (m_shownBack == m_alarm.backColor)
        showColors(m_alarm.foreColor, m_alarm.backColor);
    else
        showColors(m_alarm.backColor, m_alarm.foreColor);
    m_sound.tick(m_alarm.message);
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

// The alarm takes the focus as it appears, so a key meant for another window
// could answer it unseen.
bool frmMessage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool key =
        type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
    if (key && m_shownSince.isValid() && !m_shownSince.hasExpired(kKeyGuardMs))
        return true;
    return QWidget::eventFilter(watched, event);
}

// Minimized by any means (a window manager draws its own button for it), an
// open alarm comes straight back.
void frmMessage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && tmrTimer.isActive())
        QTimer::singleShot(0, this, &frmMessage::bringForward);
}

void frmMessage::bringForward()
{
    if (!tmrTimer.isActive())
        return;
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void frmMessage::MessageDismiss()
{
    tmrTimer.stop();
    m_sound.stop();
    if (m_previousForeground && m_previousForeground != this)
        m_previousForeground->activateWindow();
    hide();
}

void frmMessage::dismiss()
{
    if (isVisible())
        MessageDismiss();
}

void frmMessage::answer(AlarmAnswer answer)
{
    MessageDismiss();
    emit answered(m_alarm.id, answer);
}

void frmMessage::cmdOk_Click()
{
    answer(AlarmAnswer::Continue);
}

void frmMessage::cmdCancel_Click()
{
    answer(AlarmAnswer::Stop);
}

void frmMessage::closeEvent(QCloseEvent* event)
{
    // Closing the window by any means other than Stop continues the run.
    event->accept();
    if (isVisible())
        answer(AlarmAnswer::Close);
}

} // namespace vt
