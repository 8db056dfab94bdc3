#include "mp3tree.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray Synchsafe(quint32 n)
{
    QByteArray b(4, '\0');
    for (int k = 0; k < 4; ++k)
        b[k] = char((n >> (7 * (3 - k))) & 0x7f);
    return b;
}

QByteArray TextFrame(const char *id, const QByteArray &text, int major)
{
    const QByteArray data = QByteArray(1, '\3') + text;
    const quint32 n = quint32(data.size());
    QByteArray size = Synchsafe(n);
    if (major != 4)
        for (int k = 0; k < 4; ++k)
            size[k] = char(n >> (8 * (3 - k)));
    return QByteArray(id) + size + QByteArray(2, '\0') + data;
}

} // namespace

QByteArray MakeBenchMp3File(int i)
{
    QByteArray frame = QByteArray::fromHex("FFFB9064") + QByteArray(413, '\x55');
    QByteArray audio = frame.repeated(40);
    const QByteArray n = QByteArray::number(i);
    QByteArray tag;
    const int kind = i % 4;
    if (kind == 3)
        audio.replace(36, 12, QByteArray("Xing") + QByteArray::fromHex("0000000100000028"));
    if (kind != 0) {
        const int major = kind == 2 ? 4 : 3;
        QByteArray body = TextFrame("TIT2", "Title " + n, major) +
                          TextFrame("TPE1", "Artist " + QByteArray::number(i / 100), major) +
                          TextFrame("TALB", "Album " + QByteArray::number(i / 10), major) +
                          TextFrame("TRCK", QByteArray::number(i % 10 + 1), major) +
                          TextFrame("TCON", "(17)", major);
        if (kind == 1)
            body += QByteArray("APIC") + QByteArray::fromHex("00004E20") + QByteArray(2, '\0') +
                    QByteArray(20000, '\x11');
        else
            body += QByteArray(1024, '\0');
        tag = QByteArray("ID3") + char(major) + QByteArray(2, '\0') +
              Synchsafe(quint32(body.size())) + body;
    }
    QByteArray v1 = "TAG" + ("v1 title " + n).leftJustified(30, '\0') +
                    QByteArray("v1 artist").leftJustified(30, '\0') +
                    QByteArray("v1 album").leftJustified(30, '\0') + "2001" + QByteArray(28, '\0') +
                    char(0) + char(i % 20) + char(17);
    return tag + audio + v1;
}

QStringList MakeBenchMp3Tree(const QString &folder, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString dir =
            folder + QStringLiteral("/Album %1").arg(i / 100, 3, 10, QLatin1Char('0'));
        if (i % 100 == 0)
            QDir().mkpath(dir);
        const QString path = dir + QStringLiteral("/%1.mp3").arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(MakeBenchMp3File(i)) < 0)
            return {};
        paths << path;
    }
    return paths;
}
