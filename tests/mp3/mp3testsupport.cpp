#include "mp3testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

const QString kMp3Fixtures = QStringLiteral(QEL_TEST_FIXTURES "/mp3");
const QString kAudioFixtures = QStringLiteral(QEL_TEST_FIXTURES "/audio");

void LayOutMp3Tree(const QString &root, const QStringList &entries)
{
    for (const QString &e : entries) {
        const QString target = root + u'/' + e.section(u'=', 0, 0);
        QDir().mkpath(QFileInfo(target).absolutePath());
        const QString source = e.section(u'=', 1);
        if (source.isEmpty())
            WriteFileBytes(target, QByteArray(1000, '\0'));
        else
            ASSERT_TRUE(QFile::copy(
                (source.contains(u'/') ? kAudioFixtures : kMp3Fixtures) + u'/' + source, target))
                << target.toStdString();
    }
}
