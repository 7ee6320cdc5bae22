// SPDX-License-Identifier: MIT
// The alarm message window: shows a due alarm's message in its colours, on top
// of other windows, until the watchkeeper answers Continue or Stop. One
// instance, hidden between alarms.
#pragma once

#include "core/colorvalue.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vt
{

// Where the answers go: the main window's run.
class MessageHost
{
public:
    virtual ~MessageHost() = default;
    virtual void TimerNext(int iMessageId) = 0;
    virtual void TimerStop() = 0;
};

class frmMessage : public QWidget
{
    Q_OBJECT

public:
    explicit frmMessage(MessageHost& host, QWidget* parent = nullptr);

    // Shows the alarm and returns at once; the answer comes back through the host.
    void Start(int MessageId, const QString& sMessage, ColorValue BackColor, ColorValue ForeColor);

    int messageId() const { return m_messageId; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void MessageDismiss();
    void applyColors(ColorValue back, ColorValue fore);

    MessageHost& m_host;
    QLabel* lblMessage;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    int m_messageId = 0;
};

} // namespace vt
