#include "editors/ui/changeselecteddialog.h"

#include "model/general.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "shell/dmglobal.h"
#include "shell/ui/lookupbox.h"
#include "shell/ui/ratingbar.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/filterdialog.h"
#include "views/ui/mainservices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The names the editors give the widget of each field.
const char *editorName(TFieldId field, TItemLevel level)
{
    switch (field) {
    case fdTitle:
        return "edTitle";
    case fdArtist:
        return "cbArtist";
    case fdConductor:
        return "cbConductor";
    case fdOrchestra:
        return "cbOrchestra";
    case fdSoloists:
        return "edSoloists";
    case fdLabel:
        return "cbLabel";
    case fdYear:
        return "edYear";
    case fdFormat:
        return "cbFormat";
    case fdNumber:
        return "edNumber";
    case fdIndex:
        return "edIndex";
    case fdInCollection:
        return "cbInCollection";
    case fdRare:
        return "cbRare";
    case fdStudio:
        return "cbStudio";
    case fdProducer:
        return "cbProducer";
    case fdEngineer:
        return "cbEngineer";
    case fdRecordingDate:
        return "dtRecordingDate";
    case fdTourName:
        return "edTourname";
    case fdMono:
        return "cbMono";
    case fdLive:
        return "cbLive";
    case fdAD:
        return "cbAD";
    case fdGenre:
        return "cbGenre";
    case fdOwner:
        return "cbOwner";
    case fdLocation:
        return "edLocation";
    case fdPurchaseDate:
        return "dtPurchaseDate";
    case fdPrice:
        return "edPrice";
    case fdStore:
        return "cbStore";
    case fdRating:
        return "tbRating";
    case fdComments:
        return level == ilAlbum ? "mmComments" : "edComments";
    case fdAlbumText1:
        return "edAlbumText1";
    case fdAlbumText2:
        return "edAlbumText2";
    case fdAlbumLookup1:
        return "cbAlbumLookup1";
    case fdAlbumLookup2:
        return "cbAlbumLookup2";
    case fdSongwriter:
        return "cbSongwriter";
    case fdBPM:
        return "edBPM";
    case fdTrackText1:
        return "edTrackText1";
    case fdTrackLookup1:
        return "cbTrackLookup1";
    default:
        return "edValue";
    }
}

QLineEdit *digitsEdit(int digits)
{
    auto *edit = new QLineEdit;
    edit->setMaxLength(digits);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,%1}").arg(digits)), edit));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 1, u'0')) + 16);
    return edit;
}

} // namespace

TfmChangeSelected::TfmChangeSelected(QWidget *owner, TQelDb &db, const TQelFields &fields,
                                     TItemLevel level, qsizetype count)
    : QDialog(owner), m_db(db), m_fields(fields), m_level(level)
{
    setObjectName(QStringLiteral("fmChangeSelected"));
    const bool albums = level == ilAlbum;
    setWindowTitle(albums ? tr("Change Selected Albums") : tr("Change Selected Tracks"));

    auto *intro = new QLabel;
    intro->setObjectName(QStringLiteral("laIntro"));
    intro->setWordWrap(true);
    const QString what =
        albums ? (count == 1 ? tr("the selected album") : tr("the %1 selected albums").arg(count))
               : (count == 1 ? tr("the selected item") : tr("the %1 selected items").arg(count));
    intro->setText(tr("Tick the fields to change on %1. A field left empty is cleared.").arg(what));

    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    if (albums) {
        left->addWidget(
            group(tr("Main"), {fdTitle, fdArtist, fdConductor, fdOrchestra, fdSoloists, fdLabel,
                               fdYear, fdFormat, fdNumber, fdIndex, fdInCollection, fdRare}));
        left->addWidget(group(tr("User Defined"),
                              {fdAlbumText1, fdAlbumText2, fdAlbumLookup1, fdAlbumLookup2}));
        right->addWidget(group(tr("Recording"), {fdStudio, fdProducer, fdEngineer, fdRecordingDate,
                                                 fdTourName, fdMono, fdLive, fdAD}));
        right->addWidget(group(tr("Personal"), {fdGenre, fdOwner, fdLocation, fdPurchaseDate,
                                                fdPrice, fdStore, fdRating, fdComments}));
    } else {
        left->addWidget(
            group(tr("Main"), {fdTitle, fdArtist, fdSongwriter, fdConductor, fdOrchestra, fdYear}));
        left->addWidget(group(tr("Recording"), {fdProducer, fdEngineer, fdStudio, fdBPM, fdLive}));
        right->addWidget(
            group(tr("Personal"), {fdGenre, fdTrackText1, fdTrackLookup1, fdRating, fdComments}));
    }
    left->addStretch(1);
    right->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto *buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("btOk"));
    m_ok->setText(tr("OK"));
    m_ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("btCancel"));
    cancel->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmChangeSelected::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfmChangeSelected::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);
    updateOk();
}

