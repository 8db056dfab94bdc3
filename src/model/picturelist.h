#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QList>

// The database's 32 by 32 pictures: the program's 30 large icons first, then the
// album thumbnails, so index 0 is never a thumbnail. Pictures are kept as packed
// RGB888 bytes in one buffer.
class TPictureList
{
public:
    static constexpr int kSide = 32;
    static constexpr qsizetype kBytes = kSide * kSide * 3;
    static constexpr int kIconCount = 30;

    TPictureList();

    // Empties the list and puts the icons back (blank ones where none are given).
    void Reset(const QList<QImage> &icons = {});
    qint32 Count() const { return m_count; }
    qint32 Append(const QImage &picture);
    void Replace(qint32 index, const QImage &picture);
    QImage Image(qint32 index) const;
    // Rows top to bottom, 96 bytes each.
    QByteArrayView Rgb(qint32 index) const;
    // The picture as an embedded bitmap block.
    QByteArray Bitmap(qint32 index) const;

    static void SetDefaultIcons(const QList<QImage> &icons);

private:
    void store(qint32 index, const QImage &picture);

    QByteArray m_pixels;
    qint32 m_count = 0;
};
