#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

// Persistent settings: sections of named, typed values. A section name may hold
// deeper levels separated by "\" ("MainWindow\AlbumShowFields").
//
// Every read takes the caller's default, which it returns when the value is absent
// or cannot be read as the asked type (text where a number belongs, a boolean other
// than 0 or 1, a float that is not finite). Booleans are kept as 0 and 1, floats and
// dates (days since 1899-12-30) as numbers, binary values as bytes.
class TSettingsStore
{
public:
    virtual ~TSettingsStore() = default;

    QString ReadString(const QString &section, const QString &name, const QString &def) const;
    qint32 ReadInteger(const QString &section, const QString &name, qint32 def) const;
    bool ReadBool(const QString &section, const QString &name, bool def) const;
    double ReadFloat(const QString &section, const QString &name, double def) const;
    double ReadDate(const QString &section, const QString &name, double def) const;
    QByteArray ReadBinary(const QString &section, const QString &name, const QByteArray &def) const;

    void WriteString(const QString &section, const QString &name, const QString &value);
    void WriteInteger(const QString &section, const QString &name, qint32 value);
    void WriteBool(const QString &section, const QString &name, bool value);
    void WriteFloat(const QString &section, const QString &name, double value);
    void WriteDate(const QString &section, const QString &name, double value);
    void WriteBinary(const QString &section, const QString &name, const QByteArray &value);

    bool ValueExists(const QString &section, const QString &name) const;
    // True when the section or one below it holds a value.
    bool SectionExists(const QString &section) const;
    // Removes the section with every section below it.
    void EraseSection(const QString &section);
    // Makes the values written so far permanent; false when that failed, with
    // ErrorString() saying why.
    virtual bool Sync() = 0;
    virtual QString ErrorString() const { return {}; }

    // "A\B" and name "C" give the key "A/B/C".
    static QString Key(const QString &section, const QString &name);
    static QString Group(const QString &section);

protected:
    // Written values are QString (everything but binary) or QByteArray; a file edited
    // by hand may bring other types, which every read takes as the wrong type.
    virtual QVariant value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual bool contains(const QString &key) const = 0;
    virtual bool containsGroup(const QString &group) const = 0;
    virtual void removeGroup(const QString &group) = 0;

private:
    bool readText(const QString &section, const QString &name, QString &text) const;
    bool readNumber(const QString &section, const QString &name, double &number) const;
};

// Values held in memory only.
class TMemorySettingsStore : public TSettingsStore
{
public:
    bool Sync() override { return true; }
    const QMap<QString, QVariant> &Values() const { return m_values; }

protected:
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &value) override;
    bool contains(const QString &key) const override { return m_values.contains(key); }
    bool containsGroup(const QString &group) const override;
    void removeGroup(const QString &group) override;

    QMap<QString, QVariant> m_values; // keys as Key() builds them
    bool m_modified = false;
};

// The user's settings file, $XDG_CONFIG_HOME/Qelmusic3/Qelmusic3.ini. The file is read
// once when the store is created; Sync (and the destructor) write it back whole.
class TIniSettingsStore : public TMemorySettingsStore
{
public:
    TIniSettingsStore();
    explicit TIniSettingsStore(const QString &fileName);
    ~TIniSettingsStore() override;
    TIniSettingsStore(const TIniSettingsStore &) = delete;
    TIniSettingsStore &operator=(const TIniSettingsStore &) = delete;

    static QString DefaultFileName();
    QString FileName() const { return m_fileName; }

    // Writes the file when something changed. A failed write leaves the previous
    // file as it was and returns false; the values stay in memory for a later try.
    // A settings file that is a symbolic link stays one: the file it points to is
    // rewritten, with its permissions.
    bool Sync() override;
    QString ErrorString() const override { return m_error; }

private:
    bool writeFile();

    QString m_fileName;
    QString m_error;
};
