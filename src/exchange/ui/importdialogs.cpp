#include "exchange/ui/importdialogs.h"

#include "exchange/discogsimport.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kTextSection = QStringLiteral("ImportText");
const QString kDiscogsSection = QStringLiteral("ImportDiscogs");
constexpr int kMaxColumnWidth = 220;

// A value on one line of the preview: its line breaks shown as a mark.
QString oneLine(QString value)
{
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" \u21B5 "));
    value.replace(u'\n', QStringLiteral(" \u21B5 "));
    value.replace(u'\r', QStringLiteral(" \u21B5 "));
    return value;
}

QComboBox *optionBox(QWidget *parent, const char *name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    return box;
}

template <std::size_t N> int indexIn(const char16_t (&items)[N], char16_t c)
{
    for (std::size_t i = 0; i < N; ++i)
        if (items[i] == c)
            return int(i);
    return 0;
}

// The folder of the file last imported in section, or the home folder.
QString lastFolder(TdmGlobal &dm, const QString &section)
{
    const QString last = dm.Settings().ReadString(section, QStringLiteral("FileName"), {});
    return last.isEmpty() ? QDir::homePath() : QFileInfo(last).absolutePath();
}

} // namespace

TChooseImportFile ChooseImportFile = [](QWidget *parent, const QString &caption,
                                        const QString &folder) {
    return QFileDialog::getOpenFileName(
        parent, caption, folder,
        QCoreApplication::translate("TfmImportText",
                                    "Delimited text (*.csv *.txt *.tsv);;All files (*)"));
};

TfmImportText::TfmImportText(const QString &fileName, const TQelFields &fields, QWidget *parent)
    : QDialog(parent), m_fileName(fileName), m_fields(fields)
{
    setObjectName(QStringLiteral("fmImportText"));
    setWindowTitle(tr("Import Delimited Text"));

    m_choices = ImportableFields();
    std::stable_sort(m_choices.begin(), m_choices.end(), [&fields](TFieldId a, TFieldId b) {
        return fields.GetFieldName(a).compare(fields.GetFieldName(b), Qt::CaseInsensitive) < 0;
    });

    auto *file = new QLabel(tr("File: %1").arg(QDir::toNativeSeparators(fileName)), this);
    file->setObjectName(QStringLiteral("lbFile"));
    file->setTextFormat(Qt::PlainText);
    m_delimiter = optionBox(this, "cbDelimiter",
                            {tr("Semicolon (;)"), tr("Comma (,)"), tr("TAB"), tr("Space ( )")});
    m_qualifier = optionBox(this, "cbTextQualifier",
                            {tr("Double Quote (\")"), tr("Single Quote (')"), tr("None")});
    m_encoding = optionBox(this, "cbEncoding", {tr("UTF-8"), tr("Windows-1252")});
    auto *options = new QHBoxLayout;
    const auto labelled = [this, options](const QString &text, QComboBox *box) {
        auto *label = new QLabel(text, this);
        label->setBuddy(box);
        options->addWidget(label);
        options->addWidget(box);
        options->addSpacing(12);
    };
    labelled(tr("&Delimiter"), m_delimiter);
    labelled(tr("Text &Qualifier"), m_qualifier);
    labelled(tr("&Encoding"), m_encoding);
    options->addStretch();

    auto *columnsLabel = new QLabel(
        tr("Each column goes to the field chosen above it; the first rows of the file below."),
        this);
    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("tbColumns"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setWordWrap(false);
    m_shape = new QLabel(this);
    m_shape->setObjectName(QStringLiteral("lbShape"));
    m_shape->setTextFormat(Qt::PlainText);
    m_shape->setWordWrap(true);

    m_ok = new QPushButton(tr("Import"), this);
    m_ok->setObjectName(QStringLiteral("btOK"));
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(options);
    layout->addWidget(columnsLabel);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_shape);
    layout->addLayout(buttons);
    resize(860, 540);

    QString error;
    if (!GuessDelimitedFormat(fileName, m_format, fgAll, &error)) {
        m_preview.Error = error;
        m_shape->setText(error);
        m_ok->setEnabled(false);
    } else {
        m_delimiter->setCurrentIndex(indexIn(kDelimitedDelimiters, m_format.Delimiter));
        m_qualifier->setCurrentIndex(indexIn(kDelimitedQualifiers, m_format.Qualifier));
        m_encoding->setCurrentIndex(m_format.Encoding == TTextEncoding::Utf8 ? 0 : 1);
        reread();
    }
    for (QComboBox *box : {m_delimiter, m_qualifier, m_encoding})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            readOptions();
            reread();
        });
}

void TfmImportText::readOptions()
{
    m_format.Delimiter = kDelimitedDelimiters[std::max(0, m_delimiter->currentIndex())];
    m_format.Qualifier = kDelimitedQualifiers[std::max(0, m_qualifier->currentIndex())];
    m_format.Encoding =
        m_encoding->currentIndex() == 1 ? TTextEncoding::Cp1252 : TTextEncoding::Utf8;
}

void TfmImportText::reread()
{
    m_preview = ReadDelimitedPreview(m_fileName, m_format, PreviewRows);
    fillTable();
    updateShape();
}

