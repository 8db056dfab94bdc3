#include "reports/albumreport.h"

#include "model/album.h"
#include "model/lookuplist.h"
#include "model/tracks.h"
#include "services/coverimage.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace {

const QColor kGrey(0x80, 0x80, 0x80);
constexpr qreal kRow = 17;

QFont font(qreal points, bool bold = false)
{
    return TBandReport::PixelFont(QStringLiteral("Arial"), points, bold);
}

int widthOf(const TReportColumn &c)
{
    return c.width == 0 ? 100 : c.width;
}

} // namespace

TrpAlbums::TrpAlbums(std::vector<const TAlbum *> albums, std::vector<TReportColumn> albumFields,
                     std::vector<TReportColumn> trackFields)
    : m_albums(std::move(albums)), m_albumFields(std::move(albumFields)),
      m_trackFields(std::move(trackFields))
{
}

QString TrpAlbums::AlbumName(const TAlbum &album)
{
    QString artist;
    if (album.Artist)
        artist = album.Artist->DisplayName.isEmpty() ? album.Artist->SortName
                                                     : album.Artist->DisplayName;
    return QStringLiteral("%1 - %2 (%3)").arg(QString(album.Title), artist, QString(album.Year));
}

void TrpAlbums::Build()
{
    m_rows.clear();
    m_icons.clear();
    for (const TAlbum *album : m_albums) {
        if (ShowNameHeader)
            m_rows.push_back({TRow::rkName, album});
        if (ShowCoverAndComments)
            m_rows.push_back({TRow::rkCoverComments, album});
        m_rows.push_back({TRow::rkAlbum, album});
        m_rows.push_back({TRow::rkTrackHeader, album});
        addItems(album, album, 1);
    }
}

void TrpAlbums::addItems(const TAlbum *album, const TDataItem *parent, int level)
{
    for (qsizetype i = 0; i < parent->Count(); ++i) {
        const TDataItem *child = parent->Items(i);
        m_rows.push_back({TRow::rkDetail, album, child, level});
        if (level < 4)
            addItems(album, child, level + 1);
    }
}

int TrpAlbums::IconIndex(const TRow &row)
{
    switch (row.level) {
    case 1:
        return row.album->FormatImage();
    case 2:
        return row.item->Kind() == TItemKind::Header ? 1 : 2;
    case 3:
        return row.item->Kind() == TItemKind::Track ? 2 : 3;
    default:
        return 3;
    }
}

qreal TrpAlbums::PageHeaderHeight() const
{
    return QFontMetricsF(font(8)).height();
}

qreal TrpAlbums::PageFooterHeight() const
{
    return QFontMetricsF(font(8)).height();
}

qreal TrpAlbums::commentsHeight(const TAlbum &album) const
{
    const QString comments = album.Comments;
    if (comments.isEmpty())
        return 0;
    return QFontMetricsF(font(8))
        .boundingRect(QRectF(0, 0, 529, 1e6), Qt::TextWordWrap, comments)
        .height();
}

qreal TrpAlbums::DetailHeight(int index) const
{
    const TRow &row = m_rows[size_t(index)];
    switch (row.kind) {
    case TRow::rkName:
        return 59;
    case TRow::rkCoverComments:
        // The comments grow the band downwards.
        return qMax<qreal>(144, 12 + commentsHeight(*row.album) + 8);
    case TRow::rkAlbum:
        return Layout == alColumnar ? qreal(m_albumFields.size()) * kRow + 8 : 42;
    default:
        return kRow;
    }
}

bool TrpAlbums::StartsNewPage(int index) const
{
    if (!NewPagePerAlbum || index == 0)
        return false;
    // The first band of each album.
    return m_rows[size_t(index)].album != m_rows[size_t(index) - 1].album;
}

QString TrpAlbums::coverPath(const TAlbum &album) const
{
    const QString file = album.CoverFile;
    if (file.isEmpty())
        return {};
    return CoversFolder.endsWith(u'/') ? CoversFolder + file : CoversFolder + u'/' + file;
}

const QImage &TrpAlbums::icon(int index) const
{
    auto found = m_icons.find(index);
    if (found == m_icons.end())
        found = m_icons.emplace(index, Icon(index)).first;
    return found->second;
}

