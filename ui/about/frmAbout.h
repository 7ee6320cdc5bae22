// SPDX-License-Identifier: MIT
// The About box: the program's title, version and purpose, and a credit block.
// Modeless and ownerless; it fills in its texts each time it is opened anew.
#pragma once

#include "ui_frmAbout.h"

#include <QWidget>

namespace vt
{

class frmAbout : public QWidget
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    const Ui::frmAbout& form() const { return ui; }

    static QString descriptionText(int major, int minor);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void fitTexts();
    void describeControls();

    Ui::frmAbout ui;
};

} // namespace vt
