#include "views/ui/filterdialog.h"

#include "model/qeldb.h"
#include "model/valueformat.h"
#include "shell/dmglobal.h"
#include "shell/ui/windowplacement.h"
#include "views/filter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
using K = TFilterControlKind;

struct TControlName
{
    TFieldId field;
    const char *first;
    const char *second;
};

// Component names of the controls of each field.
const TControlName kNames[] = {
    {fdTitle, "edTitle", nullptr},
    {fdHeaderTitle, "edHeaderTitle", nullptr},
    {fdYear, "edYear", nullptr},
    {fdArtist, "cbArtist", nullptr},
    {fdFormat, "cbFormat", nullptr},
    {fdInCollection, "ckInCollection", nullptr},
    {fdRare, "ckRare", nullptr},
    {fdConductor, "cbConductor", nullptr},
    {fdOrchestra, "cbOrchestra", nullptr},
    {fdSoloists, "edSoloists", nullptr},
    {fdLabel, "cbLabel", nullptr},
    {fdNumber, "edNumber", nullptr},
    {fdSongwriter, "cbSongwriter", nullptr},
    {fdLength, "edLength1", "edLength2"},
    {fdNrDiscs, "edNrDiscs1", "edNrDiscs2"},
    {fdNrTracks, "edNrTracks1", "edNrTracks2"},
    {fdStudio, "cbStudio", nullptr},
    {fdProducer, "cbProducer", nullptr},
    {fdEngineer, "cbEngineer", nullptr},
    {fdMono, "ckMono", nullptr},
    {fdLive, "ckLive", nullptr},
    {fdAD, "cbAD", nullptr},
    {fdBPM, "edBPM1", "edBPM2"},
    {fdRecordingDate, "dtRecordingDateFrom", "dtRecordingDateTo"},
    {fdGenre, "cbGenre", nullptr},
    {fdOwner, "cbOwner", nullptr},
    {fdLocation, "edLocation", nullptr},
    {fdStore, "cbStore", nullptr},
    {fdComments, "edComments", nullptr},
    {fdRating, "edRating1", "edRating2"},
    {fdPurchaseDate, "dtPurchaseDateFrom", "dtPurchaseDateTo"},
    {fdPrice, "edPrice1", "edPrice2"},
    {fdAlbumText1, "edAlbumText1", nullptr},
    {fdAlbumText2, "edAlbumText2", nullptr},
    {fdTrackText1, "edTrackText1", nullptr},
    {fdAlbumLookup1, "cbAlbumLookup1", nullptr},
    {fdAlbumLookup2, "cbAlbumLookup2", nullptr},
    {fdTrackLookup1, "cbTrackLookup1", nullptr},
};

const TControlName &namesOf(TFieldId field)
{
    for (const TControlName &n : kNames)
        if (n.field == field)
            return n;
    Q_UNREACHABLE();
}

int maximumOf(TFieldId field)
{
    return field == fdBPM ? 999 : 100;
}

// Only the spin buttons change the value.
void spinButtonsOnly(QAbstractSpinBox *box)
{
    if (auto *edit = box->findChild<QLineEdit *>())
        edit->setReadOnly(true);
}
} // namespace

TCheckedDateEdit::TCheckedDateEdit(QWidget *parent)
    : QDateEdit(parent), m_check(new QCheckBox(this))
{
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    setDate(QDate::currentDate());
    m_check->setFocusPolicy(Qt::NoFocus);
    lineEdit()->setTextMargins(checkWidth(), 0, 0, 0);
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!m_filling)
            m_check->setChecked(true);
    });
}

bool TCheckedDateEdit::IsChecked() const
{
    return m_check->isChecked();
}

void TCheckedDateEdit::SetChecked(bool checked)
{
    m_check->setChecked(checked);
}

double TCheckedDateEdit::Days() const
{
    return DaysFromDate(date());
}

