#include "shell/drivelist.h"

#include <QFile>

#include <cdio/cdio.h>

QStringList TCdioDriveList::CdDrives()
{
    QStringList drives;
    char **list = cdio_get_devices(DRIVER_DEVICE);
    if (!list)
        return drives;
    for (char **p = list; *p; ++p) {
        const QString drive = QFile::decodeName(*p);
        if (!drives.contains(drive))
            drives.append(drive);
    }
    cdio_free_device_list(list);
    return drives;
}

TDriveList &SystemDriveList()
{
    static TCdioDriveList drives;
    return drives;
}
