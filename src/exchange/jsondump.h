#pragma once

class QIODevice;
class TQelDb;

// Writes the whole collection as JSON: {"name", "lookups" (every list in file
// order), "items" (every album followed by its tree, depth first)}. Each item
// carries its kind, depth, identifier, the SHA-256 of its thumbnail's RGB888 rows
// (albums) and the display text of every field its class carries.
void WriteCollectionJson(const TQelDb &db, QIODevice &out);
