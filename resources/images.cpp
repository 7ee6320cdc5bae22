// SPDX-License-Identifier: MIT
#include "resources/images.h"

// The resources live in a static library; naming them here keeps the linker
// from dropping them.
static void initResources()
{
    Q_INIT_RESOURCE(vigiltide);
}

namespace vt
{

QIcon programIcon()
{
    // Made once: every window asks for it.
    static const QIcon icon = [] {
        initResources();
        QIcon made;
        // The sizes a window's title, task bar and About box use; the larger
        // ones are for the installed icon theme.
        for (int size : {16, 24, 32, 48, 64})
            made.addFile(QStringLiteral(":/icons/vigiltide-%1.png").arg(size), QSize(size, size));
        return made;
    }();
    return icon;
}

QIcon enableCellImage(bool enabled)
{
    initResources();
    return QIcon(enabled ? QStringLiteral(":/images/enabled.png")
                         : QStringLiteral(":/images/disabled.png"));
}

} // namespace vt
