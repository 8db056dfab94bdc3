#include "shell/iconfiles.h"

// clang-format off
const std::array<const char *, kItemIconCount> kItemIconFiles = {
    "folder",          "header",
    "track",           "subtrack",
    "format-cd",       "format-cd-album",
    "format-cdrom",    "format-cdrom-album",
    "format-cdsingle", "format-cdsingle-album",
    "format-dat",      "format-dat-album",
    "format-dcc",      "format-dcc-album",
    "format-dvd",      "format-dvd-album",
    "format-cassette", "format-cassette-album",
    "format-minidisc", "format-minidisc-album",
    "format-video",    "format-video-album",
    "format-lp",       "format-lp-album",
    "format-10inch",   "format-10inch-album",
    "format-7inch",    "format-7inch-album",
    "format-mp3",      "format-mp3-album",
};
// clang-format on

QString IconResourcePath(const char *name)
{
    return QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg");
}
