#include "cli/listoptions.h"

#include "model/qeldb.h"
#include "model/valueformat.h"
#include "views/browsestate.h"
#include "views/listfields.h"

namespace {

TFieldId fieldNamed(const QString &name)
{
    const TFieldId f = TQelFields::FieldByDefaultName(name.trimmed());
    if (f == fdNone)
        throw TListError{QStringLiteral("Unknown field \"%1\"").arg(name.trimmed())};
    return f;
}

QString viewName(TItemLevel level)
{
    return level == ilAlbum ? QStringLiteral("album") : QStringLiteral("track");
}

double parseDate(const QString &text, const QString &condition)
{
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        throw TListError{
            QStringLiteral("Malformed date \"%1\" in \"%2\": use yyyy-mm-dd").arg(text, condition)};
    return DaysFromDate(d);
}

// FIELD~TEXT, FIELD=LOW..HIGH or FIELD=yes|no|undecided.
std::unique_ptr<TFilterField> parseCondition(const QString &expr, TItemLevel level)
{
    const qsizetype tilde = expr.indexOf(u'~');
    const qsizetype equals = expr.indexOf(u'=');
    const qsizetype at = tilde < 0 ? equals : (equals < 0 ? tilde : std::min(tilde, equals));
    if (at <= 0)
        throw TListError{
            QStringLiteral("Malformed condition \"%1\": use FIELD~TEXT, FIELD=LOW..HIGH or "
                           "FIELD=yes|no|undecided")
                .arg(expr)};
    const TFieldId field = FieldOfView(expr.left(at), level);
    const QString value = expr.mid(at + 1);
    const TFieldKind kind = FieldKind(field);
    const bool textKind = kind == fkText || kind == fkLookup || kind == fkPicture || kind == fkMemo;
    if (expr[at] == u'~') {
        if (!textKind)
            throw TListError{
                QStringLiteral(
                    "\"%1\" is not a text field: use %1=LOW..HIGH or %1=yes|no|undecided in \"%2\"")
                    .arg(TQelFields::GetDefaultName(field), expr)};
        return std::make_unique<TStringFilterField>(field, value);
    }
    if (textKind)
        throw TListError{QStringLiteral("\"%1\" is a text field: use %1~TEXT in \"%2\"")
                             .arg(TQelFields::GetDefaultName(field), expr)};
    if (kind == fkBoolean) {
        const QString v = value.trimmed().toLower();
        const int b = v == QStringLiteral("no")          ? 0
                      : v == QStringLiteral("yes")       ? 1
                      : v == QStringLiteral("undecided") ? 2
                                                         : -1;
        if (b < 0)
            throw TListError{
                QStringLiteral("Malformed condition \"%1\": use yes, no or undecided").arg(expr)};
        return std::make_unique<TBoolFilterField>(field, quint8(b));
    }
    const qsizetype dots = value.indexOf(QStringLiteral(".."));
    if (dots < 0)
        throw TListError{QStringLiteral("Malformed range in \"%1\": use LOW..HIGH").arg(expr)};
    const QString low = value.left(dots), high = value.mid(dots + 2);
    if (kind == fkDate)
        return std::make_unique<TDateFilterField>(field, parseDate(low, expr),
                                                  parseDate(high, expr));
    bool ok1 = false, ok2 = false;
    if (kind == fkFloat) {
        const double a = low.trimmed().toDouble(&ok1), b = high.trimmed().toDouble(&ok2);
        if (!ok1 || !ok2)
            throw TListError{QStringLiteral("Malformed number range in \"%1\"").arg(expr)};
        return std::make_unique<TFloatFilterField>(field, a, b);
    }
    const qint32 a = low.trimmed().toInt(&ok1), b = high.trimmed().toInt(&ok2);
    if (!ok1 || !ok2)
        throw TListError{QStringLiteral("Malformed whole-number range in \"%1\"").arg(expr)};
    return std::make_unique<TIntegerFilterField>(field, a, b);
}

} // namespace

