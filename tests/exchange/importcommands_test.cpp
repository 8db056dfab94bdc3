#include "exchange/ui/importdialogs.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "services/process.h"
#include "services/ui/processwindow.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int albumsInFile(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

// The file every "Import From" command is given, for one test.
class TChosenFile
{
public:
    TChosenFile() : m_old(ChooseImportFile)
    {
        ChooseImportFile = [this](QWidget *, const QString &, const QString &) { return file; };
    }
    ~TChosenFile() { ChooseImportFile = m_old; }
    QString file;

private:
    TChooseImportFile m_old;
};

} // namespace

// The dialog shows each column with its guessed field above the first rows, tells what
// the rows are, keeps a field to one column, and reads the file again when the delimiter
// changes.
TEST(ImportDialog, ShowsColumnsFieldsAndFirstRows)
{
    TTestHome home;
    const QString file = home.file(QStringLiteral("tracks.csv"));
    QByteArray bytes = "Album;Artist;Title;Length;Notes\r\n";
    for (int r = 1; r <= 25; ++r)
        bytes += "Blue;Miles;Take " + QByteArray::number(r) + ";5:0" + QByteArray::number(r % 10) +
                 ";\"first\r\nsecond\"\r\n";
    WriteFileBytes(file, bytes);
    TQelFields fields;
    TfmImportText dialog(file, fields);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("fmImportText"));
    EXPECT_TRUE(dialog.Error().isEmpty());
    EXPECT_EQ(dialog.Format().Delimiter, u';');
    EXPECT_EQ(dialog.Mapping(),
              (TColumnMapping{fdAlbumTitle, fdArtist, fdTitle, fdLength, fdNone}));
    auto *table = Child<QTableWidget>(&dialog, "tbColumns");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->columnCount(), 5);
    EXPECT_EQ(table->rowCount(), TfmImportText::PreviewRows + 1);
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("Title"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("Take 1"));
    EXPECT_EQ(table->item(20, 2)->text(), QStringLiteral("Take 20"));
    EXPECT_EQ(table->item(1, 4)->text(), QStringLiteral("first \u21B5 second"));
    auto *box = qobject_cast<QComboBox *>(table->cellWidget(0, 0));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->currentText(), QStringLiteral("Album Title"));
    EXPECT_EQ(qobject_cast<QComboBox *>(table->cellWidget(0, 4))->currentText(),
              QStringLiteral("(skip)"));
    auto *shape = Child<QLabel>(&dialog, "lbShape");
    EXPECT_EQ(shape->text(), QStringLiteral("Each row is a track; consecutive rows with the "
                                            "same Album Title make one album."));
    auto *ok = Child<QPushButton>(&dialog, "btOK");
    EXPECT_TRUE(ok->isEnabled());

    // A field goes to one column: the one that chose it last.
    dialog.SetField(4, fdTitle);
    EXPECT_EQ(dialog.Mapping(),
              (TColumnMapping{fdAlbumTitle, fdArtist, fdNone, fdLength, fdTitle}));
    // Nothing that can be imported: no Import.
    for (qsizetype c = 0; c < 5; ++c)
        dialog.SetField(c, c == 1 ? fdAlbumName : fdNone);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(shape->text().startsWith(QStringLiteral("No column goes to a field")));
    for (qsizetype c = 0; c < 5; ++c)
        dialog.SetField(c, c == 0 ? fdTitle : fdNone);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(shape->text(), QStringLiteral("Each row is an album."));

    // A Discogs export read as delimited text: the dialog points to its own command.
    const QString discogs = home.file(QStringLiteral("discogs.csv"));
    WriteFileBytes(discogs, "Catalog#,Artist,Title,release_id,CollectionFolder\r\nX,A,T,1,F\r\n");
    TfmImportText other(discogs, fields);
    EXPECT_TRUE(Child<QLabel>(&other, "lbShape")
                    ->text()
                    .endsWith(QStringLiteral("The file looks like a Discogs collection export, "
                                             "which \"Import From, Discogs Collection (CSV)\" "
                                             "reads as such.")));

    // Read with commas, the file has one column.
    Child<QComboBox>(&dialog, "cbDelimiter")->setCurrentIndex(1);
    EXPECT_EQ(dialog.Format().Delimiter, u',');
    EXPECT_EQ(dialog.Columns(), QStringList{QStringLiteral("Album;Artist;Title;Length;Notes")});
    EXPECT_EQ(table->columnCount(), 1);
    EXPECT_FALSE(ok->isEnabled());
}

