#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>
#include <array>

// The program's pictures, shared by every window: the three icon lists, the icons of
// the main window's commands and the program's logo. All are SVG files in the
// resources (":/icons/").
//
// ilSmall (16 px) and ilLarge (32 px) share the meaning of 0..29:
//    0 folder                      1 header
//    2 track                       3 subtrack
//    4 CD                          6 CD-ROM
//    8 CD single                  10 DAT
//   12 DCC                        14 DVD
//   16 cassette                   18 minidisc
//   20 video                      22 LP
//   24 10-inch                    26 7-inch
//   28 MP3
// Each format's even index is its disc, the next odd index its album (the disc in
// front of a sleeve). TAlbum::FormatImage picks the format.
// ilSmall goes on with the pictures of selected tree nodes and the sort marks:
//   30 folder open (a selected folder), 31 header selected,
//   32..57 the selected form of 4..29 (index + 28, the same picture, since the view
//          already marks the selection), 58 sort ascending, 59 sort descending.
// ilState (9 by 16): 0 nothing, 1 in the collection, 2 not in the collection.
// Any other index gives a null icon.
class TIconLists
{
public:
    static constexpr int kSmallCount = 60;
    static constexpr int kLargeCount = 30;
    static constexpr int kStateCount = 3;
    static constexpr int kSmallSide = 16;
    static constexpr int kLargeSide = 32;
    static constexpr int kStateWidth = 9;
    static constexpr int kStateHeight = 16;

    static constexpr int kFolder = 0;
    static constexpr int kHeader = 1;
    static constexpr int kTrack = 2;
    static constexpr int kSubTrack = 3;
    static constexpr int kCD = 4;
    static constexpr int kCDRom = 6;
    static constexpr int kCDSingle = 8;
    static constexpr int kDAT = 10;
    static constexpr int kDCC = 12;
    static constexpr int kDVD = 14;
    static constexpr int kCassette = 16;
    static constexpr int kMiniDisc = 18;
    static constexpr int kVideo = 20;
    static constexpr int kLP = 22;
    static constexpr int kTenInch = 24;
    static constexpr int kSevenInch = 26;
    static constexpr int kMP3 = 28;
    static constexpr int kFolderOpen = 30;
    static constexpr int kHeaderSelected = 31;
    static constexpr int kSelectedOffset = 28;
    static constexpr int kSortAscending = 58;
    static constexpr int kSortDescending = 59;

    static constexpr int kStateNone = 0;
    static constexpr int kStateInCollection = 1;
    static constexpr int kStateNotInCollection = 2;

    // The icon theme asked for when the platform names none.
    static constexpr const char *kIconTheme = "oxygen";

    // The one instance, made on first use; needs the QApplication, and is destroyed
    // with it. Call it once early at start-up so the icon theme is set before any
    // window asks for a theme icon.
    static TIconLists &Instance();

    TIconLists(const TIconLists &) = delete;
    TIconLists &operator=(const TIconLists &) = delete;

    QIcon Small(int index) const;
    QIcon Large(int index) const;
    QIcon State(int index) const;
    // A 16 by 16 picture of ilSmall at the screen's pixel ratio.
    QPixmap SmallPixmap(int index) const;
    // A 32 by 32 RGB888 picture of ilLarge on white, as the picture list keeps it.
    QImage LargeImage(int index) const;
    // The 30 pictures of ilLarge, for TPictureList::SetDefaultIcons.
    QList<QImage> LargeImages() const;

    // The window, about box and desktop icon: a simple mark up to 32 px, a detailed
    // one above.
    QIcon Logo() const;
    // The "No Folders" item of the folder menus.
    QIcon NoFolders() const;
    // The icon of a main window command by its action's objectName (one of
    // kCommandActions); a null icon for any other name. Common commands take the
    // desktop theme's icon when it has one, else ours.
    QIcon Command(const QString &actionName) const;

private:
    TIconLists();

    std::array<QIcon, kSmallCount> m_small;
    std::array<QIcon, kStateCount> m_state;
    QIcon m_logo;
    QIcon m_noFolders;
};

// The objectNames of the main window's commands that show an icon.
inline constexpr auto kCommandActions = std::to_array<const char *>({
    // File
    "acNew",
    "acOpen",
    "acSave",
    "acSaveAs",
    "acPrintListReport",
    "acPrintAlbumReport",
    "acPrintSelectedAlbum",
    "acImportQel",
    "acImportCdPlayer",
    "acImportCdValet",
    "acExportCdPlayer",
    "acExportCdValet",
    "acExportAsciiList",
    "acExportAsciiAlbums",
    "acExportAsciiTracks",
    "acExportHtmlList",
    "acExportHtmlAlbums",
    "acExportHtmlTracks",
    "acPreferences",
    "acStatistics",
    "acExit",
    // Edit
    "acAddAlbum",
    "acEditAlbum",
    "acDuplicateAlbum",
    "acRemoveAlbum",
    "acEditLookupLists",
    "acFieldDefaults",
    "acFieldNames",
    // View
    "acBrowse",
    "acAlbumView",
    "acTrackView",
    "acUp",
    "acRefresh",
    "acIcons",
    "acDetails",
    "acColumns",
    "acSortOrder",
    // Search
    "acSetFilter",
    "acFilterOnOff",
    "acFindCD",
    // CDDB
    "acAddAlbumByScanning",
    "acBatchScan",
    "acSubmit",
    "acStartCdPlayer",
    "acCddbSettings",
    // MP3
    "acMp3Explorer",
    "acPlayAudioFile",
    // Help
    "acManual",
    "acFaq",
    "acAbout",
});
