// SPDX-License-Identifier: MIT
// The alarm message window: shows a due alarm's message in its colours,
// centred and above all other windows, flashing and sounding once a second
// until the watchkeeper answers Continue or Stop. One instance, created on
// first use and hidden between alarms.
#pragma once

#include "core/colorvalue.h"
#include "core/runcontrol.h"
#include "ui_frmMessage.h"

#include <QElapsedTimer>
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
    // Continue (TimerNext) and Stop (TimerStop), naming the alarm answered.
    virtual void answerContinue(const AlarmId& alarm) = 0;
    virtual void answerStop(const AlarmId& alarm) = 0;
    virtual int SoundMode() const = 0; // 0 None, 1 Beep, 2 Speech
    // False when the message cannot be read aloud (the failure is reported).
    virtual bool SpeechSpeak(const QString& sMessage, bool wait) = 0;
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
    void Start(const AlarmId& alarm, const QString& sMessage, ColorValue BackColor,
               ColorValue ForeColor);
    // Hides the alarm without an answer: its run has ended meanwhile.
    void dismiss();
    // Brings the open alarm to the front, from the taskbar if need be.
    void bringForward();

    // Keys pressed this soon after the alarm appears were meant for another
    // window: they answer nothing. A click always answers.
    static constexpr int kKeyGuardMs = 2000;

    int messageId() const { return m_alarm.row; }
    const AlarmId& alarm() const { return m_alarm; }
    const QString& message() const { return m_message; }
    const Ui::frmMessage& form() const { return ui; }
    const QTimer& tick() const { return tmrTimer; }
    // The colours shown now, which the tick swaps.
    ColorValue shownBackColor() const { return m_shownBack; }
    ColorValue shownForeColor() const { return m_shownFore; }
    // Keystrokes the tick has sent to the window since Start.
    int keystrokes() const { return m_keystrokes; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void tmrTimer_Timer();
    void MessageDismiss();
    void sound();
    void showColors(ColorValue back, ColorValue fore);
    void placeForMessage();
    int fitMessage(int maxClientWidth, int maxLabelHeight);
    void sendKeystroke();
    void describeControls();
    void announce();
    int tw(int twips) const;

    Ui::frmMessage ui;
    MessageHost& m_host;
    QTimer tmrTimer;
    AlarmId m_alarm;
    QString m_message;
    ColorValue m_backColor = 0;
    ColorValue m_foreColor = 0;
    ColorValue m_shownBack = 0;
    ColorValue m_shownFore = 0;
    int m_keystrokes = 0;
    // Speech failed during this alarm: it beeps for the rest of it.
    bool m_beepInstead = false;
    QElapsedTimer m_shownSince;
    QPointer<QWidget> m_previousForeground;
    // The designed height, and where the buttons stand under a one-line message.
    int m_designHeight = 0;
    int m_buttonTop = 0;
    int m_oneLineHeight = 0;
};

} // namespace vt
