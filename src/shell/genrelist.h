#pragma once

#include <QStringList>

// The genre names of ID3 version 1 tags with the common extension to number 115;
// the index is the genre number of a tag.
const QStringList &GenreList();
