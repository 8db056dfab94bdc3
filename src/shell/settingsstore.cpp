#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QString TSettingsStore::Group(const QString &section)
{
    QString s = section;
    s.replace(u'\\', u'/');
    return s.split(u'/', Qt::SkipEmptyParts).join(u'/');
}

QString TSettingsStore::Key(const QString &section, const QString &name)
{
    // QSettings turns a "\" inside a key into a level too, so both count here.
    return Group(section + u'/' + name);
}

bool TSettingsStore::readText(const QString &section, const QString &name, QString &text) const
{
    const QVariant v = value(Key(section, name));
    if (v.typeId() != QMetaType::QString)
        return false;
    text = v.toString();
    return true;
}

bool TSettingsStore::readNumber(const QString &section, const QString &name, double &number) const
{
    QString text;
    if (!readText(section, name, text))
        return false;
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    number = d;
    return true;
}

QString TSettingsStore::ReadString(const QString &section, const QString &name,
                                   const QString &def) const
{
    QString text;
    return readText(section, name, text) ? text : def;
}

qint32 TSettingsStore::ReadInteger(const QString &section, const QString &name, qint32 def) const
{
    QString text;
    if (!readText(section, name, text))
        return def;
    bool ok = false;
    const qint32 n = text.toInt(&ok);
    return ok ? n : def;
}

bool TSettingsStore::ReadBool(const QString &section, const QString &name, bool def) const
{
    QString text;
    if (!readText(section, name, text))
        return def;
    if (text == u'1')
        return true;
    if (text == u'0')
        return false;
    return def;
}

double TSettingsStore::ReadFloat(const QString &section, const QString &name, double def) const
{
    double d = 0;
    return readNumber(section, name, d) ? d : def;
}

double TSettingsStore::ReadDate(const QString &section, const QString &name, double def) const
{
    return ReadFloat(section, name, def);
}

QByteArray TSettingsStore::ReadBinary(const QString &section, const QString &name,
                                      const QByteArray &def) const
{
    const QVariant v = value(Key(section, name));
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : def;
}

void TSettingsStore::WriteString(const QString &section, const QString &name, const QString &value)
{
    // A null string would be stored as an invalid value; keep it a text.
    setValue(Key(section, name), value.isNull() ? QStringLiteral("") : value);
}

void TSettingsStore::WriteInteger(const QString &section, const QString &name, qint32 value)
{
    setValue(Key(section, name), QString::number(value));
}

void TSettingsStore::WriteBool(const QString &section, const QString &name, bool value)
{
    setValue(Key(section, name), value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TSettingsStore::WriteFloat(const QString &section, const QString &name, double value)
{
    setValue(Key(section, name), QString::number(value, 'g', QLocale::FloatingPointShortest));
}

void TSettingsStore::WriteDate(const QString &section, const QString &name, double value)
{
    WriteFloat(section, name, value);
}

void TSettingsStore::WriteBinary(const QString &section, const QString &name,
                                 const QByteArray &value)
{
    setValue(Key(section, name), value);
}

bool TSettingsStore::ValueExists(const QString &section, const QString &name) const
{
    return contains(Key(section, name));
}

bool TSettingsStore::SectionExists(const QString &section) const
{
    return containsGroup(Group(section));
}

void TSettingsStore::EraseSection(const QString &section)
{
    removeGroup(Group(section));
}

// ---------------------------------------------------------------------------

void TMemorySettingsStore::setValue(const QString &key, const QVariant &value)
{
    auto it = m_values.find(key);
    if (it != m_values.end() && *it == value && it->typeId() == value.typeId())
        return;
    m_values.insert(key, value);
    m_modified = true;
}

bool TMemorySettingsStore::containsGroup(const QString &group) const
{
    if (group.isEmpty())
        return !m_values.isEmpty();
    const QString prefix = group + u'/';
    const auto it = m_values.lowerBound(prefix);
    return it != m_values.end() && it.key().startsWith(prefix);
}

void TMemorySettingsStore::removeGroup(const QString &group)
{
    if (group.isEmpty()) {
        m_modified = m_modified || !m_values.isEmpty();
        m_values.clear();
        return;
    }
    // Keys below a group are one run of the sorted map.
    const QString prefix = group + u'/';
    auto it = m_values.lowerBound(prefix);
    while (it != m_values.end() && it.key().startsWith(prefix)) {
        it = m_values.erase(it);
        m_modified = true;
    }
}

// ---------------------------------------------------------------------------

namespace {

// Reserves an unused file name beside pattern's folder; empty on failure.
QString freshName(const QString &pattern)
{
    QTemporaryFile file(pattern);
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return file.fileName();
}

// QSettings keeps the files it parsed for the life of the process and trusts them
// while size and modification time (in milliseconds) are unchanged, so a file we
// replaced within the same millisecond would read stale. Reading through a fresh
// hard link always parses the bytes on disk.
QMap<QString, QVariant> readIni(const QString &fileName, bool *ok)
{
    QMap<QString, QVariant> values;
    QString alias = freshName(fileName + QStringLiteral(".read-XXXXXX"));
    if (!alias.isEmpty()) {
        QFile::remove(alias);
        if (::link(QFile::encodeName(fileName).constData(), QFile::encodeName(alias).constData()) !=
            0)
            alias.clear();
    }
    {
        QSettings settings(alias.isEmpty() ? fileName : alias, QSettings::IniFormat);
        for (const QString &key : settings.allKeys())
            values.insert(key, settings.value(key));
        if (ok)
            *ok = settings.status() == QSettings::NoError;
    }
    if (!alias.isEmpty())
        QFile::remove(alias);
    return values;
}

bool renameOver(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TIniSettingsStore::TIniSettingsStore() : TIniSettingsStore(DefaultFileName()) {}

TIniSettingsStore::TIniSettingsStore(const QString &fileName)
    : m_fileName(QFileInfo(fileName).absoluteFilePath())
{
    if (QFileInfo::exists(m_fileName))
        m_values = readIni(m_fileName, nullptr);
}

TIniSettingsStore::~TIniSettingsStore()
{
    Sync();
}

QString TIniSettingsStore::DefaultFileName()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Qelmusic3/Qelmusic3.ini");
}

bool TIniSettingsStore::Sync()
{
    if (!m_modified)
        return true;
    if (!writeFile())
        return false;
    m_modified = false;
    return true;
}

bool TIniSettingsStore::writeFile()
{
    const QString folder = QFileInfo(m_fileName).absolutePath();
    if (!QDir().mkpath(folder))
        return false;

    // QSettings writes through QSaveFile, whose commit in Qt 6.4 can succeed after
    // the final flush failed (full disk, file size limit) and so put a truncated
    // file in place. It therefore writes a new file under another name, which is
    // read back and compared before it replaces the real one.
    const QString written = freshName(m_fileName + QStringLiteral(".new-XXXXXX"));
    if (written.isEmpty())
        return false;
    bool ok = false;
    {
        QSettings settings(written, QSettings::IniFormat);
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        ok = settings.status() == QSettings::NoError;
    }
    if (ok) {
        bool readOk = false;
        ok = readIni(written, &readOk) == m_values && readOk;
    }
    if (ok)
        ok = renameOver(written, m_fileName);
    if (!ok) {
        QFile::remove(written);
        return false;
    }
    syncFolder(folder);
    return true;
}
