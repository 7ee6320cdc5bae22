// SPDX-License-Identifier: MIT
// The main window: the alarm tables of both timer modes, the run controls, the
// sound settings and the status bar. It hosts the run and answers for the
// message window.
#pragma once

#include "core/picture.h"
#include "core/runcontrol.h"
#include "ui/message/frmMessage.h"
#include "ui_frmMain.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>

class QLabel;

namespace vt
{

class Clock;

class frmMain : public QMainWindow, private RunHost, public MessageHost
{
    Q_OBJECT

public:
    explicit frmMain(const Clock& clock, QWidget* parent = nullptr);
    ~frmMain() override;

    // Answers from the message window.
    void TimerNext(int iMessageId) override;
    void TimerStop() override;

    void ArrangeWindow() override;
    // Height in twips at which every row of the table shows, with 100 to spare.
    int TableContentHeight(const TableControl& table) const;

    TableControl* grdTimer(int index) const { return m_grdTimer.at(index); }
    const RunControl& run() const { return m_run; }
    QLabel* statePanel() const { return m_state; }
    QLabel* statusPanel() const { return m_status; }
    // Null until the first alarm.
    frmMessage* messageWindow() const { return m_message.get(); }
    const QTimer& tick() const { return tmrTimer; }
    const Ui::frmMain& form() const { return ui; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // RunHost
    int timerMode() const override;
    bool intervalRound() const override;
    TableControl* timerTable(int mode) override;
    RunControls runControls() override;
    void setCaption(const QString& caption) override;
    void minimizeWindow() override;
    void restoreWindow() override;
    void setStateText(const QString& text) override;
    void setStatusText(const QString& text) override;
    void beep() override;
    void setTickEnabled(bool enabled) override;
    void setMessageCaption(const QString& caption) override;
    void showMessage(int messageId, const QString& message, ColorValue backColor,
                     ColorValue foreColor) override;

    void setupStatusBar();
    void connectControls();
    frmMessage& messageForm();

    void cmdStart_Click();
    void cmdStop_Click();
    void cmbMode_Click();
    void tmrTimer_Timer();
    void Form_Load();
    void Form_Resize();
    void SettingsDefault();

    int tw(int twips) const; // twips to logical pixels

    Ui::frmMain ui;
    std::array<TableControl*, 2> m_grdTimer{};
    ImageList m_images;
    QLabel* m_state = nullptr;
    QLabel* m_status = nullptr;
    QTimer tmrTimer;
    RunControl m_run;
    std::unique_ptr<frmMessage> m_message;
};

} // namespace vt
