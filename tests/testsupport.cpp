#include "testsupport.h"

#include "shell/settingsstore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TTestHome::TTestHome()
{
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    m_oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
}

TTestHome::~TTestHome()
{
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QString UseDemoCollection(const TTestHome &home, TSettingsStore &store)
{
    const QString path = home.file(QStringLiteral("demo.qel"));
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    store.WriteString(QStringLiteral("Databases"), QStringLiteral("CurrentDatabase"), path);
    store.WriteString(QStringLiteral("Folders"), QStringLiteral("Data"), home.path());
    store.WriteString(QStringLiteral("Folders"), QStringLiteral("Covers"),
                      QStringLiteral(QEL_BINARY_DIR "/resources/demo/covers"));
    store.WriteString(QStringLiteral("Folders"), QStringLiteral("Lyrics"),
                      QStringLiteral(QEL_BINARY_DIR "/resources/demo/lyrics"));
    return path;
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray FromHex(const char *hex)
{
    QByteArray compact(hex);
    compact.replace(' ', "").replace('\n', "");
    return QByteArray::fromHex(compact);
}

TRunResult RunQel(const QStringList &args, const QString &shellPrefix)
{
    const QString qel =
        qEnvironmentVariable("QEL_CLI", QStringLiteral(QEL_BINARY_DIR "/src/cli/qel"));
    QProcess p;
    if (shellPrefix.isEmpty()) {
        p.start(qel, args);
    } else {
        QString cmd = shellPrefix + QStringLiteral(" exec '") + qel + u'\'';
        for (const QString &a : args)
            cmd +=
                QStringLiteral(" '") + QString(a).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), cmd});
    }
    p.waitForFinished(120000);
    TRunResult r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

void WhenModal(std::function<void(QDialog *)> act, int tries)
{
    QTimer::singleShot(0, [act, tries] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries > 0)
                WhenModal(act, tries - 1);
            else
                ADD_FAILURE() << "no modal dialog";
            return;
        }
        act(dialog);
        if (dialog->isVisible())
            dialog->done(QDialog::Rejected);
    });
}

void Click(QWidget *parent, const char *name)
{
    if (auto *b = Child<QAbstractButton>(parent, name))
        QTest::mouseClick(b, Qt::LeftButton);
}

QStringList Strings(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *s : items)
        out << QString::fromUtf8(s);
    return out;
}
