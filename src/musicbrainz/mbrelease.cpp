#include "musicbrainz/mbrelease.h"

QString MbCreditText(const TMbCredit &credit)
{
    QString text;
    for (const TMbCreditName &name : credit)
        text += name.Name + name.JoinPhrase;
    return text;
}

QString MbCreditSortName(const TMbCredit &credit)
{
    if (credit.empty())
        return {};
    const TMbCreditName &first = credit.front();
    QString text = first.SortName.isEmpty() ? first.Name : first.SortName;
    if (credit.size() > 1) {
        text += first.JoinPhrase;
        for (size_t i = 1; i < credit.size(); ++i)
            text += credit[i].Name + credit[i].JoinPhrase;
    }
    return text;
}

const TMbLabelInfo *TMbRelease::FirstLabel() const
{
    for (const TMbLabelInfo &label : Labels)
        if (!label.Name.isEmpty())
            return &label;
    return nullptr;
}

QString TMbRelease::FirstCatalogNumber() const
{
    for (const TMbLabelInfo &label : Labels)
        if (!label.CatalogNumber.isEmpty())
            return label.CatalogNumber;
    return {};
}

QString TMbRelease::TopGenre() const
{
    const TMbGenre *top = nullptr;
    for (const TMbGenre &genre : GroupGenres) {
        if (genre.Name.isEmpty())
            continue;
        if (!top || genre.Count > top->Count ||
            (genre.Count == top->Count && genre.Name.compare(top->Name, Qt::CaseInsensitive) < 0))
            top = &genre;
    }
    return top ? top->Name : QString();
}
