#include "exchange/export.h"
#include "exchange/ui/exportdialogs.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Two albums of two tracks each.
class TSmallCollection
{
public:
    TSmallCollection()
    {
        for (int a = 0; a < 2; ++a) {
            auto *album = new TAlbum(&db);
            album->Title = QStringLiteral("Album %1").arg(a);
            album->Year = QStringLiteral("199%1").arg(a);
            auto *disc = new TDisc(album);
            album->Add(disc);
            for (int t = 0; t < 2; ++t) {
                auto *track = new TTrack(disc);
                track->Title = QStringLiteral("Track %1.%2").arg(a).arg(t);
                disc->Add(track);
            }
            disc->RebuildTrackList();
            db.AddAlbum(album);
        }
    }
    TQelDb db;
};

QRadioButton *radio(QWidget *dialog, const char *group, int index)
{
    auto *box = Child<QGroupBox>(dialog, group);
    return box ? box->findChildren<QRadioButton *>().value(index) : nullptr;
}

QStringList listed(QWidget *dialog)
{
    QStringList names;
    auto *list = Child<QListWidget>(dialog, "lbFields");
    for (int i = 0; list && i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

void leaveFileName(QWidget *dialog, const QString &text)
{
    auto *edit = Child<QLineEdit>(dialog, "edFileName");
    edit->setText(text);
    emit edit->editingFinished();
}

} // namespace

TEST(ExportAsciiDialog, OptionsExportAndSettings)
{
    TSmallCollection c;
    TMemorySettingsStore store;
    TQelFields fields;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("albums.txt"));
    TScriptedInterface ui;
    {
        TfmExportAscii dialog(c.db.Albums, ilAlbum, ilAlbum, store, fields);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export to ASCII"));
        EXPECT_TRUE(radio(&dialog, "rgDelimiter", 0)->isChecked()); // semicolon
        EXPECT_TRUE(radio(&dialog, "rgTextQualifier", 0)->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(&dialog, "ckIncludeFieldNames")->isChecked());
        EXPECT_EQ(listed(&dialog), (QStringList{QStringLiteral("Artist/Composer"),
                                                QStringLiteral("Title"), QStringLiteral("Year")}));
        dialog.SelectColumns = [](TListFields &columns, const QString &suffix) {
            EXPECT_EQ(suffix, QStringLiteral("for ASCII Export"));
            columns.Clear();
            columns.Add(std::make_unique<TShowField>(fdTitle));
            columns.Add(std::make_unique<TShowField>(fdYear));
            return true;
        };
        Click(&dialog, "btFields");
        EXPECT_EQ(listed(&dialog), (QStringList{QStringLiteral("Title"), QStringLiteral("Year")}));
        radio(&dialog, "rgDelimiter", 2)->setChecked(true);     // tab
        radio(&dialog, "rgTextQualifier", 1)->setChecked(true); // single quote
        Child<QCheckBox>(&dialog, "ckIncludeFieldNames")->setChecked(true);
        leaveFileName(&dialog, dir.filePath(QStringLiteral("albums")));
        Click(&dialog, "btOK");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ReadFileBytes(file),
              QByteArray("'Title'\t'Year'\r\n'Album 0'\t'1990'\r\n'Album 1'\t'1991'\r\n"));
    EXPECT_EQ(ui.messages.last(), QStringLiteral("2 Albums exported to \"%1\"").arg(file));

    // The next dialog starts with the choices of the last; No to replacing the file keeps
    // it open and the file as it was.
    TfmExportAscii again(c.db.Albums, ilAlbum, ilTrack, store, fields);
    again.show();
    EXPECT_EQ(Child<QLineEdit>(&again, "edFileName")->text(), file);
    EXPECT_TRUE(radio(&again, "rgDelimiter", 2)->isChecked());
    EXPECT_TRUE(radio(&again, "rgTextQualifier", 1)->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(&again, "ckIncludeFieldNames")->isChecked());
    // Track exports keep columns of their own.
    EXPECT_EQ(listed(&again), (QStringList{QStringLiteral("Artist/Composer"),
                                           QStringLiteral("Title"), QStringLiteral("Year")}));
    ui.yes = false;
    Click(&again, "btOK");
    EXPECT_TRUE(again.isVisible());
    EXPECT_EQ(ReadFileBytes(file).left(7), QByteArray("'Title'"));
    ui.yes = true;
    Click(&again, "btOK");
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(ui.messages.last(), QStringLiteral("4 Tracks exported to \"%1\"").arg(file));
}

