#include "shell/ui/iconlists.h"

#include "shell/iconfiles.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStandardPaths>

// The resources live in a static library: nothing else would pull them in.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

QIcon svgIcon(const char *file)
{
    return QIcon(IconResourcePath(file));
}

static_assert(TIconLists::kLargeCount == kItemIconCount);

struct TCommandIcon
{
    const char *action;
    std::array<const char *, 2> themeNames; // tried in order; nullptr ends
    const char *file;                       // ours, when the theme has none of them
};

// clang-format off
constexpr TCommandIcon kCommandIcons[] = {
    {"acNew",                {"document-new"},         "cmd-new"},
    {"acOpen",               {"document-open"},        "cmd-open"},
    {"acSave",               {"document-save"},        "cmd-save"},
    {"acSaveAs",             {"document-save-as"},     "cmd-save-as"},
    {"acPrintListReport",    {"document-print"},       "cmd-print"},
    {"acPrintAlbumReport",   {"document-print"},       "cmd-print"},
    {"acPrintSelectedAlbum", {"document-print"},       "cmd-print"},
    {"acImportQel",          {},                       "cmd-import"},
    {"acImportCdPlayer",     {},                       "cmd-import"},
    {"acImportCdValet",      {},                       "cmd-import"},
    {"acExportCdPlayer",     {},                       "cmd-export"},
    {"acExportCdValet",      {},                       "cmd-export"},
    {"acExportAsciiList",    {},                       "cmd-export"},
    {"acExportAsciiAlbums",  {},                       "cmd-export"},
    {"acExportAsciiTracks",  {},                       "cmd-export"},
    {"acExportHtmlList",     {},                       "cmd-export"},
    {"acExportHtmlAlbums",   {},                       "cmd-export"},
    {"acExportHtmlTracks",   {},                       "cmd-export"},
    {"acPreferences",        {"preferences-system"},   "cmd-preferences"},
    {"acStatistics",         {},                       "cmd-statistics"},
    {"acExit",               {"application-exit"},     "cmd-exit"},
    {"acAddAlbum",           {"list-add"},             "cmd-add-album"},
    {"acEditAlbum",          {"document-properties"},  "cmd-edit-album"},
    {"acDuplicateAlbum",     {"edit-copy"},            "cmd-duplicate-album"},
    {"acRemoveAlbum",        {"list-remove"},          "cmd-remove-album"},
    {"acEditLookupLists",    {},                       "cmd-lookup-lists"},
    {"acFieldDefaults",      {},                       "cmd-field-defaults"},
    {"acFieldNames",         {},                       "cmd-field-names"},
    {"acBrowse",             {},                       "cmd-browse"},
    {"acAlbumView",          {},                       "cmd-album-view"},
    {"acTrackView",          {},                       "cmd-track-view"},
    {"acUp",                 {"go-up"},                "cmd-up"},
    {"acRefresh",            {"view-refresh"},         "cmd-refresh"},
    {"acIcons",              {},                       "cmd-icons"},
    {"acDetails",            {},                       "cmd-details"},
    {"acColumns",            {},                       "cmd-columns"},
    {"acSortOrder",          {"view-sort-ascending"},  "cmd-sort-order"},
    {"acSetFilter",          {"view-filter", "edit-find"}, "cmd-set-filter"},
    {"acFilterOnOff",        {},                       "cmd-filter-on-off"},
    {"acFindCD",             {},                       "cmd-find-cd"},
    {"acAddAlbumByScanning", {},                       "cmd-add-by-scanning"},
    {"acBatchScan",          {},                       "cmd-batch-scan"},
    {"acSubmit",             {},                       "cmd-submit"},
    {"acStartCdPlayer",      {},                       "cmd-start-cd-player"},
    {"acCddbSettings",       {},                       "cmd-cddb-settings"},
    {"acMp3Explorer",        {},                       "cmd-mp3-explorer"},
    {"acPlayAudioFile",      {"media-playback-start"}, "cmd-play"},
    {"acManual",             {"help-contents"},        "cmd-manual"},
    {"acFaq",                {"help-faq"},             "cmd-faq"},
    {"acAbout",              {"help-about"},           "cmd-about"},
};
// clang-format on

