// SPDX-License-Identifier: MIT
// A status bar panel that shows a long text shortened to fit, a file path in
// it shortened in the middle so that the reason after it stays readable; the
// whole text is its tool tip, and what screen readers read.
#pragma once

#include <QLabel>

namespace vt
{

class StatusLabel : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

    // The text shortened to a width: the longest path in it loses its middle
    // first, then the text its end.
    static QString fitted(const QString& text, const QFontMetrics& metrics, int width);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFitted();

    QString m_fullText;
};

} // namespace vt
