#pragma once

#include <QString>
#include <QtGlobal>

// Root of everything the database hands out identifiers for.
class TQel
{
public:
    virtual ~TQel() = default;
    virtual int GetImageIndex() const { return 0; }
    virtual int GetSelectedIndex() const { return 30; }

    qint32 ID = 0;
};

// The database node at the root of the main window's tree.
class TDbItem : public TQel
{
public:
    QString Name;
};