void TrpAlbums::paintTrackColumns(QPainter &p, const QRectF &rect, const TDataItem *item,
                                  bool captions) const
{
    QFont f = font(8);
    f.setUnderline(captions);
    p.setFont(f);
    p.setPen(Qt::black);
    const QFontMetricsF metrics(f);
    qreal x = rect.left() + 72;
    for (const TReportColumn &c : m_trackFields) {
        const qreal w = widthOf(c);
        const QRectF cell(x, rect.top(), w - 4, rect.height());
        QString text = captions ? c.caption : item->GetFieldAsString(c.field);
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(text, Qt::ElideRight, cell.width()));
        x += w;
    }
}

void TrpAlbums::PaintDetail(QPainter &p, const QRectF &rect, int index) const
{
    const TRow &row = m_rows[size_t(index)];
    const TAlbum &album = *row.album;
    p.setPen(Qt::black);
    switch (row.kind) {
    case TRow::rkName: {
        p.setFont(font(11));
        p.drawText(QRectF(rect.left(), rect.top() + 22 - 4, rect.width(), 18),
                   Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, AlbumName(album));
        p.drawLine(QPointF(rect.left() + 8, rect.top() + 38 + 4),
                   QPointF(rect.right() - 8, rect.top() + 38 + 4));
        break;
    }
    case TRow::rkCoverComments: {
        p.drawRect(QRectF(rect.left() + 8, rect.top() + 12, 121, 121));
        // A cover that cannot be read prints the frame alone.
        const QString path = coverPath(album);
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            const TCoverPicture cover = LoadCoverPicture(path, QSize(420, 420));
            if (!cover.image.isNull()) {
                const QRectF picture(rect.left() + 16, rect.top() + 20, 105, 105);
                p.drawImage(picture, cover.image);
                p.drawRect(picture);
            }
        }
        p.setFont(font(8));
        p.drawText(QRectF(rect.left() + 136, rect.top() + 12, 529, rect.height() - 12),
                   Qt::TextWordWrap, album.Comments);
        break;
    }
    case TRow::rkAlbum: {
        QFont names = font(8);
        names.setUnderline(true);
        const QFont values = font(8, true);
        if (Layout == alColumnar) {
            qreal y = rect.top() + 8;
            for (const TReportColumn &c : m_albumFields) {
                p.setFont(names);
                p.drawText(QRectF(rect.left() + 8, y, 104, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                           c.caption);
                p.setFont(values);
                p.drawText(QRectF(rect.left() + 112, y, rect.width() - 112, kRow),
                           Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                           album.GetFieldAsString(c.field));
                y += kRow;
            }
        } else {
            qreal x = rect.left() + 72;
            for (const TReportColumn &c : m_albumFields) {
                const qreal w = widthOf(c);
                p.setFont(names);
                p.drawText(QRectF(x, rect.top() + 8, w - 4, kRow), Qt::AlignLeft | Qt::AlignVCenter,
                           c.caption);
                p.setFont(values);
                p.drawText(QRectF(x, rect.top() + 25, w - 4, kRow),
                           Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                           QFontMetricsF(values).elidedText(album.GetFieldAsString(c.field),
                                                            Qt::ElideRight, w - 4));
                x += w;
            }
        }
        break;
    }
    case TRow::rkTrackHeader:
        paintTrackColumns(p, rect, nullptr, true);
        break;
    case TRow::rkDetail: {
        const qreal iconX = rect.left() + 12 * (row.level - 1);
        if (Icon) {
            const QImage &picture = icon(IconIndex(row));
            if (!picture.isNull())
                p.drawImage(QRectF(iconX, rect.top(), 16, 16), picture);
        }
        p.drawLine(QPointF(iconX + 20, rect.top() + 8), QPointF(rect.left() + 69, rect.top() + 8));
        paintTrackColumns(p, rect, row.item, false);
        break;
    }
    }
}

void TrpAlbums::PaintPageHeader(QPainter &p, const QRectF &rect, int page) const
{
    p.setFont(font(8));
    p.setPen(Qt::black);
    p.drawText(rect, Qt::AlignRight | Qt::AlignVCenter, QString::number(page + 1));
}

void TrpAlbums::PaintPageFooter(QPainter &p, const QRectF &rect, int) const
{
    p.setFont(font(8));
    p.setPen(kGrey);
    p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, TrpList::FooterText());
    p.drawText(rect, Qt::AlignRight | Qt::AlignVCenter,
               QLocale::system().toString(PrintedAt, QLocale::ShortFormat));
}