void TCheckedDateEdit::SetDays(double days, bool checked)
{
    m_filling = true;
    const QDate d = days != 0 ? DateFromDays(days) : QDate();
    setDate(d.isValid() ? d : QDate::currentDate());
    m_filling = false;
    m_check->setChecked(checked);
}

int TCheckedDateEdit::checkWidth() const
{
    return m_check->sizeHint().width() + 2;
}

// The tick box takes room from the date text, so the box is that much wider.
QSize TCheckedDateEdit::sizeHint() const
{
    return QDateEdit::sizeHint() + QSize(checkWidth(), 0);
}

QSize TCheckedDateEdit::minimumSizeHint() const
{
    return QDateEdit::minimumSizeHint() + QSize(checkWidth(), 0);
}

void TCheckedDateEdit::resizeEvent(QResizeEvent *event)
{
    QDateEdit::resizeEvent(event);
    const QSize hint = m_check->sizeHint();
    m_check->setGeometry(4, (height() - hint.height()) / 2, hint.width(), hint.height());
}

TfmFilter::TfmFilter(QWidget *owner, const TFilterFields &filter, TQelDb &db, TdmGlobal &dm)
    : QDialog(owner), m_db(db), m_dm(dm), m_form(filter.Level)
{
    setObjectName(QStringLiteral("fmFilter"));
    setWindowTitle(filter.Level == ilAlbum ? tr("Album Filter") : tr("Track Filter"));

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pcFilter"));
    auto addPage = [this](QWidget *page, const char *name, const QString &caption) {
        page->setObjectName(QLatin1String(name));
        m_pages->addTab(page, caption);
    };
    addPage(
        buildPage({fdTitle, fdHeaderTitle, fdYear, fdArtist, fdFormat, fdConductor, fdOrchestra},
                  {fdSoloists, fdLabel, fdNumber, fdSongwriter, fdInCollection, fdRare}),
        "tsMain", tr("Main"));
    addPage(buildPage({fdLength, fdNrDiscs, fdNrTracks}, {}), "tsTracks", tr("Tracks"));
    addPage(buildPage({fdStudio, fdProducer, fdEngineer, fdAD, fdBPM, fdRecordingDate},
                      {fdMono, fdLive}),
            "tsRecording", tr("Recording"));
    addPage(buildPage({fdGenre, fdOwner, fdLocation, fdStore, fdComments},
                      {fdRating, fdPrice, fdPurchaseDate}),
            "tsPersonal", tr("Personal"));
    addPage(buildPage({fdAlbumText1, fdAlbumText2, fdAlbumLookup1, fdAlbumLookup2},
                      {fdTrackText1, fdTrackLookup1}),
            "tsUserDefined", tr("User Defined"));
    m_pages->setCurrentIndex(0);

    auto *ok = new QPushButton(tr("OK"));
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("btCancel"));
    auto *clear = new QPushButton(tr("&Clear Filter"));
    clear->setObjectName(QStringLiteral("btClearAll"));
    connect(ok, &QPushButton::clicked, this, [this] {
        readForm();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(clear, &QPushButton::clicked, this, [this] { clearFilter(); });

    auto *andOr = new QGroupBox(tr("&Combination"));
    andOr->setObjectName(QStringLiteral("rgAndOr"));
    m_and = new QRadioButton(tr("AND"));
    m_and->setObjectName(QStringLiteral("rbAnd"));
    m_or = new QRadioButton(tr("OR"));
    m_or->setObjectName(QStringLiteral("rbOr"));
    auto *andOrBox = new QVBoxLayout(andOr);
    andOrBox->addWidget(m_and);
    andOrBox->addWidget(m_or);
    m_caseSensitive = new QCheckBox(tr("Case &Sensitive"));
    m_caseSensitive->setObjectName(QStringLiteral("ckCaseSensitive"));

    auto *side = new QVBoxLayout;
    side->addWidget(ok);
    side->addWidget(cancel);
    side->addSpacing(12);
    side->addWidget(clear);
    side->addSpacing(12);
    side->addWidget(andOr);
    side->addWidget(m_caseSensitive);
    side->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_form.Fill(filter);
    showForm();
}

QWidget *TfmFilter::buildPage(std::initializer_list<TFieldId> left,
                              std::initializer_list<TFieldId> right)
{
    auto *page = new QWidget;
    auto *columns = new QHBoxLayout(page);
    for (const auto &fields : {left, right}) {
        if (fields.size() == 0)
            continue;
        auto *form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (TFieldId field : fields)
            addControl(form, field);
        columns->addLayout(form, 1);
    }
    return page;
}

void TfmFilter::addControl(QFormLayout *form, TFieldId field)
{
    TControls &c = m_controls[field];
    QWidget *control = makeControl(field, c);
    const bool enabled = m_form.IsEnabled(field);
    control->setEnabled(enabled);
    if (TFilterForm::Control(field)->kind == K::Bool) {
        form->addRow(QString(), control);
        return;
    }
    // The user's field names may hold "&" accelerators, never markup.
    c.label = new QLabel(m_dm.Fields().GetFieldCaption(field));
    c.label->setTextFormat(Qt::PlainText);
    c.label->setBuddy(c.first);
    c.label->setEnabled(enabled);
    form->addRow(c.label, control);
}

QWidget *TfmFilter::makeControl(TFieldId field, TControls &c)
{
    const TControlName &names = namesOf(field);
    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    auto pair = [&](QWidget *low, QWidget *high) {
        c.first = named(low, names.first);
        c.second = named(high, names.second);
        auto *w = new QWidget;
        auto *box = new QHBoxLayout(w);
        box->setContentsMargins(0, 0, 0, 0);
        box->addWidget(low);
        box->addWidget(high);
        box->addStretch(1);
        return w;
    };

    switch (TFilterForm::Control(field)->kind) {
    case K::Text:
        if (IsLookupField(field) || field == fdAD) {
            auto *box = new QComboBox;
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);
            // A filter looks for the typed text inside the values: no completion.
            box->setCompleter(nullptr);
            box->setMaxVisibleItems(15);
            if (field == fdAD) {
                for (const char *name : ADNames)
                    box->addItem(QLatin1String(name));
            } else {
                box->addItems(m_db.LookupList(field).SortNames());
            }
            box->setMinimumContentsLength(16);
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            return c.first = named(box, names.first);
        } else {
            auto *edit = new QLineEdit;
            if (field == fdYear) {
                edit->setMaxLength(4);
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("\\d{0,4}")), edit));
                edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(u'0') * 6 + 16);
            }
            return c.first = named(edit, names.first);
        }
    case K::Bool: {
        auto *box = new QCheckBox(m_dm.Fields().GetFieldCaption(field));
        box->setTristate(true);
        return c.first = named(box, names.first);
    }
    case K::IntRange: {
        auto spin = [&] {
            auto *s = new QSpinBox;
            s->setRange(0, maximumOf(field));
            if (field == fdRating)
                spinButtonsOnly(s);
            return s;
        };
        return pair(spin(), spin());
    }
    case K::LengthRange: {
        auto edit = [] {
            auto *e = new QLineEdit;
            e->setInputMask(QStringLiteral("99:99"));
            e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("000:000")) + 16);
            return e;
        };
        return pair(edit(), edit());
    }
    case K::DateRange:
        return pair(new TCheckedDateEdit, new TCheckedDateEdit);
    case K::FloatRange: {
        auto spin = [] {
            auto *s = new QDoubleSpinBox;
            s->setRange(0, 100);
            s->setSingleStep(1);
            s->setDecimals(2);
            spinButtonsOnly(s);
            return s;
        };
        return pair(spin(), spin());
    }
    }
    Q_UNREACHABLE();
}