TEST(ExportHtmlDialog, BorderAndSettings)
{
    TSmallCollection c;
    TMemorySettingsStore store;
    TQelFields fields;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tracks.htm"));
    TScriptedInterface ui;
    {
        TfmExportHtml dialog(c.db.Albums, ilAlbum, ilTrack, store, fields);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export to HTML"));
        auto *border = Child<QCheckBox>(&dialog, "ckBorder");
        EXPECT_TRUE(border->isChecked());
        border->setChecked(false);
        leaveFileName(&dialog, dir.filePath(QStringLiteral("tracks")));
        Click(&dialog, "btOK");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    const QByteArray page = ReadFileBytes(file);
    EXPECT_TRUE(page.contains("<TABLE BORDER=0>")) << page.constData();
    EXPECT_TRUE(page.contains("<TD>Track 1.1</TD>"));
    TfmExportHtml again(c.db.Albums, ilAlbum, ilTrack, store, fields);
    EXPECT_FALSE(Child<QCheckBox>(&again, "ckBorder")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(&again, "edFileName")->text(), file);
}

// A name without an extension gets the format's when the box is left.
TEST(ExportDialogs, FileNameGetsTheFormatsExtension)
{
    TSmallCollection c;
    TMemorySettingsStore store;
    TQelFields fields;
    TfmExportAscii ascii(c.db.Albums, ilAlbum, ilAlbum, store, fields);
    TfmExportHtml html(c.db.Albums, ilAlbum, ilAlbum, store, fields);
    const struct
    {
        QDialog *dialog;
        QString typed;
        QString left;
    } cases[] = {
        {&ascii, QStringLiteral("export"), QStringLiteral("export.txt")},
        {&html, QStringLiteral("export"), QStringLiteral("export.htm")},
        {&ascii, QStringLiteral("export.csv"), QStringLiteral("export.csv")},
        {&html, QStringLiteral("page.html"), QStringLiteral("page.html")},
        {&ascii, QStringLiteral("/tmp/v1.2/list"), QStringLiteral("/tmp/v1.2/list.txt")},
        {&html, QString(), QString()},
    };
    for (const auto &k : cases) {
        leaveFileName(k.dialog, k.typed);
        EXPECT_EQ(Child<QLineEdit>(k.dialog, "edFileName")->text(), k.left)
            << k.typed.toStdString();
    }
}

// The file name box loses the focus while the dialog is destroyed; that must not reach
// the part of the dialog already gone.
TEST(ExportDialogs, DestroyedWithTheFocusInTheFileName)
{
    TSmallCollection c;
    TMemorySettingsStore store;
    TQelFields fields;
    auto dialog = std::make_unique<TfmExportAscii>(c.db.Albums, ilAlbum, ilAlbum, store, fields);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    auto *edit = Child<QLineEdit>(dialog.get(), "edFileName");
    edit->setText(QStringLiteral("typed"));
    edit->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit->hasFocus());
    dialog.reset();
}

// Both dialogs open centred over the window that opened them, at their own size.
TEST(ExportDialogs, OpenCentredOverTheirOwner)
{
    TSmallCollection c;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    QWidget owner;
    owner.setGeometry(40, 30, 700, 520);
    owner.show();
    for (const bool html : {false, true}) {
        QPoint at, expected;
        WhenModal([&](QDialog *dialog) {
            at = dialog->pos();
            expected = CenterOnOwnerPos(dialog->size(), owner.frameGeometry(),
                                        owner.screen()->availableGeometry().size());
        });
        if (html)
            ExportToHtml(&owner, c.db.Albums, ilAlbum, ilAlbum, dm);
        else
            ExportToAscii(&owner, c.db.Albums, ilAlbum, ilAlbum, dm);
        EXPECT_EQ(at, expected) << html;
    }
}
