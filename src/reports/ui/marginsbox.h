#pragma once

#include <QGroupBox>
#include <QPageLayout>

class QRadioButton;
class QSpinBox;
class TSettingsStore;

// "Margins" of a report dialog: top, left, right and bottom in millimetres or tenths of
// an inch, kept as TopMargin, LeftMargin, RightMargin, BottomMargin and UnitsMM in the
// dialog's settings section.
class TMarginsBox : public QGroupBox
{
    Q_OBJECT

public:
    TMarginsBox(const TSettingsStore &settings, const QString &section, int defaultMargin,
                QWidget *parent = nullptr);

    void Save(TSettingsStore &settings, const QString &section) const;
    // The default printer's paper (A4 without a printer) with these margins.
    QPageLayout PageLayout(QPageLayout::Orientation orientation) const;

private:
    QSpinBox *m_top, *m_left, *m_right, *m_bottom;
    QRadioButton *m_mm, *m_inches;
};
