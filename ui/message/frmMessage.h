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

class AlarmSound;

class frmMessage : public QWidget
{
    Q_OBJECT

public:
    explicit frmMessage(AlarmSound& sound, QWidget* parent = nullptr);

    // Shows the alarm and returns at once; the answer comes as answered().
    void Start(const Alarm& alarm);
    // Hides the alarm without an answer: its run has ended meanwhile.
    void dismiss();
    // Brings the open alarm to the front, from the taskbar if need be.
    void bringForward();
    bool isAlerting() const { return tmrTimer.isActive(); }
    // A line under the buttons about the alarm's escalation, until the next alarm.
    void showEscalation(const QString& line);

    // Keys pressed this soon after the alarm appears were meant for another
    // window: they answer nothing. A click always answers.
    static constexpr int kKeyGuardMs = 2000;

    int messageId() const { return m_alarm.id.row; }
    const AlarmId& alarm() const { return m_alarm.id; }
    const QString& message() const { return m_alarm.message; }
    const Ui::frmMessage& form() const { return ui; }
    const QTimer& tick() const { return tmrTimer; }
    // The colours shown now, which the tick swaps.
    ColorValue shownBackColor() const { return m_shownBack; }
    ColorValue shownForeColor() const { return m_shownFore; }
    // Keystrokes the tick has sent to the window since Start.
    int keystrokes() const { return m_keystrokes; }

signals:
    void answered(const vt::AlarmId& alarm, vt::AlarmAnswer answer);

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
    void answer(AlarmAnswer answer);
    void showColors(ColorValue back, ColorValue fore);
    void placeForMessage();
    int fitMessage(int maxClientWidth, int maxLabelHeight);
    void sendKeystroke();
    void describeControls();
    void announce();
    int tw(int twips) const;

    Ui::frmMessage ui;
    AlarmSound& m_sound;
    QTimer tmrTimer;
    Alarm m_alarm;
    ColorValue m_shownBack = 0;
    ColorValue m_shownFore = 0;
    int m_keystrokes = 0;
    QElapsedTimer m_shownSince;
    QPointer<QWidget> m_previousForeground;
    // The designed height, and where the buttons stand under a one-line message.
    int m_designHeight = 0;
    int m_buttonTop = 0;
};

} // namespace vt
