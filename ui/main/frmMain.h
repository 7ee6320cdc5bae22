// SPDX-License-Identifier: MIT
// The main window: the alarm tables of both timer modes, the run controls, the
// sound settings and the status bar. It hosts the run, answers for the message
// window, edits cells in place and offers the row commands.
#pragma once

#include "core/picture.h"
#include "core/runcontrol.h"
#include "ui/message/frmMessage.h"
#include "ui_frmMain.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace vt
{

class Clock;

// A cell of a table, -1 where a point lies outside all rows or columns.
struct CellHit {
    int row = -1;
    int col = -1;
};

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
    TableControl& currentTable() const;
    const RunControl& run() const { return m_run; }
    QLabel* statePanel() const { return m_state; }
    QLabel* statusPanel() const { return m_status; }
    // Null until the first alarm.
    frmMessage* messageWindow() const { return m_message.get(); }
    const QTimer& tick() const { return tmrTimer; }
    const Ui::frmMain& form() const { return ui; }

    // Cell editor and row commands, as the table's mouse events reach them.
    static CellHit HitTestCell(const TableControl& table, int x, int y);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    void connectTable(TableControl* table);
    void connectRowMenu();
    void fitWidthToColumns();
    frmMessage& messageForm();

    void Form_Load();
    void Form_Resize();
    void SettingsDefault();
    void cmdStart_Click();
    void cmdStop_Click();
    void cmbMode_Click();
    void cmbSound_Click();
    void tmrTimer_Timer();

    // In-place cell editor.
    void grdTimer_MouseMove(TableControl* table, int button, int shift, int x, int y);
    void grdTimer_MouseUp(TableControl* table, int button, int shift, int x, int y);
    void UpdateTableToolTip(TableControl& table, int x, int y);
    void HandleTableClick(TableControl& table, int button, int shift, int x, int y);
    void OpenCellEditor(TableControl& table, int& row, int& col);
    void txtTimer_Change(const QString& text);
    void txtTimer_KeyDown(int keyCode, int shift);
    void txtTimer_GotFocus();
    void txtTimer_LostFocus();
    void SetTabStops(bool flag);
    void placeEditor(const TableControl& table);
    void openRowMenu(TableControl& table, int row, int col, const QPoint& globalPos);

    // Row commands.
    void mnuTimer_Click();
    void mnuTimerResetColor();
    void mnuTimerBackColor();
    void mnuTimerForeColor();
    void chooseMessageColor(bool background);
    void mnuTimerMoveUp();
    void mnuTimerMoveDown();
    void mnuTimerInsert();
    void mnuTimerDelete();

    int tw(int twips) const; // twips to logical pixels
    int pixelsToTw(int pixels) const;

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
