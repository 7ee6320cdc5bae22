// SPDX-License-Identifier: MIT
#include "ui/common/statuslabel.h"

#include <QRegularExpression>

namespace vt
{

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void StatusLabel::setFullText(const QString& text)
{
    m_fullText = text;
    setToolTip(text);
    setAccessibleDescription(text);
    showFitted();
}

// Any width will do: the text is shortened to what there is.
QSize StatusLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void StatusLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitted();
}

void StatusLabel::showFitted()
{
    setText(fitted(m_fullText, fontMetrics(), contentsRect().width() - 2 * margin() - indent()));
}

QString StatusLabel::fitted(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    static const QRegularExpression path(QStringLiteral("\\S*/\\S*"));
    QRegularExpressionMatch longest;
    for (const QRegularExpressionMatch& m : path.globalMatch(text))
        if (m.capturedLength() > longest.capturedLength())
            longest = m;
    if (longest.hasMatch()) {
        const QString before = text.left(longest.capturedStart());
        const QString after = text.mid(longest.capturedEnd());
        const int room = width - metrics.horizontalAdvance(before + after);
        const QString shortened = metrics.elidedText(longest.captured(), Qt::ElideMiddle, room);
        if (!shortened.isEmpty() && room > metrics.horizontalAdvance(QStringLiteral("/\u2026/")))
            return before + shortened + after;
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

} // namespace vt