TIconLists *s_instance = nullptr;

void destroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

// A bare window manager names no theme, and "hicolor" holds hardly any command
// icons. The offscreen platform does not even search the system's icon folders.
void ensureIconTheme()
{
    const QString theme = QLatin1String(TIconLists::kIconTheme);
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor")) {
        if (current != theme)
            QIcon::setFallbackThemeName(theme);
        return;
    }
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList system =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                  QStandardPaths::LocateDirectory);
    for (const QString &dir : system)
        if (!paths.contains(dir))
            paths.append(dir);
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(theme);
}

} // namespace

TIconLists &TIconLists::Instance()
{
    Q_ASSERT(qobject_cast<QGuiApplication *>(QCoreApplication::instance()));
    if (!s_instance) {
        s_instance = new TIconLists;
        qAddPostRoutine(destroyInstance);
    }
    return *s_instance;
}

TIconLists::TIconLists()
{
    initIconResources();
    ensureIconTheme();

    for (int i = 0; i < kLargeCount; ++i)
        m_small[i] = svgIcon(kItemIconFiles[size_t(i)]);
    m_small[kFolderOpen] = svgIcon("folder-open");
    m_small[kHeaderSelected] = m_small[kHeader];
    for (int i = kCD; i < kLargeCount; ++i)
        m_small[i + kSelectedOffset] = m_small[i];
    m_small[kSortAscending] = svgIcon("sort-up");
    m_small[kSortDescending] = svgIcon("sort-down");

    m_state = {svgIcon("state-none"), svgIcon("state-in"), svgIcon("state-out")};
    m_noFolders = svgIcon("folder-off");

    // An SVG icon is one drawing at every size, so the two drawings of the logo go in
    // as pictures of the sizes each suits.
    const QIcon simple = svgIcon("logo");
    const QIcon detailed = svgIcon("logo-256");
    for (int side : {16, 22, 24, 32})
        m_logo.addPixmap(simple.pixmap(QSize(side, side), 1.0));
    for (int side : {48, 64, 128, 256})
        m_logo.addPixmap(detailed.pixmap(QSize(side, side), 1.0));
}

QIcon TIconLists::Small(int index) const
{
    return index >= 0 && index < kSmallCount ? m_small[index] : QIcon();
}

QIcon TIconLists::Large(int index) const
{
    return index >= 0 && index < kLargeCount ? m_small[index] : QIcon();
}

QIcon TIconLists::State(int index) const
{
    return index >= 0 && index < kStateCount ? m_state[index] : QIcon();
}

QPixmap TIconLists::SmallPixmap(int index) const
{
    return Small(index).pixmap(QSize(kSmallSide, kSmallSide), qApp->devicePixelRatio());
}

QImage TIconLists::LargeImage(int index) const
{
    QImage image(kLargeSide, kLargeSide, QImage::Format_RGB888);
    image.fill(Qt::white);
    const QIcon icon = Large(index);
    if (!icon.isNull()) {
        QPainter painter(&image);
        painter.drawPixmap(0, 0, icon.pixmap(QSize(kLargeSide, kLargeSide), 1.0));
    }
    return image;
}

QList<QImage> TIconLists::LargeImages() const
{
    QList<QImage> images;
    images.reserve(kLargeCount);
    for (int i = 0; i < kLargeCount; ++i)
        images.append(LargeImage(i));
    return images;
}

QIcon TIconLists::Logo() const
{
    return m_logo;
}

QIcon TIconLists::NoFolders() const
{
    return m_noFolders;
}

QIcon TIconLists::Command(const QString &actionName) const
{
    for (const TCommandIcon &command : kCommandIcons) {
        if (actionName != QLatin1String(command.action))
            continue;
        for (const char *name : command.themeNames) {
            if (!name)
                break;
            const QString themeName = QLatin1String(name);
            if (QIcon::hasThemeIcon(themeName))
                return QIcon::fromTheme(themeName);
        }
        return svgIcon(command.file);
    }
    return {};
}
