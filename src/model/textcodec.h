#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The single-byte text of the .qel file and the exchange files: Windows code page
// 1252. A character outside it is written as the reference "&#N;" (N decimal code
// point) and read back from it, so nothing typed is lost. A literal "&" that would
// read back as a reference is itself written as "&#38;".
namespace cp1252 {

// Appends the encoding of text to out.
void encodeAppend(QStringView text, QByteArray &out);
QByteArray encode(QStringView text);

// Decodes bytes into out, which must have room for bytes.size() UTF-16 units (the
// decoded text is never longer). Returns the number of units written.
qsizetype decodeInto(QByteArrayView bytes, char16_t *out);
QString decode(QByteArrayView bytes);

// Plain byte-to-character mapping without references (for files whose text is
// cp1252 only, such as cdplayer.ini).
QString decodePlain(QByteArrayView bytes);

} // namespace cp1252
