// The album editor's field forms (the Main, Recording, Personal and User Defined tabs)
// and the album's fields going into them and back.
#include "editors/ui/albumeditor.h"

#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "shell/dmglobal.h"
#include "shell/ui/lookupbox.h"
#include "shell/ui/ratingbar.h"
#include "views/ui/filterdialog.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QString commentsText(QStringView stored)
{
    QString text = stored.toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

} // namespace

QWidget *TfmAlbum::buildMainTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsMain"));
    auto *grid = new QGridLayout(page);
    m_title = lineEdit("edTitle");
    m_soloists = lineEdit("edSoloists");
    m_year = lineEdit("edYear", 4);
    m_number = lineEdit("edNumber");
    m_index = lineEdit("edIndex", 5);
    const std::pair<TFieldId, QWidget *> left[] = {
        {fdTitle, m_title},
        {fdArtist, lookupBox("cbArtist", fdArtist)},
        {fdConductor, lookupBox("cbConductor", fdConductor)},
        {fdOrchestra, lookupBox("cbOrchestra", fdOrchestra)},
        {fdSoloists, m_soloists},
        {fdLabel, lookupBox("cbLabel", fdLabel)},
    };
    int row = 0;
    for (const auto &[field, w] : left) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    const std::pair<TFieldId, QWidget *> right[] = {
        {fdYear, m_year},
        {fdFormat, lookupBox("cbFormat", fdFormat)},
        {fdNumber, m_number},
        {fdIndex, m_index},
    };
    row = 0;
    for (const auto &[field, w] : right) {
        grid->addWidget(fieldLabel(field, w), row, 2);
        grid->addWidget(w, row, 3);
        ++row;
    }
    m_year->setMaximumWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    m_index->setMaximumWidth(m_index->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                             16);
    m_inCollection = checkBox("ckInCollection", fdInCollection);
    m_rare = checkBox("ckRare", fdRare);
    grid->addWidget(m_inCollection, row++, 3);
    grid->addWidget(m_rare, row++, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget *TfmAlbum::buildRecordingTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsRecording"));
    auto *grid = new QGridLayout(page);
    m_recordingDate = new TCheckedDateEdit;
    m_recordingDate->setObjectName(QStringLiteral("dtRecordingDate"));
    m_tourName = lineEdit("edTourname");
    const std::pair<TFieldId, QWidget *> left[] = {
        {fdStudio, lookupBox("cbStudio", fdStudio)},
        {fdProducer, lookupBox("cbProducer", fdProducer)},
        {fdEngineer, lookupBox("cbEngineer", fdEngineer)},
        {fdRecordingDate, m_recordingDate},
        {fdTourName, m_tourName},
    };
    int row = 0;
    for (const auto &[field, w] : left) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    m_mono = checkBox("ckMono", fdMono);
    m_live = checkBox("ckLive", fdLive);
    m_live->setTristate(true);
    m_ad = new QGroupBox(m_dm.Fields().GetFieldCaption(fdAD));
    m_ad->setObjectName(QStringLiteral("rgAD"));
    auto *adLayout = new QVBoxLayout(m_ad);
    for (const char *name : ADNames) {
        auto *radio = new QRadioButton(QString::fromLatin1(name), m_ad);
        radio->setObjectName(QStringLiteral("rbAD") + QString::fromLatin1(name).remove(u'/'));
        adLayout->addWidget(radio);
        m_adButtons.push_back(radio);
    }
    auto *right = new QVBoxLayout;
    right->addWidget(m_mono);
    right->addWidget(m_live);
    right->addWidget(m_ad);
    right->addStretch(1);
    grid->addLayout(right, 0, 2, row + 1, 1); // down to the stretching row
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmAlbum::buildPersonalTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsPersonal"));
    auto *grid = new QGridLayout(page);
    m_location = lineEdit("edLocation");
    const std::pair<TFieldId, QWidget *> top[] = {
        {fdGenre, lookupBox("cbGenre", fdGenre)},
        {fdOwner, lookupBox("cbOwner", fdOwner)},
        {fdLocation, m_location},
    };
    int row = 0;
    for (const auto &[field, w] : top) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    auto *purchase = new QGroupBox(tr("Purchase"));
    purchase->setObjectName(QStringLiteral("gbPurchase"));
    auto *pgrid = new QGridLayout(purchase);
    m_purchaseDate = new TCheckedDateEdit;
    m_purchaseDate->setObjectName(QStringLiteral("dtPurchaseDate"));
    m_price = lineEdit("edPrice");
    const std::pair<TFieldId, QWidget *> inner[] = {
        {fdPurchaseDate, m_purchaseDate},
        {fdPrice, m_price},
        {fdStore, lookupBox("cbStore", fdStore)},
    };
    int prow = 0;
    for (const auto &[field, w] : inner) {
        pgrid->addWidget(fieldLabel(field, w), prow, 0);
        pgrid->addWidget(w, prow, 1);
        ++prow;
    }
    pgrid->setColumnStretch(1, 1);
    grid->addWidget(purchase, row++, 0, 1, 2);
    m_rating = new TRatingBar;
    grid->addWidget(fieldLabel(fdRating, m_rating->Slider()), row, 0);
    grid->addWidget(m_rating, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmAlbum::buildUserTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsUser"));
    auto *grid = new QGridLayout(page);
    m_albumText1 = lineEdit("edAlbumText1");
    m_albumText2 = lineEdit("edAlbumText2");
    const std::pair<TFieldId, QWidget *> rows[] = {
        {fdAlbumText1, m_albumText1},
        {fdAlbumText2, m_albumText2},
        {fdAlbumLookup1, lookupBox("cbAlbumLookup1", fdAlbumLookup1)},
        {fdAlbumLookup2, lookupBox("cbAlbumLookup2", fdAlbumLookup2)},
    };
    int row = 0;
    for (const auto &[field, w] : rows) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

// --- loading and storing

void TfmAlbum::loadAlbum()
{
    const TAlbum &a = m_album;
    m_title->setText(a.Title);
    m_soloists->setText(a.Soloists);
    m_year->setText(a.Year);
    m_number->setText(a.Number);
    m_index->setText(QString::number(a.Index));
    m_inCollection->setChecked(a.InCollection);
    m_rare->setChecked(a.Rare);
    m_mono->setChecked(a.Mono);
    m_live->setCheckState(a.Live == 1   ? Qt::Checked
                          : a.Live == 2 ? Qt::PartiallyChecked
                                        : Qt::Unchecked);
    if (a.AD < m_adButtons.size())
        m_adButtons[a.AD]->setChecked(true);
    m_recordingDate->SetDays(a.RecordingDate, a.RecordingDate != 0);
    m_purchaseDate->SetDays(a.PurchaseDate, a.PurchaseDate != 0);
    m_tourName->setText(a.TourName);
    m_location->setText(a.Location);
    m_price->setText(FormatPriceText(a.Price));
    m_rating->SetValue(a.Rating);
    m_albumText1->setText(a.AlbumText1);
    m_albumText2->setText(a.AlbumText2);
    m_comments->setPlainText(commentsText(a.Comments.view()));
    for (const TLookupBox &l : m_lookups)
        l.box->setCurrentText(LookupSortText(a.getLookupItem(l.field)));
    m_coverFile->setText(a.CoverFile);
    m_originalCoverFile = a.CoverFile;

    // The tree is never empty: an album without discs gets an empty one.
    if (m_album.Count() == 0) {
        auto *disc = new TDisc(&m_album);
        m_album.Add(disc);
    }
    fillTree();
    Renumber();
    if (QTreeWidgetItem *first = m_tree->topLevelItem(0))
        m_tree->setCurrentItem(first);
    updateCaption();
    updateItemCommands();
}

bool TfmAlbum::storeAlbum()
{
    qint64 price = 0;
    if (!ParsePriceText(m_price->text(), price)) {
        checkPrice();
        return false;
    }
    TAlbum &a = m_album;
    a.Title = m_title->text();
    a.Soloists = m_soloists->text();
    a.Year = m_year->text();
    a.Number = m_number->text();
    bool ok = false;
    const int index = m_index->text().trimmed().toInt(&ok);
    a.Index = ok ? index : 0;
    a.InCollection = m_inCollection->isChecked();
    a.Rare = m_rare->isChecked();
    a.Mono = m_mono->isChecked();
    a.Live = m_live->checkState() == Qt::Checked            ? 1
             : m_live->checkState() == Qt::PartiallyChecked ? 2
                                                            : 0;
    for (std::size_t i = 0; i < m_adButtons.size(); ++i)
        if (m_adButtons[i]->isChecked())
            a.AD = quint8(i);
    a.RecordingDate = m_recordingDate->IsChecked() ? m_recordingDate->Days() : 0;
    a.PurchaseDate = m_purchaseDate->IsChecked() ? m_purchaseDate->Days() : 0;
    a.TourName = m_tourName->text();
    a.Location = m_location->text();
    a.Price = price;
    a.Rating = quint8(m_rating->Value());
    a.AlbumText1 = m_albumText1->text();
    a.AlbumText2 = m_albumText2->text();
    for (const TLookupBox &l : m_lookups)
        a.setLookupItem(l.field, m_db.LookupList(l.field).GetOrAdd(l.box->currentText()));
    a.CoverFile = m_coverFile->text();

    // Duplicated albums share their thumbnail's picture: a new picture for this album
    // goes into a place of its own so the others keep theirs.
    if (!m_thumbnail.isNull() && a.ThumbnailIndex > 0 && a.ThumbnailIndex < m_db.Pictures.Count() &&
        m_db.Pictures.Image(a.ThumbnailIndex) != m_thumbnail.convertToFormat(QImage::Format_RGB888))
        for (qsizetype i = 0; i < m_db.AlbumCount(); ++i)
            if (m_db.Album(i) != &a && m_db.Album(i)->ThumbnailIndex == a.ThumbnailIndex) {
                a.ClearThumbnail();
                break;
            }
    // A cover that cannot be read now (a folder moved, a drive not mounted) keeps the
    // thumbnail made when it could; only a cleared or changed name drops it.
    const bool keepThumbnail = m_thumbnail.isNull() && !m_coverFile->text().isEmpty() &&
                               m_coverFile->text() == m_originalCoverFile;
    if (!keepThumbnail)
        a.SetThumbnail(m_thumbnail.isNull() ? nullptr : &m_thumbnail);

    QString comments;
    const QStringList lines = m_comments->toPlainText().split(u'\n');
    if (!m_comments->toPlainText().isEmpty())
        for (const QString &line : lines)
            comments += line + QStringLiteral("\r\n");
    a.Comments = comments;
    a.RebuildTrackLists();
    return true;
}
