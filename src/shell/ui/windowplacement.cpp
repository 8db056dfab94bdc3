#include "shell/ui/windowplacement.h"

#include "model/general.h"
#include "shell/settingsstore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
const QString kSection = QStringLiteral("WindowPlacement");

bool onSomeScreen(const QRect &frame)
{
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(frame))
            return true;
    return false;
}
} // namespace

void CenterForm(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.left() + (area.width() - window->width()) / 2,
                 area.top() + (area.height() - window->height()) / 2);
}

void CenterOnOwner(QWidget *dialog, const QWidget *owner)
{
    if (!owner) {
        CenterForm(dialog);
        return;
    }
    const QScreen *screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->availableGeometry().size() : QSize(1920, 1080);
    dialog->move(CenterOnOwnerPos(dialog->size(), owner->frameGeometry(), area));
}

void RestoreWindowPlacement(QWidget *window, const TSettingsStore &settings)
{
    const QByteArray stored = settings.ReadBinary(kSection, window->objectName(), {});
    if (stored.isEmpty() || !window->restoreGeometry(stored) ||
        !onSomeScreen(window->frameGeometry()))
        CenterForm(window);
}

void SaveWindowPlacement(const QWidget *window, TSettingsStore &settings)
{
    settings.WriteBinary(kSection, window->objectName(), window->saveGeometry());
}

void PlaceDialog(QWidget *dialog, const QWidget *owner, const TSettingsStore &settings)
{
    if (settings.ReadBinary(kSection, dialog->objectName(), {}).isEmpty())
        CenterOnOwner(dialog, owner);
    else
        RestoreWindowPlacement(dialog, settings);
}
