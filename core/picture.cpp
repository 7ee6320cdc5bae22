// SPDX-License-Identifier: MIT
#include "core/picture.h"

namespace vt
{

ImageList::ImageList(const QIcon& disabled, const QIcon& enabled)
    : m_disabled(disabled), m_enabled(enabled)
{
}

} // namespace vt
