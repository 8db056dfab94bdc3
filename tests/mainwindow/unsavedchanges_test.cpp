// An edit whose background save failed lives only in memory: closing the window, New,
// Open and the restore try the save again, and when it fails again the user saves the
// collection elsewhere, discards the changes or cancels.
#include "mainwindow/ui/mainwindow.h"
#include "model/backgroundwriter.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

int albumsInFile(const QString &path)
{
    if (!QFile::exists(path))
        return -1;
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

// Gives the answers in turn; a question beyond them is a failure, answered No/Cancel.
class TAnswers : public TScriptedInterface
{
public:
    TAnswer AskYesNo(const QString &message) override { return next(message, TAnswer::No); }
    TAnswer AskOkCancel(const QString &message) override { return next(message, TAnswer::Cancel); }
    QList<TAnswer> answers;
    QStringList questions;

private:
    TAnswer next(const QString &message, TAnswer otherwise)
    {
        questions.append(message);
        if (answers.isEmpty()) {
            ADD_FAILURE() << "unexpected question: " << message.toStdString();
            return otherwise;
        }
        return answers.takeFirst();
    }
};

const QString kFull = QStringLiteral("No space left on device");

} // namespace

TEST(UnsavedChanges, CloseNewOpenAndRestoreSaveAgainOrAsk)
{
    enum TSituation { RoomAgain, StillFull_Cancel, StillFull_Discard, StillFull_SaveElsewhere };
    const struct
    {
        const char *name;
        std::function<void(TfmMain &)> run;
        // Whether the command went on: the collection in memory (one album more than
        // the albums on disk) was replaced or ended.
        std::function<bool(TfmMain &, int onDisk)> wentOn;
    } commands[] = {
        {"close", [](TfmMain &w) { w.close(); }, [](TfmMain &w, int) { return !w.isVisible(); }},
        {"new", [](TfmMain &w) { w.Action(QStringLiteral("acNew"))->trigger(); },
         [](TfmMain &w, int) { return w.Db().FileName.isEmpty(); }},
        {"open", [](TfmMain &w) { w.Action(QStringLiteral("acOpen"))->trigger(); },
         [](TfmMain &w, int) { return w.Db().FileName.endsWith(QStringLiteral("other.qel")); }},
        {"restore",
         [](TfmMain &w) {
             WhenModal([](QDialog *dialog) {
                 ASSERT_EQ(dialog->objectName(), QStringLiteral("fmRestoreBackup"));
                 auto *list = Child<QTreeWidget>(dialog, "lvBackups");
                 list->setCurrentItem(list->topLevelItem(0));
                 Click(dialog, "btRestore");
             });
             w.Action(QStringLiteral("acRestoreBackup"))->trigger();
         },
         // The only backup before the command is of the file as it was read.
         [](TfmMain &w, int onDisk) { return w.Db().AlbumCount() == onDisk; }},
    };
    const struct
    {
        const char *name;
        TSituation situation;
        QList<TAnswer> answers;
    } situations[] = {
        {"room again", RoomAgain, {}},
        {"still full, cancel", StillFull_Cancel, {TAnswer::No, TAnswer::Cancel}},
        {"still full, discard", StillFull_Discard, {TAnswer::No, TAnswer::Ok}},
        {"still full, save elsewhere", StillFull_SaveElsewhere, {TAnswer::Yes}},
    };
    for (const auto &command : commands)
        for (const auto &s : situations) {
            SCOPED_TRACE(std::string(command.name) + ", " + s.name);
            TTestHome home;
            TAnswers ui;
            TMemorySettingsStore store;
            const QString path = UseDemoCollection(home, store);
            const QString other = home.file(QStringLiteral("other.qel"));
            const QString elsewhere = home.file(QStringLiteral("elsewhere.qel"));
            TQelDb().Save(other);
            TfmMain w(QStringList{}, &store);
            w.show();
            w.ChooseOpenFile = [&](QWidget *, const QString &, const QString &) { return other; };
            w.ChooseSaveFile = [&](QWidget *, const QString &, const QString &) {
                return elsewhere;
            };
            const int onDisk = int(w.Db().AlbumCount());

            // The disk is full while an album is added: the file keeps the albums it had.
            w.Writer().BeforeWrite = [&path](const QString &file) {
                return file == path ? kFull : QString();
            };
            TBrowseState &state = w.State();
            state.SelectNode(&state.Root()->children.front());
            state.SelectRow(0);
            w.Action(QStringLiteral("acDuplicateAlbum"))->trigger();
            w.FinishSaving();
            ASSERT_TRUE(w.HasUnsavedChanges());
            ASSERT_EQ(albumsInFile(path), onDisk);
            ui.messages.clear();
            if (s.situation == RoomAgain)
                w.Writer().BeforeWrite = nullptr;

            ui.answers = s.answers;
            const QDateTime later = w.Backups().Now().addSecs(60);
            w.Backups().Now = [later] { return later; };
            command.run(w);
            EXPECT_TRUE(ui.answers.isEmpty()) << ui.answers.size() << " questions not asked";
            // (A restore goes on to save what it restored, which the full disk refuses.)
            const bool restore = command.name == std::string("restore");
            if (!restore || s.situation == RoomAgain || s.situation == StillFull_Cancel) {
                EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
            }
            if (!ui.questions.isEmpty()) {
                // The first question names the file and why it could not be written.
                EXPECT_TRUE(ui.questions.front().contains(path));
                EXPECT_TRUE(ui.questions.front().contains(kFull));
            }
            EXPECT_EQ(command.wentOn(w, onDisk), s.situation != StillFull_Cancel);
            switch (s.situation) {
            case RoomAgain:
                EXPECT_EQ(albumsInFile(path), restore ? onDisk : onDisk + 1);
                break;
            case StillFull_Cancel:
                EXPECT_EQ(w.Db().AlbumCount(), onDisk + 1);
                EXPECT_EQ(w.Db().FileName, path);
                EXPECT_TRUE(w.HasUnsavedChanges());
                break;
            case StillFull_Discard:
                EXPECT_EQ(albumsInFile(path), onDisk);
                break;
            case StillFull_SaveElsewhere:
                EXPECT_EQ(albumsInFile(elsewhere), onDisk + 1);
                break;
            }
            // What a restore replaces is kept as a backup of its own.
            if (restore && s.situation == RoomAgain) {
                EXPECT_EQ(albumsInFile(w.Backups().List(path).front().path), onDisk + 1);
            }
        }
}
