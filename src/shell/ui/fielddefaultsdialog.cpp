#include "shell/ui/fielddefaultsdialog.h"

#include "model/valueformat.h"

#include "model/fields.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/fielddefaults.h"
#include "shell/ui/ratingbar.h"
#include "shell/ui/windowplacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cmath>

namespace {

// An editable list of the entries of one lookup list, showing the first entry named
// like name (any case), or nothing.
QComboBox *lookupCombo(const QString &objectName, TLookupList &list, const QString &name,
                       QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(objectName);
    combo->setEditable(true);
    // A typed name becomes an entry only when an album uses it.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(16);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QStringList names;
    names.reserve(list.Count());
    for (qsizetype i = 0; i < list.Count(); ++i)
        names << list.GetDisplayText(i);
    combo->addItems(names);
    combo->setCurrentIndex(name.isEmpty() ? -1 : combo->findText(name, Qt::MatchFixedString));
    return combo;
}

QButtonGroup *radioGroup(QGroupBox *box, const QStringList &texts, int columns, int checked)
{
    auto *group = new QButtonGroup(box);
    auto *layout = new QGridLayout(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto *radio = new QRadioButton(texts[i], box);
        group->addButton(radio, i);
        layout->addWidget(radio, i / columns, i % columns);
    }
    if (QAbstractButton *b = group->button(checked))
        b->setChecked(true);
    return group;
}

QLabel *fieldLabel(const TQelFields &fields, TFieldId field, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(fields.GetFieldCaption(field), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfmFieldDefaults::TfmFieldDefaults(TFieldDefaults &defaults, const TQelFields &fields, TQelDb &db,
                                   QWidget *parent)
    : QDialog(parent), m_defaults(defaults)
{
    setObjectName(QStringLiteral("fmFieldDefaults"));
    setWindowTitle(tr("Field Defaults"));
    const auto caption = [&fields](TFieldId f) { return fields.GetFieldCaption(f); };

    // Main
    auto *main = new QGroupBox(tr("Main"), this);
    main->setObjectName(QStringLiteral("gbMain"));
    m_year = new QLineEdit(defaults.Year, main);
    m_year->setObjectName(QStringLiteral("edYear"));
    m_year->setMaxLength(4);
    m_year->setMaximumWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    m_year->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), m_year));
    m_format = lookupCombo(QStringLiteral("cbFormat"), db.LookupList(fdFormat),
                           defaults.FormatString, main);
    auto *inCollection = new QGroupBox(caption(fdInCollection), main);
    inCollection->setObjectName(QStringLiteral("rgInCollection"));
    m_inCollection =
        radioGroup(inCollection, {tr("Yes"), tr("No")}, 2, defaults.InCollection ? 0 : 1);
    auto *mainLayout = new QFormLayout(main);
    mainLayout->addRow(fieldLabel(fields, fdYear, m_year, main), m_year);
    mainLayout->addRow(fieldLabel(fields, fdFormat, m_format, main), m_format);
    mainLayout->addRow(inCollection);

    // Recording
    auto *recording = new QGroupBox(tr("Recording"), this);
    recording->setObjectName(QStringLiteral("gbRecording"));
    m_mono = new QCheckBox(caption(fdMono), recording);
    m_mono->setObjectName(QStringLiteral("ckMono"));
    m_mono->setChecked(defaults.Mono);
    m_live = new QCheckBox(caption(fdLive), recording);
    m_live->setObjectName(QStringLiteral("ckLive"));
    m_live->setTristate(true);
    m_live->setCheckState(defaults.Live == 1   ? Qt::Checked
                          : defaults.Live == 0 ? Qt::Unchecked
                                               : Qt::PartiallyChecked);
    auto *ad = new QGroupBox(caption(fdAD), recording);
    ad->setObjectName(QStringLiteral("rgAD"));
    QStringList adNames;
    for (const char *name : ADNames)
        adNames << QString::fromLatin1(name);
    // A stored value past the last button picks the last, as the radio group always did.
    m_ad = radioGroup(ad, adNames, 3, qMin(int(defaults.AD), int(adNames.size()) - 1));
    auto *recordingLayout = new QVBoxLayout(recording);
    recordingLayout->addWidget(m_mono);
    recordingLayout->addWidget(m_live);
    recordingLayout->addWidget(ad);
    recordingLayout->addStretch();

