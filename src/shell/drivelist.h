#pragma once

#include <QStringList>

// The CD drives of the machine, as device paths (/dev/sr0), in the order the
// system lists them.
class TDriveList
{
public:
    virtual ~TDriveList() = default;
    virtual QStringList CdDrives() = 0;
};

// The drives libcdio finds.
class TCdioDriveList : public TDriveList
{
public:
    QStringList CdDrives() override;
};

TDriveList &SystemDriveList();
