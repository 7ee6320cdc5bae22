// SPDX-License-Identifier: MIT
#include "resources/images.h"

// The resources live in a static library; naming them here keeps the linker
// from dropping them.
static void initResources()
{
    Q_INIT_RESOURCE(vigiltide);
}

namespace vt {

QIcon programIcon()
{
    initResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/vigiltide-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon enableCellImage(bool enabled)
{
    initResources();
    return QIcon(enabled ? QStringLiteral(":/images/enabled.png")
                         : QStringLiteral(":/images/disabled.png"));
}

} // namespace vt