void TfmFilter::showForm()
{
    (m_form.Combination == 0 ? m_and : m_or)->setChecked(true);
    m_caseSensitive->setChecked(m_form.CaseSensitive);
    for (const TFilterControl &control : TFilterForm::Controls()) {
        const TControls &c = m_controls.at(control.field);
        const TFilterValue &v = m_form.Value(control.field);
        switch (control.kind) {
        case K::Text:
            if (auto *box = qobject_cast<QComboBox *>(c.first)) {
                box->setCurrentIndex(-1);
                box->setEditText(v.text);
            } else {
                static_cast<QLineEdit *>(c.first)->setText(v.text);
            }
            break;
        case K::Bool:
            static_cast<QCheckBox *>(c.first)->setCheckState(v.state == 0   ? Qt::Unchecked
                                                             : v.state == 1 ? Qt::Checked
                                                                            : Qt::PartiallyChecked);
            break;
        case K::IntRange:
            static_cast<QSpinBox *>(c.first)->setValue(v.low);
            static_cast<QSpinBox *>(c.second)->setValue(v.high);
            break;
        case K::LengthRange:
            static_cast<QLineEdit *>(c.first)->setText(v.lowText);
            static_cast<QLineEdit *>(c.second)->setText(v.highText);
            break;
        case K::DateRange:
            static_cast<TCheckedDateEdit *>(c.first)->SetDays(v.from, v.fromTicked);
            static_cast<TCheckedDateEdit *>(c.second)->SetDays(v.to, v.toTicked);
            break;
        case K::FloatRange:
            static_cast<QDoubleSpinBox *>(c.first)->setValue(v.from);
            static_cast<QDoubleSpinBox *>(c.second)->setValue(v.to);
            break;
        }
    }
}

