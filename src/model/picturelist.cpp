#include "model/picturelist.h"

#include "model/bmpblock.h"

#include <cstring>

namespace {
QList<QImage> &defaultIcons()
{
    static QList<QImage> icons;
    return icons;
}
} // namespace

void TPictureList::SetDefaultIcons(const QList<QImage> &icons)
{
    defaultIcons() = icons;
}

TPictureList::TPictureList()
{
    Reset();
}

void TPictureList::Reset(const QList<QImage> &icons)
{
    const QList<QImage> &use = icons.isEmpty() ? defaultIcons() : icons;
    m_pixels.clear();
    m_count = 0;
    for (int i = 0; i < kIconCount; ++i) {
        if (i < use.size()) {
            Append(use[i]);
        } else {
            QImage blank(kSide, kSide, QImage::Format_RGB888);
            blank.fill(Qt::white);
            Append(blank);
        }
    }
}

void TPictureList::store(qint32 index, const QImage &picture)
{
    QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.width() != kSide || rgb.height() != kSide)
        rgb = rgb.scaled(kSide, kSide);
    char *dst = m_pixels.data() + qsizetype(index) * kBytes;
    for (int y = 0; y < kSide; ++y)
        std::memcpy(dst + y * kSide * 3, rgb.constScanLine(y), kSide * 3);
}

qint32 TPictureList::Append(const QImage &picture)
{
    // Grows geometrically: a large collection appends tens of thousands.
    if (m_pixels.capacity() < (m_count + 1) * kBytes)
        m_pixels.reserve(qsizetype(m_count + 25 + m_count / 2) * kBytes);
    m_pixels.resize((m_count + 1) * kBytes);
    store(m_count, picture);
    return m_count++;
}

void TPictureList::Replace(qint32 index, const QImage &picture)
{
    if (index >= 0 && index < m_count)
        store(index, picture);
}

QByteArrayView TPictureList::Rgb(qint32 index) const
{
    return QByteArrayView(m_pixels.constData() + qsizetype(index) * kBytes, kBytes);
}

QImage TPictureList::Image(qint32 index) const
{
    QImage img(kSide, kSide, QImage::Format_RGB888);
    const char *src = m_pixels.constData() + qsizetype(index) * kBytes;
    for (int y = 0; y < kSide; ++y)
        std::memcpy(img.scanLine(y), src + y * kSide * 3, kSide * 3);
    return img;
}

QByteArray TPictureList::Bitmap(qint32 index) const
{
    return bmpblock::encode24(Image(index));
}
