#pragma once

#include <QByteArray>

struct stat;

// Opens local (a path in the file system's encoding) for reading only when it is a
// regular file. The open does not wait (a named pipe would block it until a writer came),
// and the type is taken from the open descriptor, so nothing can swap the file in between.
// Returns -1 with *st untouched when the open fails, and with st_mode cleared when the
// file is not regular.
int OpenRegular(const QByteArray &local, struct stat *st);
