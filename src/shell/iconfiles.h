#pragma once

#include <QString>

#include <array>

// The item pictures, by index of the icon lists (folder, header, track, subtrack, then a
// disc and an album picture per format): SVG files of the program's resources
// (resources/icons/icons.qrc), which the windows and the command-line tool both link.
inline constexpr int kItemIconCount = 30;
extern const std::array<const char *, kItemIconCount> kItemIconFiles;

// ":/icons/<name>.svg", a picture of the resources.
QString IconResourcePath(const char *name);
