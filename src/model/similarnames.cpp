#include "model/similarnames.h"

#include "model/lookuplist.h"

#include <QHash>
#include <numeric>

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || QChar::isSpace(c);
}

// Letters lowered, accents and other marks gone, every blank a space.
QString folded(QStringView name)
{
    bool ascii = true;
    for (const QChar c : name)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    QString out;
    out.reserve(name.size());
    if (ascii) {
        for (const QChar c : name) {
            const char16_t u = c.unicode();
            out.append(QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : isBlank(u) ? u' ' : u));
        }
        return out;
    }
    const QString decomposed = name.toString().normalized(QString::NormalizationForm_KD);
    for (const QChar c : decomposed) {
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            continue;
        default:
            break;
        }
        out.append(c.isSpace() ? QString(u' ') : QString(c).toCaseFolded());
    }
    return out;
}

QString collapsed(QStringView s)
{
    QString out;
    out.reserve(s.size());
    bool blank = false;
    for (const QChar c : s) {
        if (c == u' ') {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out.append(u' ');
        blank = false;
        out.append(c);
    }
    return out;
}

// A trailing ", the" with any blanks around the comma, or -1.
qsizetype trailingThe(QStringView s)
{
    if (!s.endsWith(u"the"))
        return -1;
    qsizetype i = s.size() - 3;
    while (i > 0 && s[i - 1] == u' ')
        --i;
    if (i == 0 || s[i - 1] != u',')
        return -1;
    --i;
    while (i > 0 && s[i - 1] == u' ')
        --i;
    return i;
}

} // namespace

QString SimilarNameKey(QStringView name)
{
    QString s = collapsed(folded(name));
    if (s.startsWith(u"the ") && s.size() > 4)
        s.remove(0, 4);
    if (const qsizetype cut = trailingThe(s); cut > 0)
        s.truncate(cut);
    QString words;
    words.reserve(s.size() + 8);
    for (const QChar c : std::as_const(s)) {
        if (c == u'&')
            words.append(u" and ");
        else if (!c.isPunct())
            words.append(c);
    }
    return collapsed(words);
}

std::vector<std::vector<TLookupItem *>> FindSimilarEntries(const TLookupList &list)
{
    const qsizetype n = list.Count();
    // Entries sharing a key are joined: a small union-find over list positions.
    std::vector<qsizetype> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), qsizetype(0));
    auto root = [&parent](qsizetype i) {
        while (parent[std::size_t(i)] != i) {
            parent[std::size_t(i)] = parent[std::size_t(parent[std::size_t(i)])];
            i = parent[std::size_t(i)];
        }
        return i;
    };
    QHash<QString, qsizetype> firstWithKey;
    firstWithKey.reserve(n * 2);
    auto join = [&](qsizetype i, const QString &name) {
        if (name.isEmpty())
            return;
        const QString key = SimilarNameKey(name);
        if (key.isEmpty())
            return;
        const auto found = firstWithKey.constFind(key);
        if (found == firstWithKey.cend()) {
            firstWithKey.insert(key, i);
            return;
        }
        const qsizetype a = root(*found), b = root(i);
        // The earlier position becomes the root, so a group's root is its first entry.
        if (a != b)
            parent[std::size_t(std::max(a, b))] = std::min(a, b);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const TLookupItem *e = list.Items(i);
        join(i, e->SortName);
        if (e->DisplayName != e->SortName)
            join(i, e->DisplayName);
    }
    // Positions of each group's first entry, in list order, then the members.
    std::vector<qsizetype> groupOf(std::size_t(n), -1);
    std::vector<std::vector<TLookupItem *>> groups;
    std::vector<qsizetype> sizes(std::size_t(n), 0);
    for (qsizetype i = 0; i < n; ++i)
        ++sizes[std::size_t(root(i))];
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype r = root(i);
        if (sizes[std::size_t(r)] < 2)
            continue;
        if (groupOf[std::size_t(r)] < 0) {
            groupOf[std::size_t(r)] = qsizetype(groups.size());
            groups.emplace_back();
        }
        groups[std::size_t(groupOf[std::size_t(r)])].push_back(list.Items(i));
    }
    return groups;
}
