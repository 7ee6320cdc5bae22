// SPDX-License-Identifier: MIT
// The alarm message window: shows a due alarm's message in its colours,
// centred and above all other windows, flashing and sounding once a second
// until the watchkeeper answers Continue or Stop. One instance, created on
// first use and hidden between alarms.
#pragma once

#include "core/colorvalue.h"
#include "ui_frmMessage.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vt
{

// What the window needs of the main window: the answers, the sound mode and
// the sounds.
class MessageHost
{
public:
    virtual ~MessageHost() = default;
    virtual void TimerNext(int iMessageId) = 0;
    virtual void TimerStop() = 0;
    virtual int SoundMode() const = 0; // 0 None, 1 Beep, 2 Speech
    virtual void SpeechSpeak(const QString& sMessage, bool wait) = 0;
    virtual void SpeechStop() = 0;
    virtual void beep() = 0;
    // The alarm's own beep, which says so when it cannot be heard.
    virtual void alarmBeep() { beep(); }
};

class frmMessage : public QWidget
{
    Q_OBJECT

public:
    explicit frmMessage(MessageHost& host, QWidget* parent = nullptr);

    // Shows the alarm and returns at once; the answer comes back through the host.
    void Start(int MessageId, const QString& sMessage, ColorValue BackColor, ColorValue ForeColor);

    int messageId() const { return m_messageId; }
    // Answers Stop, as the Stop button does.
    void answerStop() { cmdCancel_Click(); }
    const Ui::frmMessage& form() const { return ui; }
    const QTimer& tick() const { return tmrTimer; }
    // The colours shown now, which the tick swaps.
    ColorValue shownBackColor() const { return m_shownBack; }
    ColorValue shownForeColor() const { return m_shownFore; }
    // Keystrokes the tick has sent to the window since Start.
    int keystrokes() const { return m_keystrokes; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void tmrTimer_Timer();
    void MessageDismiss();
    void showColors(ColorValue back, ColorValue fore);
    void placeForMessage();
    void sendKeystroke();
    void describeControls();
    void announce();
    int tw(int twips) const;

    Ui::frmMessage ui;
    MessageHost& m_host;
    QTimer tmrTimer;
    int m_messageId = 0;
    ColorValue m_backColor = 0;
    ColorValue m_foreColor = 0;
    ColorValue m_shownBack = 0;
    ColorValue m_shownFore = 0;
    int m_keystrokes = 0;
    QPointer<QWidget> m_previousForeground;
};

} // namespace vt
