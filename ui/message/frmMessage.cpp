// SPDX-License-Identifier: MIT
#include "ui/message/frmMessage.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vt
{

frmMessage::frmMessage(MessageHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_host(host), lblMessage(new QLabel(this)),
      cmdOk(new QPushButton(QStringLiteral("Continue"), this)),
      cmdCancel(new QPushButton(QStringLiteral("Stop"), this))
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Vigiltide - Message"));
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setAlignment(Qt::AlignCenter);
    lblMessage->setAutoFillBackground(true);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    setAutoFillBackground(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmMessage::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMessage::cmdCancel_Click);
}

void frmMessage::Start(int MessageId, const QString& sMessage, ColorValue BackColor,
                       ColorValue ForeColor)
{
    m_messageId = MessageId;
    lblMessage->setText(sMessage);
    applyColors(BackColor, ForeColor);
    adjustSize();
    show();
    raise();
    activateWindow();
    cmdOk->setFocus();
}

void frmMessage::applyColors(ColorValue back, ColorValue fore)
{
    QPalette p = palette();
    const QColor backColor = toQColor(back, p);
    const QColor foreColor = toQColor(fore, p);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(lblMessage)}) {
        QPalette wp = w->palette();
        wp.setColor(QPalette::Window, backColor);
        wp.setColor(QPalette::WindowText, foreColor);
        w->setPalette(wp);
    }
}

void frmMessage::MessageDismiss()
{
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
