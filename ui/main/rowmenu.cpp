// SPDX-License-Identifier: MIT
#include "ui/main/rowmenu.h"

#include "ui/common/palette.h"
#include "ui/main/alarmtableview.h"
#include "ui/main/frmMain.h"

#include <QColorDialog>

namespace vt
{

RowMenu::RowMenu(frmMain& window) : QObject(&window), m_window(window)
{
    const Ui::frmMain& ui = window.form();
    connect(ui.mnuTimerResetColor, &QAction::triggered, this, &RowMenu::mnuTimerResetColor);
    connect(ui.mnuTimerBackColor, &QAction::triggered, this, &RowMenu::mnuTimerBackColor);
    connect(ui.mnuTimerForeColor, &QAction::triggered, this, &RowMenu::mnuTimerForeColor);
    connect(ui.mnuTimerMoveUp, &QAction::triggered, this, &RowMenu::mnuTimerMoveUp);
    connect(ui.mnuTimerMoveDown, &QAction::triggered, this, &RowMenu::mnuTimerMoveDown);
    connect(ui.mnuTimerInsert, &QAction::triggered, this, &RowMenu::mnuTimerInsert);
    connect(ui.mnuTimerDelete, &QAction::triggered, this, &RowMenu::mnuTimerDelete);
    connect(ui.mnuTimerSpeak, &QAction::triggered, this, &RowMenu::mnuTimerSpeak);
}

void RowMenu::popup(AlarmTableView* table, int row, int col, QPoint globalPos)
{
    if (row < 1)
        return;
    table->setCurrentCell(row, col);
    mnuTimer_Click();
    m_window.form().mnuTimer->popup(globalPos);
}

int RowMenu::currentRow() const
{
    return m_window.currentTable().Row();
}

void RowMenu::mnuTimer_Click()
{
    const Ui::frmMain& ui = m_window.form();
    const int rows = m_window.currentTable().Rows();
    const int row = currentRow();
    // No command leaves a table without entries or moves past its ends.
    ui.mnuTimerDelete->setEnabled(rows - 2 != 0);
    ui.mnuTimerMoveUp->setEnabled(row != 1);
    ui.mnuTimerMoveDown->setEnabled(row != rows - 1);
    ui.mnuTimerSpeak->setEnabled(m_window.soundMode() == SoundMode::Speech);
}

// The editor box takes the entry's colours, should it stand over the entry.
void RowMenu::showEditorColors(int row)
{
    const AlarmTableModel& model = m_window.currentModel();
    const AlarmCell& cell = model.table().cell(row, MessageColumn);
    QLineEdit* editor = m_window.form().txtTimer;
    QPalette p = editor->palette();
    p.setColor(QPalette::Base, toQColor(cell.back, m_window.currentTable().palette()));
    p.setColor(QPalette::Text, toQColor(cell.fore, m_window.currentTable().palette()));
    editor->setPalette(p);
}

void RowMenu::mnuTimerResetColor()
{
    AlarmTableModel& model = m_window.currentModel();
    const int row = currentRow();
    m_window.currentTable().setCurrentCell(row, MessageColumn);
    const QModelIndex message = model.cellIndex(row, MessageColumn);
    model.setData(message, AlarmTable::BackColor, AlarmTableModel::BackColorRole);
    model.setData(message, AlarmTable::ForeColor, AlarmTableModel::ForeColorRole);
    showEditorColors(row);
}

void RowMenu::mnuTimerBackColor()
{
    chooseMessageColor(true);
}

void RowMenu::mnuTimerForeColor()
{
    chooseMessageColor(false);
}

void RowMenu::chooseMessageColor(bool background)
{
    AlarmTableModel& model = m_window.currentModel();
    const int row = currentRow();
    m_window.currentTable().setCurrentCell(row, MessageColumn);
    const QModelIndex message = model.cellIndex(row, MessageColumn);
    const int role = background ? AlarmTableModel::BackColorRole : AlarmTableModel::ForeColorRole;
    // The dialog opens on the cell's colour; cancelling it changes nothing.
    // Window-modal, so that an alarm coming meanwhile can still be answered.
    QColorDialog dialog(
        toQColor(model.data(message, role).toInt(), m_window.currentTable().palette()), &m_window);
    dialog.setWindowTitle(background ? tr("Back Color") : tr("Fore Color"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted)
        return;
    model.setData(message, fromQColor(dialog.selectedColor()), role);
    showEditorColors(row);
}

// The moved entry stays the current row (the model moves the cursor with it).
void RowMenu::mnuTimerMoveUp()
{
    const int row = currentRow();
    if (row > 1)
        m_window.currentModel().moveRow({}, row - 1, {}, row - 2);
}

void RowMenu::mnuTimerMoveDown()
{
    const int row = currentRow();
    if (row >= 1 && row < m_window.currentTable().Rows() - 1)
        m_window.currentModel().moveRow({}, row - 1, {}, row + 1);
}

void RowMenu::mnuTimerInsert()
{
    AlarmTableModel& model = m_window.currentModel();
    if (model.rowCount() >= kMaxEntries) {
        m_window.setStatusText(QStringLiteral("Table Full, %1 entries").arg(kMaxEntries));
        m_window.beep();
        return;
    }
    model.insertRow(model.rowCount());
    m_window.currentTable().setCurrentCell(model.table().Rows() - 1, OptionsColumn);
    m_window.ArrangeWindow();
}

void RowMenu::mnuTimerDelete()
{
    // The table keeps its height until the next arrangement.
    AlarmTableModel& model = m_window.currentModel();
    const int row = currentRow();
    if (model.rowCount() > 1 && row >= 1)
        model.removeRow(row - 1);
}

void RowMenu::mnuTimerSpeak()
{
    const int row = currentRow();
    m_window.currentTable().setCurrentCell(row, MessageColumn);
    m_window.speech().SpeechSpeak(m_window.currentModel().table().text(row, MessageColumn), false);
}

} // namespace vt
