#pragma once

#include "reports/listreport.h"

#include <QImage>
#include <functional>
#include <map>

class TAlbum;

// The album report: per album a name header, its cover and comments, its album fields
// (one per row, or side by side) and its discs, section headers, tracks and subtracks as
// an indented table of track fields.
class TrpAlbums : public TBandReport
{
public:
    enum TLayout { alColumnar = 0, alTabular = 1 };
    // One band of the report, in printing order.
    struct TRow
    {
        enum TKind { rkName, rkCoverComments, rkAlbum, rkTrackHeader, rkDetail } kind;
        const TAlbum *album;
        const TDataItem *item = nullptr; // rkDetail
        int level = 0;                   // rkDetail: 1 to 4
    };

    TrpAlbums(std::vector<const TAlbum *> albums, std::vector<TReportColumn> albumFields,
              std::vector<TReportColumn> trackFields);

    int Layout = alColumnar;
    bool NewPagePerAlbum = true;
    bool ShowCoverAndComments = true;
    bool ShowNameHeader = true;
    QString CoversFolder;
    QDateTime PrintedAt = QDateTime::currentDateTime();
    // The 16 by 16 icon of an index of the large icon list; none when unset. Asked once
    // per index and Build.
    std::function<QImage(int)> Icon;

    // Builds the rows from the albums and options; call before paginating.
    void Build();
    const std::vector<TRow> &Rows() const { return m_rows; }
    // The icon a detail row shows, by its level and item.
    static int IconIndex(const TRow &row);
    // "%s - %s (%s)" of title, artist and year.
    static QString AlbumName(const TAlbum &album);

    qreal PageHeaderHeight() const override;
    qreal TitleHeight() const override { return 0; }
    qreal ColumnHeaderHeight() const override { return 0; }
    qreal PageFooterHeight() const override;
    int DetailCount() const override { return int(m_rows.size()); }
    qreal DetailHeight(int row) const override;
    bool StartsNewPage(int row) const override;

    void PaintPageHeader(QPainter &p, const QRectF &rect, int page) const override;
    void PaintTitle(QPainter &, const QRectF &) const override {}
    void PaintColumnHeader(QPainter &, const QRectF &) const override {}
    void PaintDetail(QPainter &p, const QRectF &rect, int row) const override;
    void PaintPageFooter(QPainter &p, const QRectF &rect, int page) const override;

private:
    void addItems(const TAlbum *album, const TDataItem *parent, int level);
    qreal commentsHeight(const TAlbum &album) const;
    QString coverPath(const TAlbum &album) const;
    const QImage &icon(int index) const;
    void paintTrackColumns(QPainter &p, const QRectF &rect, const TDataItem *item,
                           bool captions) const;

    std::vector<const TAlbum *> m_albums;
    std::vector<TReportColumn> m_albumFields;
    std::vector<TReportColumn> m_trackFields;
    std::vector<TRow> m_rows;
    // One picture per icon: a PDF keeps one copy of a picture drawn again, where a fresh
    // picture per row would be stored once per row.
    mutable std::map<int, QImage> m_icons;
};