void TfmFilter::readForm()
{
    m_form.Combination = m_or->isChecked() ? 1 : 0;
    m_form.CaseSensitive = m_caseSensitive->isChecked();
    for (const TFilterControl &control : TFilterForm::Controls()) {
        if (!m_form.IsEnabled(control.field))
            continue;
        const TControls &c = m_controls.at(control.field);
        TFilterValue &v = m_form.Value(control.field);
        switch (control.kind) {
        case K::Text:
            if (auto *box = qobject_cast<QComboBox *>(c.first))
                v.text = box->currentText();
            else
                v.text = static_cast<QLineEdit *>(c.first)->text();
            break;
        case K::Bool: {
            const Qt::CheckState state = static_cast<QCheckBox *>(c.first)->checkState();
            v.state = state == Qt::Unchecked ? 0 : state == Qt::Checked ? 1 : 2;
            break;
        }
        case K::IntRange:
            v.low = static_cast<QSpinBox *>(c.first)->value();
            v.high = static_cast<QSpinBox *>(c.second)->value();
            break;
        case K::LengthRange:
            // The masked text keeps the blanks in place, so "4 :10" reads as 4:10.
            v.lowText = static_cast<QLineEdit *>(c.first)->displayText();
            v.highText = static_cast<QLineEdit *>(c.second)->displayText();
            break;
        case K::DateRange: {
            const auto *from = static_cast<TCheckedDateEdit *>(c.first);
            const auto *to = static_cast<TCheckedDateEdit *>(c.second);
            v.from = from->Days();
            v.fromTicked = from->IsChecked();
            v.to = to->Days();
            v.toTicked = to->IsChecked();
            break;
        }
        case K::FloatRange:
            v.from = static_cast<QDoubleSpinBox *>(c.first)->value();
            v.to = static_cast<QDoubleSpinBox *>(c.second)->value();
            break;
        }
    }
}

void TfmFilter::clearFilter()
{
    // The combination and case setting as the user left them survive the clearing.
    readForm();
    m_form.Clear();
    showForm();
}

bool EditFilter(QWidget *owner, TFilterFields &filter, TQelDb &db, TdmGlobal &dm)
{
    TfmFilter dialog(owner, filter, db, dm);
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Form().ApplyTo(filter);
    return true;
}