// A field the rows of the view have: the others would show, sort and match every row
// by the same "[INVALID FIELD]" text.
TFieldId FieldOfView(const QString &name, TItemLevel level)
{
    const TFieldId f = fieldNamed(name);
    if (!FieldOfLevel(level, f))
        throw TListError{QStringLiteral("The %1 view has no field \"%2\"")
                             .arg(viewName(level), TQelFields::GetDefaultName(f))};
    return f;
}

void AddColumns(TShowFields &fields, const QString &names, TItemLevel level)
{
    for (const QString &name : names.split(u','))
        fields.Add(std::make_unique<TShowField>(FieldOfView(name, level)));
}

bool TListOptions::Take(const QStringList &args, qsizetype &i, const char *usage)
{
    const QString &a = args[i];
    auto value = [&]() -> QString {
        if (i + 1 >= args.size())
            throw TListError{QStringLiteral("%1 needs a value\n%2").arg(a, QLatin1String(usage))};
        return args[++i];
    };
    if (a == QStringLiteral("--tracks"))
        tracks = true;
    else if (a == QStringLiteral("--or"))
        useOr = true;
    else if (a == QStringLiteral("--case"))
        caseSensitive = true;
    else if (a == QStringLiteral("--group"))
        group = value(), grouped = true;
    else if (a == QStringLiteral("--folder"))
        folder = value(), hasFolder = true;
    else if (a == QStringLiteral("--columns"))
        columns = value();
    else if (a == QStringLiteral("--sort"))
        sort = value();
    else if (a == QStringLiteral("--filter"))
        conditions << value();
    else
        return false;
    return true;
}

bool TListOptions::SelectsList() const
{
    return tracks || useOr || caseSensitive || grouped || hasFolder || !sort.isEmpty() ||
           !conditions.isEmpty();
}

int SelectList(const TListOptions &o, const TListUse &use)
{
    TQelDb db;
    TQelFields fields;
    TViewDefinitions views;
    TBrowseState state(db, fields, views);
    state.TreeType = o.tracks ? 1 : 0;
    const TItemLevel level = state.Level();
    state.SetGroupField(fdNone);
    if (o.grouped) {
        const TFieldId g = fieldNamed(o.group);
        if (!TBrowseState::GroupFields(state.TreeType).contains(g))
            throw TListError{QStringLiteral("The field \"%1\" cannot group the %2 view")
                                 .arg(TQelFields::GetDefaultName(g), viewName(level))};
        state.SetGroupField(g);
    }
    if (o.columns.isEmpty())
        views.ShowFields(level).AddDefaults();
    else
        AddColumns(views.ShowFields(level), o.columns, level);
    if (!o.sort.isEmpty()) {
        for (QString spec : o.sort.split(u',')) {
            int order = 1;
            if (spec.endsWith(QStringLiteral(":desc"), Qt::CaseInsensitive)) {
                order = -1;
                spec.chop(5);
            } else if (spec.endsWith(QStringLiteral(":asc"), Qt::CaseInsensitive)) {
                spec.chop(4);
            }
            views.SortFields(level).Add(
                std::make_unique<TSortField>(FieldOfView(spec, level), order));
        }
    }
    TFilterFields &filter = views.Filter(level);
    for (const QString &c : o.conditions)
        filter.Add(parseCondition(c, level));
    filter.Combination = o.useOr ? 1 : 0;
    filter.CaseSensitive = o.caseSensitive;
    filter.Enabled = !o.conditions.isEmpty();

    if (!LoadDatabase(db, o.file))
        return 2;
    state.RebuildTree();
    TTreeNode *node = state.Root();
    if (o.hasFolder) {
        state.FillNode(node);
        TTreeNode *found = nullptr;
        for (TTreeNode &child : node->children)
            if (child.kind == TTreeNode::nkFolder && state.NodeCaption(&child) == o.folder) {
                found = &child;
                break;
            }
        if (!found)
            throw TListError{QStringLiteral("No folder named \"%1\"").arg(o.folder)};
        node = found;
    }
    state.SelectNode(node);

    return use(state, views.ShowFields(level));
}
