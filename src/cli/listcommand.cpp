#include "cli/commands.h"
#include "cli/listoptions.h"

#include "views/browsestate.h"
#include "views/itemlistmodel.h"

namespace {

const char *const kUsage =
    "Usage: qel list FILE [--tracks] [--group FIELD] [--folder NAME] [--columns F1,F2,...]\n"
    "                [--sort F1[:desc],F2,...] [--filter EXPR]... [--or] [--case]";

QString cellText(QString text)
{
    // One row per line: line breaks and tabs inside a value become blanks.
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

int runList(const QStringList &args, const TListUse &use)
{
    TListOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (options.Take(args, i, kUsage))
            continue;
        if (!a.startsWith(QStringLiteral("--")) && options.file.isEmpty())
            options.file = a;
        else
            throw TListError{QStringLiteral("qel list: unexpected argument '%1'\n%2")
                                 .arg(a, QLatin1String(kUsage))};
    }
    if (options.file.isEmpty())
        throw TListError{QLatin1String(kUsage)};
    return SelectList(options, use);
}

// Prints the selected list: its rows with tab-separated columns, the count and the filter.
int printList(TBrowseState &state, const TShowFields &)
{
    QTextStream &o = Out();
    const TItemListModel *model = state.ListModel();
    const int cols = model->columnCount();
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c)
                o << '\t';
            o << cellText(model->data(model->index(r, c)).toString());
        }
        o << '\n';
    }
    o << state.CountText() << '\n' << state.FilterText() << '\n';
    o.flush();
    return 0;
}

} // namespace

int RunList(const QStringList &args)
{
    return WithList(args, printList);
}

int WithList(const QStringList &args, const TListUse &use)
{
    try {
        return runList(args, use);
    } catch (const TListError &e) {
        return Fail(e.message);
    }
}
