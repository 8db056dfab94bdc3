#include "services/ui/widgetinterface.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

namespace {
QMessageBox::StandardButton ask(const QString &message, QMessageBox::Icon icon,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton preferred)
{
    const QPointer<QWidget> owner = QApplication::activeWindow();
    QMessageBox box(icon, ApplicationTitle(), message, buttons, owner);
    // User text is shown as it is, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(preferred);
    // A question must be seen with the normal cursor, also during a long operation.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (waiting)
        QApplication::restoreOverrideCursor();
    // The window asked over takes the keyboard back. Where no window manager hands it
    // back, its shortcuts (Del, Enter) would stay dead while its keys still reach it.
    if (owner && owner->isVisible())
        owner->activateWindow();
    return answer;
}
} // namespace

void TWidgetUserInterface::ShowInfo(const QString &message)
{
    ask(message, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok);
}

TAnswer TWidgetUserInterface::AskYesNo(const QString &message)
{
    return ask(message, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes) == QMessageBox::Yes
               ? TAnswer::Yes
               : TAnswer::No;
}

TAnswer TWidgetUserInterface::AskOkCancel(const QString &message)
{
    return ask(message, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok) == QMessageBox::Ok
               ? TAnswer::Ok
               : TAnswer::Cancel;
}

void TWidgetUserInterface::BeginWait()
{
    if (m_waitDepth++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TWidgetUserInterface::EndWait()
{
    if (m_waitDepth > 0 && --m_waitDepth == 0)
        QApplication::restoreOverrideCursor();
}

bool TWidgetUserInterface::ShellOpen(const QString &file, const QString &, const QString &)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}
