// Fuzz target for the INI reader: any input loads, and what it writes loads back to
// the same sections, so that a second write gives the same bytes.

#include "exchange/biginifile.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TBigIniFile ini;
    ini.LoadFromBytes(bytes);
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString &section : sections) {
        QStringList names;
        ini.ReadSection(section, names);
        for (const QString &name : names) {
            const QString value = ini.ReadString(section, name, QString());
            if (value.size() > TBigIniFile::MaxLineLength) {
                std::fprintf(stderr, "inifile_fuzz: a value longer than a line\n");
                std::abort();
            }
            ini.ReadInteger(section, name, 0);
        }
    }
    const QByteArray written = ini.ToBytes();
    TBigIniFile again;
    again.LoadFromBytes(written);
    if (again.Modified() || again.ToBytes() != written) {
        std::fprintf(stderr, "inifile_fuzz: what was written reads back differently\n");
        std::abort();
    }
    return 0;
}
