// SPDX-License-Identifier: MIT
#include "core/alarmtable.h"

#include "core/tablecontrol.h"
#include "core/twips.h"

#include <QFontMetrics>

namespace vt
{

namespace
{

int templateWidthTwips(const TableControl& table, const QString& text)
{
    return pixelsToTwips(QFontMetrics(table.font()).horizontalAdvance(text), table);
}

void setHeader(TableControl& table, int col, const QString& text)
{
    table.setRow(0);
    table.setCol(col);
    table.setText(text);
    table.setCellAlignment(Qt::AlignCenter);
}

Picture enablePicture(const TableControl& table, bool enabled)
{
    const ImageList* images = table.imageList();
    if (!images)
        return {};
    return enabled ? images->enabledImage() : images->disabledImage();
}

} // namespace

void SetupTableColumns(int mode, TableControl& table)
{
    if (mode == IntervalMode || mode == TimeMode) {
        const bool interval = mode == IntervalMode;
        setHeader(table, ScheduleColumn,
                  interval ? QStringLiteral("Interval") : QStringLiteral("Time"));
        table.setColWidth(ScheduleColumn,
                          templateWidthTwips(table, interval ? QStringLiteral("-Interval-")
                                                             : QStringLiteral("---Time---")));
    }
    // The enable and options columns have no header text; screen readers say
    // what their tool tips say.
    table.setRow(0);
    table.setCol(EnableColumn);
    table.setCellAccessibleText(QStringLiteral("Enable/Disable"));
    table.setCol(OptionsColumn);
    table.setCellAccessibleText(QStringLiteral("Additional Options"));
    setHeader(table, MessageColumn, QStringLiteral("Message"));
    table.setColWidth(EnableColumn, templateWidthTwips(table, QStringLiteral("-----")));
    table.setColWidth(MessageColumn, templateWidthTwips(table, QString(34, QLatin1Char('X'))));
    table.setColWidth(OptionsColumn, templateWidthTwips(table, QStringLiteral("-?-")));
}

void FormatTableRow(TableControl& table, int row)
{
    const int cols = table.Cols();
    for (int c = 0; c < cols; ++c) {
        table.setRow(row);
        table.setCol(c);
        if (c == OptionsColumn) {
            table.setText(QStringLiteral("?"));
            table.setCellBackColor(table.BackColorFixed());
            table.setCellFontBold(true);
            table.setCellAlignment(Qt::AlignCenter);
            table.setCellAccessibleText(TableControl::tr("Options"),
                                        QStringLiteral("Click for Additional Options"));
        } else {
            table.setCellBackColor(table.BackColor());
            // A new entry shows no picture and counts as disabled until clicked.
            if (c == EnableColumn && table.CellPicture() == 0)
                table.setCellEnableText(false);
        }
    }
}

void SetEntryEnabled(TableControl& table, int row, int column, bool enabled)
{
    table.setRow(row);
    table.setCol(column);
    table.setCellPicture(enablePicture(table, enabled));
}

bool IsEntryEnabled(TableControl& table, int row, int column)
{
    table.setRow(row);
    table.setCol(column);
    const quintptr picture = table.CellPicture();
    return picture != 0 && picture == enablePicture(table, true).handle;
}

void CopyRow(TableControl& table, int source, int target)
{
    const int cols = table.Cols();
    for (int c = 0; c < cols; ++c) {
        table.setRow(source);
        table.setCol(c);
        const QString text = table.Text();
        const ColorValue back = table.CellBackColor();
        const ColorValue fore = table.CellForeColor();
        table.setRow(target);
        table.setText(text);
        table.setCellBackColor(back);
        table.setCellForeColor(fore);
    }
    SetEntryEnabled(table, target, EnableColumn, IsEntryEnabled(table, source, EnableColumn));
}

void SwapRows(TableControl& table, int a, int b)
{
    table.setRedraw(false);
    table.setRows(table.Rows() + 1);
    const int scratch = table.Rows() - 1;
    CopyRow(table, a, scratch);
    CopyRow(table, b, a);
    CopyRow(table, scratch, b);
    table.setRows(table.Rows() - 1);
    table.setRedraw(true);
    table.setRow(b);
}

QString ScheduleText(TableControl& table, int row)
{
    table.setRow(row);
    table.setCol(ScheduleColumn);
    return table.Text();
}

AlarmEntry ReadEntry(TableControl& table, int row)
{
    AlarmEntry entry;
    entry.schedule = ScheduleText(table, row);
    table.setCol(MessageColumn);
    entry.message = table.Text();
    entry.backColor = table.CellBackColor();
    entry.foreColor = table.CellForeColor();
    return entry;
}

} // namespace vt
