// SPDX-License-Identifier: MIT
// The row commands of the Timer popup menu: an entry's colours, moving,
// appending and deleting entries, and reading an entry aloud. They act on the
// row the menu was opened on.
#pragma once

#include <QObject>
#include <QPoint>

namespace vt
{

class AlarmTableView;
class frmMain;

class RowMenu : public QObject
{
    Q_OBJECT

public:
    explicit RowMenu(frmMain& window);

    // Makes the cell current and opens the menu at the point.
    void popup(AlarmTableView* table, int row, int col, QPoint globalPos);

private:
    void mnuTimer_Click();
    void mnuTimerResetColor();
    void mnuTimerBackColor();
    void mnuTimerForeColor();
    void chooseMessageColor(bool background);
    void mnuTimerMoveUp();
    void mnuTimerMoveDown();
    void mnuTimerInsert();
    void mnuTimerDelete();
    void mnuTimerSpeak();
    void showEditorColors(int row);
    int currentRow() const;

    frmMain& m_window;
};

} // namespace vt
