#pragma once

#include <QtGlobal>

class TQelDb;

// Fills db with a synthetic collection for benchmarks and tests: varied formats,
// one to three discs, some section headers and subtracks, about twelve tracks per
// album, lookup lists of realistic sizes (a few thousand artists at 100,000 albums),
// some thumbnails, and text with characters outside ASCII and outside cp1252.
// The same count and seed always give the same collection.
void GenerateCollection(TQelDb &db, int albums, quint32 seed);
