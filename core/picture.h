// SPDX-License-Identifier: MIT
// Pictures held in table cells, compared by handle rather than by pixels, and
// the image list that owns the two enable-cell pictures.
#pragma once

#include <QIcon>
#include <QtGlobal>

namespace vt
{

struct Picture {
    quintptr handle = 0; // 0 means no picture
    QIcon icon;

    bool isNull() const { return handle == 0; }
};

// Owns its images; a picture's handle is the address of the image it came
// from, so two lists never hand out the same handle.
class ImageList
{
public:
    ImageList(const QIcon& disabled, const QIcon& enabled);
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    Picture disabledImage() const { return pictureOf(m_disabled); }
    Picture enabledImage() const { return pictureOf(m_enabled); }

private:
    static Picture pictureOf(const QIcon& icon) { return {quintptr(&icon), icon}; }

    QIcon m_disabled;
    QIcon m_enabled;
};

} // namespace vt