QGroupBox *TfmChangeSelected::group(const QString &title, const std::vector<TFieldId> &fields)
{
    auto *box = new QGroupBox(title);
    auto *grid = new QGridLayout(box);
    int row = 0;
    for (const TFieldId field : fields) {
        QWidget *editor = makeEditor(field);
        auto *tick = new QCheckBox(m_fields.GetFieldName(field));
        tick->setObjectName(QStringLiteral("tk") +
                            QLatin1String(editorName(field, m_level)).mid(2));
        tick->setToolTip(tr("Change %1").arg(m_fields.GetFieldName(field)));
        connect(tick, &QCheckBox::toggled, this, &TfmChangeSelected::updateOk);
        const Qt::Alignment top = field == fdComments && m_level == ilAlbum
                                      ? Qt::Alignment(Qt::AlignTop)
                                      : Qt::Alignment();
        grid->addWidget(tick, row, 0, top);
        grid->addWidget(editor, row, 1);
        ++row;
        m_rows.push_back({field, tick, editor});
        tickOnEdit(m_rows.back());
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget *TfmChangeSelected::makeEditor(TFieldId field)
{
    const QString name = QLatin1String(editorName(field, m_level));
    QWidget *editor = nullptr;
    if (IsLookupField(field)) {
        QComboBox *box = NewLookupBox(name, 16);
        FillLookupBox(box, m_db.LookupList(field));
        box->setCurrentIndex(-1);
        box->setEditText(QString());
        return box;
    }
    auto choices = [&](const QStringList &items, int current) {
        auto *box = new QComboBox;
        box->addItems(items);
        box->setCurrentIndex(current);
        return box;
    };
    switch (field) {
    case fdYear:
        editor = digitsEdit(4);
        break;
    case fdIndex:
        editor = digitsEdit(5);
        break;
    case fdMono:
        editor = choices({tr("Stereo"), tr("Mono")}, 0);
        break;
    case fdInCollection:
        editor = choices({tr("No"), tr("Yes")}, 1);
        break;
    case fdRare:
        editor = choices({tr("No"), tr("Yes")}, 0);
        break;
    case fdLive:
        editor = choices({tr("No"), tr("Yes"), tr("Undecided")}, 0);
        break;
    case fdAD: {
        QStringList names;
        for (const char *n : ADNames)
            names << QString::fromLatin1(n);
        editor = choices(names, 3);
        break;
    }
    case fdRecordingDate:
    case fdPurchaseDate: {
        auto *date = new TCheckedDateEdit;
        date->SetDays(0, false);
        date->setToolTip(tr("Unticked: no date"));
        editor = date;
        break;
    }
    case fdRating: {
        // The slider inside carries the name.
        auto *bar = new TRatingBar;
        bar->setObjectName(QStringLiteral("rbRating"));
        return bar;
    }
    case fdBPM: {
        auto *spin = new QSpinBox;
        spin->setRange(0, 1000);
        editor = spin;
        break;
    }
    case fdComments:
        if (m_level == ilAlbum) {
            auto *memo = new QPlainTextEdit;
            memo->setTabChangesFocus(true);
            memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 3 + 12);
            editor = memo;
        } else {
            editor = new QLineEdit;
        }
        break;
    default:
        editor = new QLineEdit;
        break;
    }
    editor->setObjectName(name);
    return editor;
}

void TfmChangeSelected::tickOnEdit(const TRow &row)
{
    QCheckBox *tick = row.tick;
    auto doTick = [tick] { tick->setChecked(true); };
    QWidget *w = row.editor;
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        connect(edit, &QLineEdit::textEdited, tick, doTick);
    else if (auto *box = qobject_cast<QComboBox *>(w)) {
        if (box->isEditable())
            connect(box->lineEdit(), &QLineEdit::textEdited, tick, doTick);
        connect(box, &QComboBox::activated, tick, doTick);
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
        connect(memo, &QPlainTextEdit::textChanged, tick, doTick);
    else if (auto *date = qobject_cast<TCheckedDateEdit *>(w)) {
        connect(date, &QDateEdit::dateChanged, tick, doTick);
        connect(date->CheckBox(), &QCheckBox::clicked, tick, doTick);
    } else if (auto *bar = qobject_cast<TRatingBar *>(w))
        connect(bar->Slider(), &QSlider::valueChanged, tick, doTick);
    else if (auto *spin = qobject_cast<QSpinBox *>(w))
        connect(spin, &QSpinBox::valueChanged, tick, doTick);
}

void TfmChangeSelected::updateOk()
{
    bool any = false;
    for (const TRow &row : m_rows)
        any = any || row.tick->isChecked();
    m_ok->setEnabled(any);
}

void TfmChangeSelected::SetTicked(TFieldId field, bool ticked)
{
    for (const TRow &row : m_rows)
        if (row.field == field)
            row.tick->setChecked(ticked);
}

bool TfmChangeSelected::IsTicked(TFieldId field) const
{
    for (const TRow &row : m_rows)
        if (row.field == field)
            return row.tick->isChecked();
    return false;
}

QWidget *TfmChangeSelected::Editor(TFieldId field) const
{
    for (const TRow &row : m_rows)
        if (row.field == field)
            return row.editor;
    return nullptr;
}

bool TfmChangeSelected::readValue(const TRow &row, TFieldValue &value)
{
    value = TFieldValue();
    value.Field = row.field;
    QWidget *w = row.editor;
    switch (row.field) {
    case fdIndex:
        value.Number = static_cast<QLineEdit *>(w)->text().toLongLong();
        return true;
    case fdMono:
    case fdInCollection:
    case fdRare:
    case fdLive:
    case fdAD:
        value.Number = static_cast<QComboBox *>(w)->currentIndex();
        return true;
    case fdRecordingDate:
    case fdPurchaseDate: {
        const auto *date = static_cast<TCheckedDateEdit *>(w);
        value.Date = date->IsChecked() ? date->Days() : 0;
        return true;
    }
    case fdPrice: {
        auto *edit = static_cast<QLineEdit *>(w);
        if (ParsePriceText(edit->text(), value.Number))
            return true;
        ShowInfo(tr("\"%1\" is not a valid currency value").arg(edit->text()));
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    case fdRating:
        value.Number = static_cast<TRatingBar *>(w)->Value();
        return true;
    case fdBPM:
        value.Number = static_cast<QSpinBox *>(w)->value();
        return true;
    case fdComments:
        if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
            value.Text = TBulkChange::AlbumComments(memo->toPlainText());
        else
            value.Text = static_cast<QLineEdit *>(w)->text();
        return true;
    default:
        if (auto *box = qobject_cast<QComboBox *>(w))
            value.Text = box->currentText();
        else
            value.Text = static_cast<QLineEdit *>(w)->text();
        return true;
    }
}

void TfmChangeSelected::accept()
{
    TBulkChange change;
    for (const TRow &row : m_rows) {
        if (!row.tick->isChecked())
            continue;
        TFieldValue value;
        if (!readValue(row, value))
            return;
        change.Set(value);
    }
    if (change.IsEmpty())
        return;
    m_change = change;
    QDialog::accept();
}

bool ChangeSelectedItems(const TMainServices &main, TItemLevel level, qsizetype count,
                         TBulkChange &change)
{
    TfmChangeSelected window(main.owner, main.db, main.dm.Fields(), level, count);
    if (main.owner)
        CenterOnOwner(&window, main.owner);
    if (window.exec() != QDialog::Accepted)
        return false;
    change = window.Change();
    return true;
}