    // Personal
    auto *personal = new QGroupBox(tr("Personal"), this);
    personal->setObjectName(QStringLiteral("gbPersonal"));
    m_owner =
        lookupCombo(QStringLiteral("cbOwner"), db.LookupList(fdOwner), defaults.Owner, personal);
    m_genre =
        lookupCombo(QStringLiteral("cbGenre"), db.LookupList(fdGenre), defaults.Genre, personal);

    auto *purchase = new QGroupBox(caption(fdPurchaseDate), personal);
    purchase->setObjectName(QStringLiteral("gbPurchase"));
    m_useNow = new QCheckBox(tr("Use Current Date"), purchase);
    m_useNow->setObjectName(QStringLiteral("ckUseNowAsPurchaseDate"));
    m_useNow->setChecked(defaults.UseNowAsPurchaseDate);
    m_price = new QLineEdit(FormatPriceText(defaults.PurchasePrice), purchase);
    m_price->setObjectName(QStringLiteral("edPrice"));
    m_store =
        lookupCombo(QStringLiteral("cbStore"), db.LookupList(fdStore), defaults.Store, purchase);
    auto *purchaseLayout = new QFormLayout(purchase);
    purchaseLayout->addRow(m_useNow);
    purchaseLayout->addRow(fieldLabel(fields, fdPrice, m_price, purchase), m_price);
    purchaseLayout->addRow(fieldLabel(fields, fdStore, m_store, purchase), m_store);

    m_rating = new TRatingBar(personal);
    m_rating->SetValue(defaults.Rating);

    auto *personalLayout = new QFormLayout(personal);
    personalLayout->addRow(fieldLabel(fields, fdOwner, m_owner, personal), m_owner);
    personalLayout->addRow(fieldLabel(fields, fdGenre, m_genre, personal), m_genre);
    personalLayout->addRow(purchase);
    personalLayout->addRow(fieldLabel(fields, fdRating, m_rating->Slider(), personal), m_rating);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *left = new QVBoxLayout;
    left->addWidget(main);
    left->addWidget(recording, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(personal, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmFieldDefaults::accept()
{
    m_defaults.Year = m_year->text();
    m_defaults.FormatString = m_format->currentText();
    m_defaults.InCollection = m_inCollection->checkedId() == 0;
    m_defaults.Mono = m_mono->isChecked();
    switch (m_live->checkState()) {
    case Qt::Unchecked:
        m_defaults.Live = 0;
        break;
    case Qt::Checked:
        m_defaults.Live = 1;
        break;
    case Qt::PartiallyChecked:
        m_defaults.Live = 2;
        break;
    }
    if (m_ad->checkedId() >= 0)
        m_defaults.AD = quint8(m_ad->checkedId());
    m_defaults.Owner = m_owner->currentText();
    m_defaults.Genre = m_genre->currentText();
    m_defaults.UseNowAsPurchaseDate = m_useNow->isChecked();
    qint64 price = 0;
    if (!ParsePriceText(m_price->text(), price)) {
        ShowInfo(tr("'%1' is not a valid floating point value").arg(m_price->text()));
        QDialog::accept();
        return;
    }
    m_defaults.PurchasePrice = price;
    m_defaults.Store = m_store->currentText();
    m_defaults.Rating = quint8(m_rating->Value());
    QDialog::accept();
}

int EditFieldDefaults(QWidget *owner, TdmGlobal &dm, TQelDb &db)
{
    TfmFieldDefaults dialog(dm.FieldDefaults(), dm.Fields(), db, owner);
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    const int result = dialog.exec();
    if (result == QDialog::Accepted)
        dm.SaveChanges();
    return result;
}