// Both commands keep a backup of the collection before they add albums, save once at
// the end, and add nothing when cancelled from their progress window.
TEST(ImportCommands, KeepABackupFirstSaveOnceAndAddNothingWhenCancelled)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    TChosenFile chosen;
    struct TProcessWindows
    {
        TProcessWindows() { InstallProcessWindows(); }
        ~TProcessWindows() { TProcess::SetViewFactory(nullptr); }
    } processWindows;

    TfmMain w(QStringList{}, &store);
    w.show();
    const int all = int(w.Db().AlbumCount());

    // Delimited text through its dialog.
    chosen.file = home.file(QStringLiteral("albums.csv"));
    WriteFileBytes(chosen.file,
                   "Title,Artist,Year\r\nOne,A,1990\r\nTwo,B,1991\r\nThree,C,1992\r\n");
    bool seen = false;
    WhenModal([&seen](QDialog *dialog) {
        seen = dialog->objectName() == QStringLiteral("fmImportText");
        Click(dialog, "btOK");
    });
    w.Action(QStringLiteral("acImportText"))->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 3 albums from 3 rows."));
    EXPECT_EQ(int(w.Db().AlbumCount()), all + 3);
    w.FinishSaving();
    EXPECT_FALSE(w.HasUnsavedChanges());
    EXPECT_EQ(albumsInFile(path), all + 3);
    std::vector<TBackupInfo> backups = w.Backups().List(path);
    ASSERT_FALSE(backups.empty());
    EXPECT_EQ(albumsInFile(backups.front().path), all);

    // A Discogs export, no dialog.
    chosen.file = home.file(QStringLiteral("discogs.csv"));
    WriteFileBytes(chosen.file, "Catalog#,Artist,Title,Label,Format,release_id\r\n"
                                "C1,D (2),Four,L,CD,41\r\nC2,E,Five,L,LP,42\r\n");
    w.Action(QStringLiteral("acImportDiscogs"))->trigger();
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 2 albums from 2 rows."));
    w.FinishSaving();
    EXPECT_EQ(albumsInFile(path), all + 5);
    backups = w.Backups().List(path);
    ASSERT_FALSE(backups.empty());
    EXPECT_EQ(albumsInFile(backups.front().path), all + 3);

    // Cancel in the progress window: nothing added, nothing saved.
    QByteArray many = "Title,Artist\r\n";
    for (int r = 0; r < 500; ++r)
        many += "Album " + QByteArray::number(r) + ",Artist " + QByteArray::number(r) + "\r\n";
    chosen.file = home.file(QStringLiteral("many.csv"));
    WriteFileBytes(chosen.file, many);
    const qsizetype artists = w.Db().LookupList(fdArtist).Count();
    bool cancelled = false;
    QTimer cancel;
    cancel.setInterval(0);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("fmProcess") && top->isVisible()) {
                if (auto *button = top->findChild<QAbstractButton *>(QStringLiteral("btCancel")))
                    button->click();
                cancelled = true;
                cancel.stop();
            }
    });
    cancel.start();
    WhenModal([](QDialog *dialog) { Click(dialog, "btOK"); });
    w.Action(QStringLiteral("acImportText"))->trigger();
    cancel.stop();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(ui.messages.last(), QStringLiteral("The import was cancelled: nothing was added."));
    EXPECT_EQ(int(w.Db().AlbumCount()), all + 5);
    EXPECT_EQ(w.Db().LookupList(fdArtist).Count(), artists);
    EXPECT_FALSE(w.HasUnsavedChanges());
    EXPECT_EQ(albumsInFile(path), all + 5);
}
