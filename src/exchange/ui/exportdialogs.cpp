#include "exchange/ui/exportdialogs.h"

#include "exchange/export.h"
#include "model/general.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/selectfields.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfmExport::TfmExport(const TKind &kind,
                     const std::function<std::unique_ptr<TExport>(QObject *)> &makeExport,
                     QList<TDataItem *> items, TItemLevel listLevel, TItemLevel exportLevel,
                     TSettingsStore &settings, const TQelFields &fields, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_kind(kind), m_export(makeExport(this)),
      m_items(std::move(items)), m_fields(fields), m_columns(exportLevel)
{
    setObjectName(QLatin1String(kind.objectName));
    setWindowTitle(kind.caption);

    m_columns.Load(settings, columnsKey());
    m_export->ItemList = &m_items;
    m_export->ListLevel = listLevel;
    m_export->ExportLevel = exportLevel;
    m_export->ShowFields = &m_columns;
    m_export->FieldNames = &m_fields;

    m_fileName =
        new QLineEdit(settings.ReadString(kind.section, QStringLiteral("FileName"), {}), this);
    m_fileName->setObjectName(QStringLiteral("edFileName"));
    m_fileName->setMinimumWidth(300);
    connect(m_fileName, &QLineEdit::editingFinished, this, &TfmExport::completeFileName);
    m_fieldList = new QListWidget(this);
    m_fieldList->setObjectName(QStringLiteral("lbFields"));
    fillFields();

    ChooseFile = [this](QWidget *owner, const QString &folder) {
        QFileDialog dialog(owner, m_kind.browseCaption, folder, m_kind.browseFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(m_kind.defaultSuffix);
        // Replacing a file is asked when the export starts.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().front()
                   : QString();
    };
}

TfmExport::~TfmExport()
{
    // The box loses the focus while the widgets go, after this part of the dialog.
    disconnect(m_fileName, nullptr, this, nullptr);
}

QString TfmExport::columnsKey() const
{
    return m_kind.section + (m_columns.Level == ilAlbum ? QStringLiteral("\\AlbumShowFields")
                                                        : QStringLiteral("\\TrackShowFields"));
}

void TfmExport::finishLayout(QLayout *options)
{
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto *browseButton = button("btBrowse", tr("Browse..."));
    auto *fieldsButton = button("btFields", tr("Fields..."));
    auto *ok = button("btOK", tr("Export"));
    ok->setDefault(true);
    auto *cancel = button("btCancel", tr("Cancel"));
    connect(browseButton, &QPushButton::clicked, this, &TfmExport::browse);
    connect(fieldsButton, &QPushButton::clicked, this, &TfmExport::selectColumns);
    connect(ok, &QPushButton::clicked, this, &TfmExport::runExport);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *fileLabel = new QLabel(tr("&Destination File"), this);
    fileLabel->setBuddy(m_fileName);
    auto *fieldsLabel = new QLabel(tr("Fields"), this);
    fieldsLabel->setBuddy(m_fieldList);

    auto *grid = new QGridLayout;
    grid->addWidget(fileLabel, 0, 0, 1, 2);
    grid->addWidget(m_fileName, 1, 0, 1, 2);
    grid->addWidget(browseButton, 1, 2);
    grid->addWidget(fieldsLabel, 2, 0);
    grid->addWidget(m_fieldList, 3, 0);
    auto *optionsBox = new QVBoxLayout;
    optionsBox->addLayout(options);
    optionsBox->addStretch();
    grid->addLayout(optionsBox, 3, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(fieldsButton);
    grid->addLayout(buttons, 3, 2);
    grid->setColumnStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    // A fixed size, as large as the contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmExport::fillFields()
{
    m_fieldList->clear();
    for (qsizetype c = 0; c < m_columns.Count(); ++c)
        m_fieldList->addItem(m_fields.GetFieldName(m_columns.Items(c)->FieldId));
}

void TfmExport::selectColumns()
{
    if (SelectColumns && SelectColumns(m_columns, m_kind.fieldsSuffix))
        fillFields();
}

void TfmExport::browse()
{
    const QString current = m_fileName->text().trimmed();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen = ChooseFile(this, folder);
    if (!chosen.isEmpty())
        m_fileName->setText(QDir::toNativeSeparators(chosen));
}

// A name without an extension gets the format's.
void TfmExport::completeFileName()
{
    const QString name = m_fileName->text().trimmed();
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !name.endsWith(u'/'))
        m_fileName->setText(name + u'.' + m_kind.defaultSuffix);
}

void TfmExport::runExport()
{
    completeFileName();
    m_export->FileName = m_fileName->text().trimmed();
    copyOptions();
    if (m_export->Execute())
        accept();
}

void TfmExport::done(int result)
{
    // Written however the dialog closes.
    m_settings.WriteString(m_kind.section, QStringLiteral("FileName"), m_fileName->text());
    saveOptions(m_settings, m_kind.section);
    m_columns.Save(m_settings, columnsKey());
    QDialog::done(result);
}

// Delimited text.

namespace {

const char16_t kDelimiters[] = {u';', u',', u'\t', u' '};
const QString kAsciiSection = QStringLiteral("ExportAscii");
const QString kHtmlSection = QStringLiteral("ExportHtml");

// A group of radio buttons, the one at index checked (the first for an index out of
// range).
QGroupBox *radioGroup(QWidget *parent, const char *name, const QString &caption,
                      const QStringList &items, int index, QList<QRadioButton *> &buttons)
{
    auto *group = new QGroupBox(caption, parent);
    group->setObjectName(QLatin1String(name));
    auto *box = new QVBoxLayout(group);
    for (const QString &text : items) {
        auto *b = new QRadioButton(text, group);
        box->addWidget(b);
        buttons << b;
    }
    buttons[index >= 0 && index < buttons.size() ? index : 0]->setChecked(true);
    return group;
}

int checkedIndex(const QList<QRadioButton *> &buttons)
{
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return i;
    return 0;
}

QLabel *note(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMaximumWidth(190);
    return label;
}

} // namespace

TfmExportAscii::TfmExportAscii(QList<TDataItem *> items, TItemLevel listLevel,
                               TItemLevel exportLevel, TSettingsStore &settings,
                               const TQelFields &fields, QWidget *parent)
    : TfmExport(
          {"fmExportAscii", tr("Export to ASCII"), kAsciiSection, tr("for ASCII Export"),
           tr("Export to ASCII file"), tr("ASCII Files (*.txt *.csv);;All files (*)"),
           QStringLiteral("txt")},
          [](QObject *owner) { return std::make_unique<TExportAscii>(owner); }, std::move(items),
          listLevel, exportLevel, settings, fields, parent)
{
    auto *delimiter = radioGroup(
        this, "rgDelimiter", tr("Delimiter"),
        {tr("Semicolon (;)"), tr("Comma (,)"), tr("TAB"), tr("Space ( )")},
        settings.ReadInteger(kAsciiSection, QStringLiteral("Delimiter"), 0), m_delimiters);
    auto *qualifier = radioGroup(
        this, "rgTextQualifier", tr("Text Qualifier"),
        {tr("Double Quote (\")"), tr("Single Quote (')"), tr("None")},
        settings.ReadInteger(kAsciiSection, QStringLiteral("TextQualifier"), 0), m_qualifiers);
    m_names = new QCheckBox(tr("&Include Field Names on First Row"), this);
    m_names->setObjectName(QStringLiteral("ckIncludeFieldNames"));
    m_names->setChecked(
        settings.ReadBool(kAsciiSection, QStringLiteral("IncludeFieldNames"), false));

    auto *options = new QGridLayout;
    options->addWidget(delimiter, 0, 0);
    options->addWidget(
        note(this, tr("The delimiter is the character that will be exported between the fields.")),
        0, 1);
    options->addWidget(qualifier, 1, 0);
    options->addWidget(
        note(this,
             tr("The text qualifier is the character that encloses all fields in the export.")),
        1, 1);
    options->addWidget(m_names, 2, 0, 1, 2);
    finishLayout(options);
}

void TfmExportAscii::copyOptions()
{
    auto &ascii = static_cast<TExportAscii &>(Exporter());
    ascii.Delimiter = QString(QChar(kDelimiters[checkedIndex(m_delimiters)]));
    const int q = checkedIndex(m_qualifiers);
    ascii.TextQualifier = q == 0 ? QStringLiteral("\"") : q == 1 ? QStringLiteral("'") : QString();
    ascii.IncludeFieldNames = m_names->isChecked();
}

void TfmExportAscii::saveOptions(TSettingsStore &settings, const QString &section) const
{
    settings.WriteInteger(section, QStringLiteral("Delimiter"), checkedIndex(m_delimiters));
    settings.WriteInteger(section, QStringLiteral("TextQualifier"), checkedIndex(m_qualifiers));
    settings.WriteBool(section, QStringLiteral("IncludeFieldNames"), m_names->isChecked());
}

// HTML.

TfmExportHtml::TfmExportHtml(QList<TDataItem *> items, TItemLevel listLevel, TItemLevel exportLevel,
                             TSettingsStore &settings, const TQelFields &fields, QWidget *parent)
    : TfmExport(
          {"fmExportHtml", tr("Export to HTML"), kHtmlSection, tr("for HTML Export"),
           tr("Export to HTML"), tr("HTML Files (*.htm *.html);;All files (*)"),
           QStringLiteral("htm")},
          [](QObject *owner) { return std::make_unique<TExportHTML>(owner); }, std::move(items),
          listLevel, exportLevel, settings, fields, parent)
{
    m_border = new QCheckBox(tr("&Border"), this);
    m_border->setObjectName(QStringLiteral("ckBorder"));
    m_border->setChecked(settings.ReadBool(kHtmlSection, QStringLiteral("Border"), true));
    auto *options = new QVBoxLayout;
    options->addWidget(m_border);
    finishLayout(options);
}

void TfmExportHtml::copyOptions()
{
    static_cast<TExportHTML &>(Exporter()).Border = m_border->isChecked();
}

void TfmExportHtml::saveOptions(TSettingsStore &settings, const QString &section) const
{
    settings.WriteBool(section, QStringLiteral("Border"), m_border->isChecked());
}

namespace {

void runDialog(TfmExport &dialog, QWidget *owner, TdmGlobal &dm)
{
    dialog.SelectColumns = [&dialog, &dm](TListFields &fields, const QString &suffix) {
        return SelectFields(&dialog, fields, suffix, dm);
    };
    // Laid out first: before, the dialog has no size of its own to centre.
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    dialog.exec();
}

} // namespace

void ExportToAscii(QWidget *owner, QList<TDataItem *> items, TItemLevel listLevel,
                   TItemLevel exportLevel, TdmGlobal &dm)
{
    TfmExportAscii dialog(std::move(items), listLevel, exportLevel, dm.Settings(), dm.Fields(),
                          owner);
    runDialog(dialog, owner, dm);
}

void ExportToHtml(QWidget *owner, QList<TDataItem *> items, TItemLevel listLevel,
                  TItemLevel exportLevel, TdmGlobal &dm)
{
    TfmExportHtml dialog(std::move(items), listLevel, exportLevel, dm.Settings(), dm.Fields(),
                         owner);
    runDialog(dialog, owner, dm);
}
