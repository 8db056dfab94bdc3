#include "model/textcompare.h"

#include <QLocale>

int CompareFolded(QStringView a, QStringView b) noexcept
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = FoldAscii(pa[i]);
        const char16_t cb = FoldAscii(pb[i]);
        if (ca != cb)
            return int(ca) - int(cb);
    }
    return int(a.size() - b.size());
}

const QCollator &LookupCollator()
{
    static const QCollator collator = [] {
        // The C locale has no collation: Qt then compares by code, and its sort keys
        // disagree with its comparison about letter case. Use a real language then.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator;
}
