#include "editors/ui/trackeditor.h"
#include "editors/ui/trackeditorhost.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

QString text(QWidget *parent, const char *name)
{
    if (auto *edit = parent->findChild<QLineEdit *>(QLatin1String(name)))
        return edit->text();
    if (auto *box = parent->findChild<QComboBox *>(QLatin1String(name)))
        return box->currentText();
    if (auto *label = parent->findChild<QLabel *>(QLatin1String(name)))
        return label->text();
    ADD_FAILURE() << name;
    return {};
}

void setText(QWidget *parent, const char *name, const QString &value)
{
    if (auto *edit = parent->findChild<QLineEdit *>(QLatin1String(name))) {
        edit->setText(value);
    } else if (auto *box = Child<QComboBox>(parent, name)) {
        box->setCurrentIndex(-1);
        box->setEditText(value);
    }
}

// Records what the dialog hands to the desktop instead of opening it.
class TRecordingInterface : public TScriptedInterface
{
public:
    bool ShellOpen(const QString &file, const QString &, const QString &) override
    {
        opened.append(file);
        return true;
    }
    QStringList opened;
};

// The album editor's side: the album and a flat list of its items in display order
// standing in for the tree.
class TFakeHost : public TTrackEditorHost
{
public:
    TFakeHost(TQelDb &db, TdmGlobal &dm) : m_db(db), m_dm(dm) { album.reset(new TAlbum(&db)); }

    QWidget *HostWindow() override { return &window; }
    TAlbum *Album() override { return album.get(); }
    TQelDb &Db() override { return m_db; }
    TdmGlobal &Dm() override { return m_dm; }
    TDataItem *SelectedItem() const override
    {
        return selected >= 0 ? nodes[std::size_t(selected)] : nullptr;
    }
    bool HasPreviousNode() const override { return selected > 0; }
    bool HasNextNode() const override { return selected + 1 < int(nodes.size()); }
    void SelectPreviousNode() override { --selected; }
    void SelectNextNode() override { ++selected; }
    void AddItemNode(TDataItem *item) override
    {
        // After the parent's last descendant, or at the end for a disc.
        std::size_t at = nodes.size();
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i] != item->Parent)
                continue;
            at = i + 1;
            while (at < nodes.size() && isBelow(nodes[at], item->Parent))
                ++at;
        }
        nodes.insert(nodes.begin() + qsizetype(at), item);
        selected = int(at);
    }
    void RefreshSelectedNode() override { ++refreshes; }
    void Renumber() override
    {
        numberChildren(album.get());
        for (qsizetype d = 0; d < album->Count(); ++d) {
            auto *disc = static_cast<TDisc *>(album->Items(d));
            disc->RebuildTrackList();
            for (qsizetype t = 0; t < disc->TrackCount(); ++t)
                disc->Track(t)->Position = qint32(t) + 1;
        }
        ++renumbers;
    }
    void StoreLookupTexts() override
    {
        for (const auto &[field, name] : typedForAlbum)
            m_db.LookupList(field).FindOrCreate(name, QString());
    }
    void RefillLookupBoxes() override { ++refills; }

    template <class T> T *add(TDataItem *parent, const QString &title, qint32 length = 0)
    {
        auto *item = new T(parent);
        item->Title = title;
        item->SetLength(length);
        parent->Add(item);
        AddItemNode(item);
        Renumber();
        return item;
    }
    void select(TDataItem *item)
    {
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] == item)
                selected = int(i);
    }

    QWidget window;
    std::unique_ptr<TAlbum> album;
    std::vector<TDataItem *> nodes;
    int selected = -1;
    int refreshes = 0;
    int renumbers = 0;
    int refills = 0;
    std::vector<std::pair<TFieldId, QString>> typedForAlbum;

private:
    static bool isBelow(const TDataItem *item, const TDataItem *ancestor)
    {
        for (const TDataItem *p = item->Parent; p; p = p->Parent)
            if (p == ancestor)
                return true;
        return false;
    }
    static void numberChildren(TDataItem *item)
    {
        for (qsizetype i = 0; i < item->Count(); ++i) {
            item->Items(i)->Index = qint32(i) + 1;
            numberChildren(item->Items(i));
        }
    }

    TQelDb &m_db;
    TdmGlobal &m_dm;
};

class TrackEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dm.Prefs().LyricsFolder = home.file(QStringLiteral("lyrics"));
        QDir().mkpath(dm.Prefs().LyricsFolder);
        disc = host.add<TDisc>(host.album.get(), QStringLiteral("Disc"));
        TfmTrack::ChooseOpenFile = [this](QWidget *, TOpenFileChoice &choice) {
            offered = choice;
            choice.file = chosenFile;
            choice.filterIndex = chosenFilter;
            return !chosenFile.isEmpty();
        };
    }
    void TearDown() override { TfmTrack::ChooseOpenFile = nullptr; }

    int run(int mode, std::function<void(QDialog *)> act)
    {
        WhenModal(std::move(act));
        return EditTrackItem(host, mode);
    }
    QString lyricsPath(const QString &name) { return dm.Prefs().LyricsFolder + u'/' + name; }

    TTestHome home;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;
    TFakeHost host{db, dm};
    TRecordingInterface ui;
    TDisc *disc = nullptr;
    TOpenFileChoice offered;
    QString chosenFile;
    int chosenFilter = 1;
};

TEST_F(TrackEditor, NextStoresEachTrackAndCancelDiscardsTheOneOnScreen)
{
    ui.yes = false;
    const int result = run(TfmTrack::AddTracks, [this](QDialog *d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("fmTrack"));
        for (const char *title : {"One", "Two", "Three", "Four"}) {
            QTest::keyClicks(Child<QLineEdit>(d, "edTitle"), QLatin1String(title));
            if (QLatin1String(title) != QLatin1String("Four"))
                Click(d, "btNext");
        }
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Add Track(s): Four"));
        // The confirmation answered No keeps the dialog and its item.
        Click(d, "btCancel");
        EXPECT_TRUE(d->isVisible());
        ui.yes = true;
        Click(d, "btCancel");
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(disc->Count(), 3);
    const char *const titles[] = {"One", "Two", "Three"};
    for (qsizetype i = 0; i < 3; ++i) {
        const auto *track = static_cast<TTrack *>(disc->Items(i));
        EXPECT_EQ(track->Title.toString(), QLatin1String(titles[i]));
        EXPECT_EQ(track->Position, i + 1);
    }
    EXPECT_EQ(host.nodes.size(), 4u);
    EXPECT_EQ(
        ui.messages,
        QStringList(2, QStringLiteral("Are you sure you want to cancel changes to this item?")));
    EXPECT_EQ(host.refills, 1);
}

TEST_F(TrackEditor, EditModeWalksTheTreeAndStopsAtItsEnds)
{
    auto *header = host.add<THeader>(disc, QStringLiteral("Side A"));
    host.add<TTrack>(header, QStringLiteral("First"));
    auto *last = host.add<TTrack>(disc, QStringLiteral("Last"));
    host.add<TSubTrack>(last, QStringLiteral("Part"));

    struct Case
    {
        int node;
        bool previous, next;
        const char *caption;
    } const cases[] = {
        {0, false, true, "Edit Disc 01: Disc"},
        {2, true, true, "Edit Track 01: First"},
        {4, true, false, "Edit Subtrack 01: Part"},
    };
    for (const Case &c : cases) {
        host.selected = c.node;
        run(TfmTrack::Edit, [&c](QDialog *d) {
            EXPECT_EQ(Child<QPushButton>(d, "btPrevious")->isEnabled(), c.previous) << c.node;
            EXPECT_EQ(Child<QPushButton>(d, "btNext")->isEnabled(), c.next) << c.node;
            EXPECT_EQ(d->windowTitle(), QLatin1String(c.caption));
        });
    }

    // "Next" stores the item on screen before showing the next one.
    host.selected = 1;
    run(TfmTrack::Edit, [](QDialog *d) {
        setText(d, "edTitle", QStringLiteral("Side B"));
        Click(d, "btNext");
        EXPECT_EQ(text(d, "edTitle"), QStringLiteral("First"));
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Edit Track 01: First"));
        Click(d, "btPrevious");
        EXPECT_EQ(text(d, "edTitle"), QStringLiteral("Side B"));
        EXPECT_FALSE(Child<QPushButton>(d, "btClearIDs")->isEnabled());
        Click(d, "btOk");
    });
    EXPECT_EQ(header->Title.toString(), QStringLiteral("Side B"));
    EXPECT_EQ(host.selected, 1);
}

TEST_F(TrackEditor, LengthIsTidiedOnLeavingTheBoxAndStoredInSeconds)
{
    struct Case
    {
        const char *typed, *shown;
        qint32 seconds;
    } const cases[] = {
        {"3 5 ", "03:05", 185},
        {"1234", "12:34", 754},
        {" 7  ", "07:00", 420},
    };
    for (const Case &c : cases) {
        host.select(disc);
        run(TfmTrack::AddTracks, [&c](QDialog *d) {
            d->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            auto *length = Child<QLineEdit>(d, "edLength");
            length->setFocus();
            length->selectAll();
            QTest::keyClick(length, Qt::Key_Delete);
            length->home(false);
            // A blank is left by stepping over the position, as a user would.
            for (const char *k = c.typed; *k; ++k) {
                if (*k == ' ')
                    QTest::keyClick(length, Qt::Key_Right);
                else
                    QTest::keyClicks(length, QString(QLatin1Char(*k)));
            }
            Child<QLineEdit>(d, "edTitle")->setFocus();
            EXPECT_EQ(length->text(), QLatin1String(c.shown)) << c.typed;
            Click(d, "btOk");
        });
        ASSERT_EQ(disc->Count(), &c - cases + 1);
        EXPECT_EQ(disc->Items(disc->Count() - 1)->GetLength(), c.seconds) << c.typed;
    }
}

TEST_F(TrackEditor, HeaderShowsItsTotalLengthReadOnlyAndKeepsTheTracksLengths)
{
    auto *header = host.add<THeader>(disc, QStringLiteral("Suite"));
    auto *a = host.add<TTrack>(header, QStringLiteral("A"), 100);
    auto *b = host.add<TTrack>(header, QStringLiteral("B"), 3600 * 2);
    host.select(header);
    run(TfmTrack::Edit, [](QDialog *d) {
        auto *length = Child<QLineEdit>(d, "edLength");
        // Totals past 99 minutes are shown whole.
        EXPECT_EQ(length->text(), QStringLiteral("121:40"));
        EXPECT_TRUE(length->isReadOnly());
        Click(d, "btOk");
    });
    EXPECT_EQ(a->Length, 100);
    EXPECT_EQ(b->Length, 7200);
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(TrackEditor, CreateMakesASafeLyricsFileAndOpensIt)
{
    host.album->Artist = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Q/Z"));
    const QString name = QStringLiteral("Q Z_Why .txt");
    const QString path = lyricsPath(name);
    const QString question =
        QStringLiteral("A file named Q Z_Why .txt already exists, do you want to overwrite it?");

    struct Case
    {
        const char *what;
        bool existing, folder, yes;
        QStringList messages;
        bool created;
    } const cases[] = {
        {"new", false, true, true, {}, true},
        {"kept", true, true, false, {question}, false},
        {"overwritten", true, true, true, {question}, true},
        {"no folder",
         false,
         false,
         true,
         {QStringLiteral("Error creating file \"%1\"").arg(path)},
         false},
    };
    for (const Case &c : cases) {
        QDir(dm.Prefs().LyricsFolder).removeRecursively();
        if (c.folder)
            QDir().mkpath(dm.Prefs().LyricsFolder);
        if (c.existing)
            WriteFileBytes(path, "old words");
        ui.messages.clear();
        ui.opened.clear();
        ui.yes = c.yes;
        QString shownName;
        run(TfmTrack::AddTracks, [&](QDialog *d) {
            setText(d, "edTitle", QStringLiteral("Why?"));
            Click(d, "btCreateLyricsFile");
            shownName = text(d, "pnLyricsFile");
            if (c.created) {
                EXPECT_FALSE(Child<QPushButton>(d, "btCreateLyricsFile")->isEnabled());
            }
            ui.yes = true;
        });
        EXPECT_EQ(ui.messages, c.messages) << c.what;
        EXPECT_EQ(shownName, c.created ? name : QString()) << c.what;
        EXPECT_EQ(ui.opened, c.created ? QStringList{path} : QStringList{}) << c.what;
        if (c.existing) {
            EXPECT_EQ(ReadFileBytes(path), c.created ? QByteArray() : QByteArray("old words"))
                << c.what;
        }
    }
}

TEST_F(TrackEditor, BrowsedLyricsAreCopiedWithoutOverwritingAndShown)
{
    const QString outside = home.file(QStringLiteral("words.txt"));
    WriteFileBytes(outside, "new line 1\r\nline 2");
    chosenFile = outside;
    auto *track = host.add<TTrack>(disc, QStringLiteral("Song"));
    track->LyricsFile = QStringLiteral("gone.txt");

    for (const QByteArray &already : {QByteArray(), QByteArray("kept words")}) {
        QFile::remove(lyricsPath(QStringLiteral("words.txt")));
        if (!already.isEmpty())
            WriteFileBytes(lyricsPath(QStringLiteral("words.txt")), already);
        host.select(track);
        run(TfmTrack::Edit, [](QDialog *d) {
            auto *memo = Child<QPlainTextEdit>(d, "mmLyrics");
            EXPECT_EQ(memo->toPlainText(), QStringLiteral("[File not found]"));
            Click(d, "btBrowseLyricsFile");
            EXPECT_EQ(text(d, "pnLyricsFile"), QStringLiteral("words.txt"));
            Click(d, "btOk");
        });
        const QByteArray expected = already.isEmpty() ? "new line 1\r\nline 2" : already;
        EXPECT_EQ(ReadFileBytes(lyricsPath(QStringLiteral("words.txt"))), expected);
        EXPECT_EQ(track->LyricsFile.toString(), QStringLiteral("words.txt"));
        track->LyricsFile = QStringLiteral("gone.txt");
    }
    EXPECT_EQ(offered.folder, home.path()); // remembered from the first browse
    EXPECT_EQ(store.ReadString(QStringLiteral("TrackWindow"),
                               QStringLiteral("LyricsOpenInitialFolder"), QString()),
              home.path());
}

TEST_F(TrackEditor, ALyricsFolderThatCannotBeMadeIsReportedAndTheNameKept)
{
    const QString outside = home.file(QStringLiteral("words.txt"));
    WriteFileBytes(outside, "words");
    chosenFile = outside;
    WriteFileBytes(home.file(QStringLiteral("blocked")), "x"); // a file, not a folder
    dm.Prefs().LyricsFolder = home.file(QStringLiteral("blocked/lyrics"));
    auto *track = host.add<TTrack>(disc, QStringLiteral("Song"));
    track->LyricsFile = QStringLiteral("old.txt");
    host.select(track);
    run(TfmTrack::Edit, [](QDialog *d) {
        Child<QLineEdit>(d, "edTitle")->setText(QStringLiteral("Typed"));
        Click(d, "btBrowseLyricsFile");
        EXPECT_EQ(text(d, "pnLyricsFile"), QStringLiteral("old.txt"));
        Click(d, "btOk");
    });
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages.front().contains(QStringLiteral("words.txt")));
    EXPECT_EQ(track->LyricsFile.toString(), QStringLiteral("old.txt"));
    EXPECT_EQ(track->Title.toString(), QStringLiteral("Typed"));
}

TEST_F(TrackEditor, ClearDiscIdsTakesEffectOnlyWhenStored)
{
    disc->MsDiscId = 0x394BC;
    disc->CddbDiscId = qint32(0xA10B2C03);
    disc->CddbRevision = 3;
    for (const char *closeWith : {"btCancel", "btOk"}) {
        host.select(disc);
        run(TfmTrack::Edit, [closeWith](QDialog *d) {
            EXPECT_EQ(text(d, "pnCddbDiscId"), QStringLiteral("Cddb Disc ID: a10b2c03"));
            Click(d, "btClearIDs");
            EXPECT_EQ(text(d, "pnMsDiscId"), QStringLiteral("Microsoft Disc ID: "));
            EXPECT_EQ(text(d, "pnCddbDiscId"), QStringLiteral("Cddb Disc ID: 00000000"));
            EXPECT_EQ(text(d, "pnCddbRevision"), QStringLiteral("CDDB Revision: 0"));
            Click(d, closeWith);
        });
        const bool stored = QLatin1String(closeWith) == QLatin1String("btOk");
        EXPECT_EQ(disc->MsDiscId, stored ? 0 : 0x394BC) << closeWith;
        EXPECT_EQ(disc->CddbDiscId, stored ? 0 : qint32(0xA10B2C03)) << closeWith;
        EXPECT_EQ(disc->CddbRevision, stored ? 0 : 3) << closeWith;
    }
}

TEST_F(TrackEditor, EmptyArtistFallsBackButIsNotShownAsTheTracksOwn)
{
    host.album->Artist = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Band"));
    run(TfmTrack::AddTracks, [](QDialog *d) {
        setText(d, "edTitle", QStringLiteral("Intro"));
        Click(d, "btOk");
    });
    ASSERT_EQ(disc->Count(), 1);
    auto *track = static_cast<TTrack *>(disc->Items(0));
    EXPECT_EQ(track->GetFieldAsString(fdArtist), QStringLiteral("Band"));
    host.select(track);
    run(TfmTrack::Edit, [](QDialog *d) {
        auto *artist = Child<QComboBox>(d, "cbArtist");
        EXPECT_TRUE(artist->currentText().isEmpty());
        EXPECT_EQ(artist->findText(QStringLiteral("Band")), 0);
    });
    EXPECT_EQ(track->Artist, nullptr);
}

TEST_F(TrackEditor, TypedNamesBecomeEntriesAndValuesAreStored)
{
    host.typedForAlbum = {{fdArtist, QStringLiteral("Typed For Album")}};
    run(TfmTrack::AddTracks, [](QDialog *d) {
        // The album editor's typed name is already offered.
        EXPECT_GE(Child<QComboBox>(d, "cbArtist")->findText(QStringLiteral("Typed For Album")), 0);
        setText(d, "cbSongwriter", QStringLiteral("New Writer"));
        setText(d, "cbTrackLookup1", QStringLiteral("Mood"));
        setText(d, "edYear", QStringLiteral("1999"));
        Child<QSpinBox>(d, "edBPM")->setValue(120);
        Child<QCheckBox>(d, "ckLive")->setCheckState(Qt::PartiallyChecked);
        Child<QSlider>(d, "tbRating")->setValue(70);
        EXPECT_EQ(text(d, "pnRating"), QStringLiteral("70 %"));
        Click(d, "btOk");
    });
    ASSERT_EQ(disc->Count(), 1);
    const auto *track = static_cast<TTrack *>(disc->Items(0));
    const TLookupItem *writer =
        db.LookupList(fdSongwriter).FindByName(QStringLiteral("New Writer"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->DisplayName.isEmpty());
    EXPECT_EQ(track->Songwriter, writer);
    EXPECT_EQ(LookupSortText(track->TrackLookup1), QStringLiteral("Mood"));
    EXPECT_EQ(track->Artist, nullptr);
    EXPECT_EQ(track->Year.toString(), QStringLiteral("1999"));
    EXPECT_EQ(track->BPM, 120);
    EXPECT_EQ(track->Live, 2);
    EXPECT_EQ(track->Rating, 70);
}

TEST_F(TrackEditor, AudioFileIsBrowsedPlayedOrReportedMissing)
{
    const QString song = home.file(QStringLiteral("song.mp3"));
    WriteFileBytes(song, "ID3");
    chosenFile = song;
    chosenFilter = 5;
    auto *track = host.add<TTrack>(disc, QStringLiteral("Song"));
    host.select(track);
    run(TfmTrack::Edit, [&song](QDialog *d) {
        Click(d, "btBrowseAudioFile");
        EXPECT_EQ(text(d, "pnAudioFile"), song);
        Click(d, "btPlayAudioFile");
        Click(d, "btOk");
    });
    EXPECT_EQ(track->AudioFile.toString(), song);
    EXPECT_EQ(ui.opened, QStringList{song});
    EXPECT_EQ(offered.filterIndex, 0); // nothing remembered yet: the first filter
    EXPECT_EQ(store.ReadInteger(QStringLiteral("TrackWindow"),
                                QStringLiteral("AudioFileOpenFilterIndex"), -1),
              5);

    track->AudioFile = QStringLiteral("/nowhere/gone.mp3");
    run(TfmTrack::Edit, [](QDialog *d) { Click(d, "btPlayAudioFile"); });
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("File not found:\r\n/nowhere/gone.mp3")});
}

} // namespace
