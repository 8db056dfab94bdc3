#include "shell/settingsstore.h"

#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cmath>
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

// Whether a value read back from a written file is the one that was written. A
// hand-edited file can bring values that never equal themselves (a NaN) or that the
// file keeps as text (a float, a one-item list): those count as the same when their
// bytes or their texts are, so no such value can block every later save.
bool sameValue(const QVariant &written, const QVariant &read)
{
    if (written == read)
        return true;
    if (written.metaType() == read.metaType()) {
        QByteArray a, b;
        QDataStream sa(&a, QIODevice::WriteOnly), sb(&b, QIODevice::WriteOnly);
        sa << written;
        sb << read;
        return a == b;
    }
    return written.canConvert<QString>() && read.canConvert<QString>() &&
           written.toString() == read.toString();
}

bool sameValues(const QMap<QString, QVariant> &written, const QMap<QString, QVariant> &read)
{
    if (written.size() != read.size())
        return false;
    for (auto w = written.cbegin(), r = read.cbegin(); w != written.cend(); ++w, ++r)
        if (w.key() != r.key() || !sameValue(w.value(), r.value()))
            return false;
    return true;
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
    if (!QDir().mkpath(folder)) {
        m_error =
            QCoreApplication::translate("TIniSettingsStore", "The folder \"%1\" cannot be created.")
                .arg(folder);
        return false;
    }
    const QString cannotWrite =
        QCoreApplication::translate("TIniSettingsStore", "\"%1\" cannot be written.")
            .arg(m_fileName);

    // QSettings lays the file out, in a scratch file: it writes through QSaveFile,
    // whose commit in Qt 6.4 can succeed after the final flush failed (full disk, file
    // size limit), so what it wrote is read back and compared. The bytes checked then
    // replace the settings file through the atomic writer. (The scratch file is made
    // private before QSettings fills it, and QSaveFile keeps that.)
    const QString scratch = freshName(m_fileName + QStringLiteral(".new-XXXXXX"));
    if (scratch.isEmpty()) {
        m_error = cannotWrite;
        return false;
    }
    bool ok = false;
    {
        QSettings settings(scratch, QSettings::IniFormat);
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        ok = settings.status() == QSettings::NoError;
    }
    if (ok) {
        bool readOk = false;
        ok = sameValues(m_values, readIni(scratch, &readOk)) && readOk;
    }
    QByteArray bytes;
    if (ok) {
        QFile file(scratch);
        ok = file.open(QIODevice::ReadOnly);
        if (ok) {
            bytes = file.readAll();
            ok = file.error() == QFileDevice::NoError;
        }
    }
    QFile::remove(scratch);
    if (!ok) {
        m_error = cannotWrite;
        return false;
    }
    const QString error = WriteFileAtomically(m_fileName, bytes);
    if (!error.isEmpty()) {
        m_error = cannotWrite + u'\n' + error;
        return false;
    }
    m_error.clear();
    return true;
}
