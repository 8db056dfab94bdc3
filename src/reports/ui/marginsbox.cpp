#include "reports/ui/marginsbox.h"

#include "shell/settingsstore.h"

#include <QGridLayout>
#include <QLabel>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QSpinBox>

TMarginsBox::TMarginsBox(const TSettingsStore &settings, const QString &section, int defaultMargin,
                         QWidget *parent)
    : QGroupBox(tr("Margins"), parent)
{
    auto spin = [&](const char *name, const char *key) {
        auto *s = new QSpinBox(this);
        s->setObjectName(QLatin1String(name));
        s->setRange(0, 500);
        s->setValue(settings.ReadInteger(section, QLatin1String(key), defaultMargin));
        return s;
    };
    m_top = spin("seTopMargin", "TopMargin");
    m_left = spin("seLeftMargin", "LeftMargin");
    m_right = spin("seRightMargin", "RightMargin");
    m_bottom = spin("seBottomMargin", "BottomMargin");
    m_mm = new QRadioButton(tr("&Millimeters"), this);
    m_mm->setObjectName(QStringLiteral("rbMillimeters"));
    m_inches = new QRadioButton(tr("1/10 &Inches"), this);
    m_inches->setObjectName(QStringLiteral("rbInches"));
    (settings.ReadBool(section, QStringLiteral("UnitsMM"), true) ? m_mm : m_inches)
        ->setChecked(true);

    auto *grid = new QGridLayout(this);
    const struct
    {
        QString caption;
        QSpinBox *box;
    } rows[] = {{tr("T&op"), m_top},
                {tr("&Left"), m_left},
                {tr("&Right"), m_right},
                {tr("&Bottom"), m_bottom}};
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(rows[i].caption, this);
        label->setBuddy(rows[i].box);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(rows[i].box, i / 2, (i % 2) * 2 + 1);
    }
    grid->addWidget(m_mm, 2, 0, 1, 2);
    grid->addWidget(m_inches, 2, 2, 1, 2);
}

void TMarginsBox::Save(TSettingsStore &settings, const QString &section) const
{
    settings.WriteBool(section, QStringLiteral("UnitsMM"), m_mm->isChecked());
    settings.WriteInteger(section, QStringLiteral("TopMargin"), m_top->value());
    settings.WriteInteger(section, QStringLiteral("LeftMargin"), m_left->value());
    settings.WriteInteger(section, QStringLiteral("RightMargin"), m_right->value());
    settings.WriteInteger(section, QStringLiteral("BottomMargin"), m_bottom->value());
}

QPageLayout TMarginsBox::PageLayout(QPageLayout::Orientation orientation) const
{
    const bool inches = m_inches->isChecked();
    // Tenths of an inch: a top margin of 5 is half an inch.
    const qreal unit = inches ? 0.1 : 1.0;
    const QMarginsF margins(m_left->value() * unit, m_top->value() * unit, m_right->value() * unit,
                            m_bottom->value() * unit);
    QPageSize paper(QPageSize::A4);
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull())
        paper = printer.defaultPageSize();
    return QPageLayout(paper, orientation, margins,
                       inches ? QPageLayout::Inch : QPageLayout::Millimeter);
}