void TfmImportText::fillTable()
{
    m_filling = true;
    m_table->clear();
    m_boxes.clear();
    const QStringList &columns = m_preview.Columns;
    const TColumnMapping guess = GuessColumnFields(columns, &m_fields);
    m_table->setColumnCount(int(columns.size()));
    m_table->setRowCount(int(m_preview.Rows.size()) + 1);
    m_table->setHorizontalHeaderLabels(columns);
    QStringList rowLabels{tr("Field")};
    for (qsizetype r = 0; r < m_preview.Rows.size(); ++r)
        rowLabels << QString::number(r + 1);
    m_table->setVerticalHeaderLabels(rowLabels);
    for (qsizetype c = 0; c < columns.size(); ++c) {
        auto *box = new QComboBox(m_table);
        box->setObjectName(QStringLiteral("cbField%1").arg(c + 1));
        box->addItem(tr("(skip)"), int(fdNone));
        for (const TFieldId f : m_choices)
            box->addItem(m_fields.GetFieldName(f), int(f));
        box->setCurrentIndex(std::max(0, box->findData(int(guess[std::size_t(c)]))));
        connect(box, &QComboBox::currentIndexChanged, this, [this, c] { fieldChosen(c); });
        m_table->setCellWidget(0, int(c), box);
        m_boxes.push_back(box);
    }
    for (qsizetype r = 0; r < m_preview.Rows.size(); ++r) {
        const QStringList &values = m_preview.Rows[r];
        for (qsizetype c = 0; c < columns.size() && c < values.size(); ++c)
            m_table->setItem(int(r + 1), int(c), new QTableWidgetItem(oneLine(values[c])));
    }
    m_table->resizeColumnsToContents();
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_table->setColumnWidth(c, std::min(m_table->columnWidth(c), kMaxColumnWidth));
    m_filling = false;
}

TColumnMapping TfmImportText::Mapping() const
{
    TColumnMapping mapping;
    for (const QComboBox *box : m_boxes)
        mapping.push_back(TFieldId(box->currentData().toInt()));
    return mapping;
}

void TfmImportText::SetField(qsizetype column, TFieldId field)
{
    if (column < 0 || column >= qsizetype(m_boxes.size()))
        return;
    QComboBox *box = m_boxes[std::size_t(column)];
    box->setCurrentIndex(std::max(0, box->findData(int(field))));
}

void TfmImportText::fieldChosen(qsizetype column)
{
    if (m_filling)
        return;
    // A field goes to one column: the one chosen last.
    const int field = m_boxes[std::size_t(column)]->currentData().toInt();
    if (field != fdNone) {
        m_filling = true;
        for (std::size_t c = 0; c < m_boxes.size(); ++c)
            if (qsizetype(c) != column && m_boxes[c]->currentData().toInt() == field)
                m_boxes[c]->setCurrentIndex(0);
        m_filling = false;
    }
    updateShape();
}

void TfmImportText::updateShape()
{
    if (!m_preview.Error.isEmpty()) {
        m_shape->setText(m_preview.Error);
        m_ok->setEnabled(false);
        return;
    }
    const TColumnMapping mapping = Mapping();
    const bool trackRows = MapsTrackRows(mapping);
    if (std::none_of(mapping.begin(), mapping.end(),
                     [trackRows](TFieldId f) { return CarriesField(f, trackRows); })) {
        m_shape->setText(tr("No column goes to a field that can be imported: choose a field "
                            "for at least one column."));
        m_ok->setEnabled(false);
        return;
    }
    m_ok->setEnabled(true);
    QStringList keys, derived;
    for (const TFieldId f : mapping) {
        if (NamesAlbum(f))
            keys << m_fields.GetFieldName(f);
        if (f != fdNone && !CarriesField(f, trackRows))
            derived << m_fields.GetFieldName(f);
    }
    QString text;
    if (!trackRows)
        text = tr("Each row is an album.");
    else if (keys.isEmpty())
        text = tr("Each row is a track, and all of them belong to one album: no column names "
                  "the album (Album Title, Album Index, Album Name or Album ID).");
    else
        text = tr("Each row is a track; consecutive rows with the same %1 make one album.")
                   .arg(keys.join(tr(" and ")));
    if (!derived.isEmpty())
        text += u' ' + tr("Not carried back, as the collection derives them from other "
                          "values: %1.")
                           .arg(derived.join(QStringLiteral(", ")));
    // Its ratings are stars and its release belongs in the comments: the other command.
    if (m_preview.Columns.contains(QStringLiteral("release_id"), Qt::CaseInsensitive) &&
        m_preview.Columns.contains(QStringLiteral("CollectionFolder"), Qt::CaseInsensitive))
        text += u' ' + tr("The file looks like a Discogs collection export, which \"Import "
                          "From, Discogs Collection (CSV)\" reads as such.");
    m_shape->setText(text);
}

bool ImportDelimitedText(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                         const std::function<void()> &beforeChange)
{
    const QString file = ChooseImportFile(
        owner, QCoreApplication::translate("TfmImportText", "Import Delimited Text"),
        lastFolder(dm, kTextSection));
    if (file.isEmpty())
        return false;
    dm.Settings().WriteString(kTextSection, QStringLiteral("FileName"), file);
    TfmImportText dialog(file, dm.Fields(), owner);
    if (!dialog.Error().isEmpty()) {
        ShowInfo(dialog.Error());
        return false;
    }
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    TDelimitedImport import(owner, db, file);
    import.Format = dialog.Format();
    import.Mapping = dialog.Mapping();
    import.FieldNames = &dm.Fields();
    import.BeforeChange = beforeChange;
    return import.Run();
}

bool ImportDiscogsCollection(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                             const std::function<void()> &beforeChange)
{
    const QString file = ChooseImportFile(
        owner, QCoreApplication::translate("TfmImportText", "Import Discogs Collection (CSV)"),
        lastFolder(dm, kDiscogsSection));
    if (file.isEmpty())
        return false;
    dm.Settings().WriteString(kDiscogsSection, QStringLiteral("FileName"), file);
    TDiscogsImport import(owner, db, file);
    import.BeforeChange = beforeChange;
    return import.Run();
}
