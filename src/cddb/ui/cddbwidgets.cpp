#include "cddb/ui/cddbwidgets.h"

#include "cddb/cddb.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace CddbUi {

QLabel *Panel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(40);
    return label;
}

QPlainTextEdit *DebugLog(QWidget *parent, TCDDB &cddb, QStringList &log, bool show)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QStringLiteral("mmDebug"));
    memo->setReadOnly(true);
    memo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: lime; }"));
    memo->setVisible(show);
    if (show) {
        cddb.DebugLog = &log;
        QObject::connect(&cddb, &TCDDB::Logged, memo, &QPlainTextEdit::appendPlainText);
    }
    return memo;
}

} // namespace CddbUi
