#pragma once

#include <QString>
#include <functional>

class QWidget;
class TQelDb;
class TdmGlobal;

// The four commands of the exchange with cdplayer.ini and CD Valet. Each returns
// whether the collection changed (an import that added albums), after which the
// caller saves it and rebuilds its views. An import calls beforeChange (when given)
// once the user has confirmed it, before the first album is added.
bool ImportFromCdPlayer(QWidget *parent, TQelDb &db, TdmGlobal &dm,
                        const std::function<void()> &beforeChange = {});
bool ExportToCdPlayer(QWidget *parent, TQelDb &db, TdmGlobal &dm);
bool ImportFromCdValet(QWidget *parent, TQelDb &db, TdmGlobal &dm,
                       const std::function<void()> &beforeChange = {});
bool ExportToCdValet(QWidget *parent, TQelDb &db, TdmGlobal &dm);

// Asked when neither the settings nor a Wine prefix tell where cdplayer.ini or CD
// Valet's folder is; the answer is kept in the settings. An empty answer is a Cancel.
// Tests replace them.
using TChooseCdPlayerIni =
    std::function<QString(QWidget *parent, const QString &caption, bool forSaving)>;
using TChooseCdValetFolder = std::function<QString(QWidget *parent, const QString &caption)>;
extern TChooseCdPlayerIni ChooseCdPlayerIni;
extern TChooseCdValetFolder ChooseCdValetFolder;
