// SPDX-License-Identifier: MIT
// The program's pictures: its icon and the two enable-cell boxes.
#pragma once

#include <QIcon>

namespace vt
{

QIcon programIcon();
QIcon enableCellImage(bool enabled);

} // namespace vt
