#include "model/qeldb.h"
#include "model/textcompare.h"
#include "shell/dmglobal.h"
#include "shell/drivelist.h"
#include "shell/settingsstore.h"
#include "shell/ui/fielddefaultsdialog.h"
#include "shell/ui/fieldnamesdialog.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/prefsdialog.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kTimeoutMs = 30000;

class TFixedDrives : public TDriveList
{
public:
    explicit TFixedDrives(QStringList drives) : m_drives(std::move(drives)) {}
    QStringList CdDrives() override { return m_drives; }

private:
    QStringList m_drives;
};

// Once the next modal dialog is up, runs act on it and then presses the button act
// names ("btOk", "btCancel"). A dialog left open by a failed check is rejected, so a
// failure cannot hang the test.
void whenModal(std::function<const char *(QDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    const QDeadlineTimer deadline(kTimeoutMs);
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (deadline.hasExpired()) {
                ADD_FAILURE() << "no modal dialog appeared";
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        // Key presses reach shortcuts only in the active window.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog, kTimeoutMs));
        const char *buttonName = act(dialog);
        auto *button = dialog->findChild<QPushButton *>(QLatin1String(buttonName));
        if (button && dialog->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "dialog still open after " << buttonName;
            dialog->reject();
        }
    });
    timer->start();
}

// A data module on memory settings, with the user's field names in a temporary home.
class SettingsDialogs : public ::testing::Test
{
protected:
    TTestHome home;
    TMemorySettingsStore store;
    TScriptedInterface ui;
};

// --- Preferences ---

TEST_F(SettingsDialogs, PreferencesOkTakesTheControlsCancelNothing)
{
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        TFixedDrives drives({QStringLiteral("/dev/sr0"), QStringLiteral("/dev/sr1")});
        TdmGlobal dm({}, &store, &drives);
        TPrefs &prefs = dm.Prefs();
        prefs.Drive = QStringLiteral("/dev/sr1");
        prefs.ConfirmAlbumRemoval = false;
        prefs.ShowInCollectionIndicator = true;
        prefs.CoversFolder = QStringLiteral("/covers");
        prefs.LyricsFolder = QStringLiteral("/lyrics");

        whenModal([confirm](QDialog *d) {
            EXPECT_EQ(d->objectName(), QStringLiteral("fmPrefs"));
            auto *drive = Child<QComboBox>(d, "cbScanDrive");
            EXPECT_EQ(drive->currentText(), QStringLiteral("/dev/sr1"));
            EXPECT_FALSE(Child<QCheckBox>(d, "ckConfirmAlbumRemoval")->isChecked());
            EXPECT_TRUE(Child<QCheckBox>(d, "ckConfirmTrackRemoval")->isChecked());
            EXPECT_EQ(Child<QLineEdit>(d, "edCoversFolder")->text(), QStringLiteral("/covers"));

            drive->setCurrentIndex(0);
            QTest::mouseClick(Child<QCheckBox>(d, "ckConfirmAlbumRemoval"), Qt::LeftButton);
            QTest::mouseClick(Child<QCheckBox>(d, "ckShowInCollectionIndicator"), Qt::LeftButton);
            auto *lyrics = Child<QLineEdit>(d, "edLyricsFolder");
            lyrics->clear();
            QTest::keyClicks(lyrics, QStringLiteral("no/such/folder"));
            return confirm ? "btOk" : "btCancel";
        });
        const bool changed = EditPreferences(nullptr, dm, &drives);

        EXPECT_EQ(changed, confirm);
        EXPECT_EQ(prefs.Drive, confirm ? QStringLiteral("/dev/sr0") : QStringLiteral("/dev/sr1"));
        EXPECT_EQ(prefs.ConfirmAlbumRemoval, confirm);
        EXPECT_EQ(prefs.ShowInCollectionIndicator, !confirm);
        EXPECT_EQ(prefs.LyricsFolder,
                  confirm ? QStringLiteral("no/such/folder") : QStringLiteral("/lyrics"));
        EXPECT_EQ(prefs.CoversFolder, QStringLiteral("/covers"));
    }
}

TEST_F(SettingsDialogs, MachineWithoutDrivesLeavesDriveEmpty)
{
    TFixedDrives none({});
    TdmGlobal dm({}, &store, &none);
    ASSERT_TRUE(dm.Prefs().Drive.isEmpty());
    whenModal([](QDialog *d) {
        auto *drive = Child<QComboBox>(d, "cbScanDrive");
        EXPECT_EQ(drive->count(), 0);
        EXPECT_EQ(drive->currentIndex(), -1);
        return "btOk";
    });
    EXPECT_TRUE(EditPreferences(nullptr, dm, &none));
    EXPECT_TRUE(dm.Prefs().Drive.isEmpty());
}

// --- Field defaults ---

class FieldDefaultsDialog : public SettingsDialogs
{
protected:
    FieldDefaultsDialog()
    {
        for (const char *format : {"Cassette", "CD", "LP"})
            db.LookupList(fdFormat).GetOrAdd(QString::fromLatin1(format));
        db.LookupList(fdStore).GetOrAdd(QStringLiteral("Vinyl Attic"));
        db.LookupList(fdOwner).GetOrAdd(QStringLiteral("Sam"));
        TFieldDefaults &d = dm.FieldDefaults();
        d.FormatString = QStringLiteral("cd"); // found whatever its case
        d.PurchasePrice = 125000;              // 12.5
        d.Store = QStringLiteral("Vinyl Attic");
        d.Rating = 70;
        d.Live = 2;
    }

    TFixedDrives drives{{}};
    TdmGlobal dm{{}, &store, &drives};
    TQelDb db;
};

TEST_F(FieldDefaultsDialog, ShowsTheDefaultsAndOkKeepsThem)
{
    dm.Fields().SetFieldName(fdPrice, QStringLiteral("Co&st"));
    whenModal([](QDialog *d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("fmFieldDefaults"));
        auto *format = Child<QComboBox>(d, "cbFormat");
        EXPECT_EQ(format->count(), 3);
        EXPECT_EQ(format->currentText(), QStringLiteral("CD"));
        EXPECT_EQ(Child<QLineEdit>(d, "edPrice")->text(), QStringLiteral("12.50"));
        EXPECT_EQ(Child<QComboBox>(d, "cbOwner")->currentIndex(), -1);
        EXPECT_EQ(Child<QCheckBox>(d, "ckLive")->checkState(), Qt::PartiallyChecked);
        auto *ad = Child<QGroupBox>(d, "rgAD");
        const auto ddd = ad->findChildren<QRadioButton *>();
        EXPECT_EQ(ddd.size(), 5);
        if (ddd.size() == 5) {
            EXPECT_TRUE(ddd[3]->isChecked());
            EXPECT_EQ(ddd[3]->text(), QStringLiteral("DDD"));
        }

        // The user's field name, accelerator and all.
        bool renamed = false;
        for (const QLabel *label : d->findChildren<QLabel *>())
            renamed = renamed || label->text() == QStringLiteral("Co&st");
        EXPECT_TRUE(renamed);

        auto *rating = Child<QSlider>(d, "tbRating");
        auto *panel = Child<QLabel>(d, "pnRating");
        EXPECT_EQ(panel->text(), QStringLiteral("70 %"));
        QTest::keyClick(rating, Qt::Key_PageUp);
        EXPECT_EQ(panel->text(), QStringLiteral("80 %"));
        return "btOk";
    });
    EXPECT_EQ(EditFieldDefaults(nullptr, dm, db), QDialog::Accepted);

    const TFieldDefaults &d = dm.FieldDefaults();
    EXPECT_EQ(d.FormatString, QStringLiteral("CD")); // the list's spelling
    EXPECT_EQ(d.PurchasePrice, 125000);
    EXPECT_EQ(d.Store, QStringLiteral("Vinyl Attic"));
    EXPECT_EQ(d.Owner, QString());
    EXPECT_EQ(d.Live, 2);
    EXPECT_EQ(d.AD, 3);
    EXPECT_EQ(d.Rating, 80);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(FieldDefaultsDialog, UnknownFormatShowsNoSelectionAndOkStoresEmpty)
{
    dm.FieldDefaults().FormatString = QStringLiteral("8-Track");
    whenModal([](QDialog *d) {
        auto *format = Child<QComboBox>(d, "cbFormat");
        EXPECT_EQ(format->currentIndex(), -1);
        EXPECT_EQ(format->currentText(), QString());
        return "btOk";
    });
    EXPECT_EQ(EditFieldDefaults(nullptr, dm, db), QDialog::Accepted);
    EXPECT_EQ(dm.FieldDefaults().FormatString, QString());
}

TEST_F(FieldDefaultsDialog, PriceThatIsNoNumberStopsAtThePrice)
{
    whenModal([](QDialog *d) {
        auto *year = Child<QLineEdit>(d, "edYear");
        QTest::keyClicks(year, QStringLiteral("199912")); // four digits at most
        QTest::mouseClick(Child<QCheckBox>(d, "ckUseNowAsPurchaseDate"), Qt::LeftButton);
        auto *price = Child<QLineEdit>(d, "edPrice");
        price->clear();
        QTest::keyClicks(price, QStringLiteral("12,5x"));
        Child<QComboBox>(d, "cbStore")->setEditText(QStringLiteral("Elsewhere"));
        QTest::keyClick(Child<QSlider>(d, "tbRating"), Qt::Key_End);
        return "btOk";
    });
    EXPECT_EQ(EditFieldDefaults(nullptr, dm, db), QDialog::Accepted);

    const TFieldDefaults &d = dm.FieldDefaults();
    EXPECT_EQ(ui.messages,
              QStringList{QStringLiteral("'12,5x' is not a valid floating point value")});
    EXPECT_EQ(d.Year, QStringLiteral("1999"));
    EXPECT_TRUE(d.UseNowAsPurchaseDate);
    EXPECT_EQ(d.PurchasePrice, 125000);
    EXPECT_EQ(d.Store, QStringLiteral("Vinyl Attic"));
    EXPECT_EQ(d.Rating, 70);
}

// --- Field names ---

TEST(FieldNameTaken, OtherRowsInAnyCase)
{
    const QStringList names = {QStringLiteral("Title"), QStringLiteral("Artist/Composer"),
                               QStringLiteral("")};
    struct Case
    {
        qsizetype row;
        const char *name;
        bool taken;
    };
    const Case cases[] = {
        {1, "TITLE", true},            // another row's name in other case
        {1, "artist/COMPOSER", false}, // the row's own name in other case
        {1, "Artist/Composer", false}, // unchanged
        {0, "Titles", false},
        {0, "", true}, // two empty names are two equal names
    };
    for (const Case &c : cases)
        EXPECT_EQ(FieldNameTaken(names, c.row, QString::fromLatin1(c.name)), c.taken)
            << c.row << " " << c.name;
}

QTreeWidgetItem *rowOf(QTreeWidget *list, const QString &originalName)
{
    const auto found = list->findItems(originalName, Qt::MatchExactly, 1);
    return found.isEmpty() ? nullptr : found.first();
}

// Renames the row in place as the user does: F2, a new text, Enter.
void renameInPlace(QDialog *d, QTreeWidget *list, const QString &originalName, const QString &name)
{
    list->setCurrentItem(rowOf(list, originalName));
    QTest::keyClick(d, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr) << "no editor for " << originalName.toStdString();
    editor->selectAll();
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
}

TEST_F(SettingsDialogs, FieldNamesRefuseAnotherRowsNameInOtherCase)
{
    TdmGlobal dm({}, &store);
    whenModal([this](QDialog *d) {
        auto *list = Child<QTreeWidget>(d, "lvFields");
        EXPECT_EQ(list->topLevelItemCount(), 56);
        renameInPlace(d, list, QStringLiteral("Title"), QStringLiteral("Heading"));
        renameInPlace(d, list, QStringLiteral("Artist/Composer"), QStringLiteral("HEADING"));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !ui.messages.isEmpty(); }, kTimeoutMs));
        EXPECT_EQ(ui.messages, QStringList{QStringLiteral("Fieldname \"HEADING\" already exists")});
        EXPECT_EQ(rowOf(list, QStringLiteral("Artist/Composer"))->text(0),
                  QStringLiteral("Artist/Composer"));

        renameInPlace(d, list, QStringLiteral("Artist/Composer"),
                      QStringLiteral("ARTIST/composer"));
        QCoreApplication::processEvents();
        EXPECT_EQ(ui.messages.size(), 1);
        return "btOk";
    });
    EXPECT_EQ(EditFieldNames(nullptr, dm), QDialog::Accepted);
    EXPECT_EQ(dm.Fields().GetFieldCaption(fdTitle), QStringLiteral("Heading"));
    EXPECT_EQ(dm.Fields().GetFieldCaption(fdArtist), QStringLiteral("ARTIST/composer"));
}

// OK writes what it changed at once: a crash or a power cut later keeps it.
TEST_F(SettingsDialogs, OkWritesTheSettingsAndTheFieldNamesAtOnce)
{
    const QString file = home.file(QStringLiteral("settings.ini"));
    TIniSettingsStore ini(file);
    TFixedDrives drives({});
    TdmGlobal dm({}, &ini, &drives);
    TQelDb db;
    ASSERT_TRUE(dm.Prefs().ConfirmAlbumRemoval);

    whenModal([](QDialog *d) {
        QTest::mouseClick(Child<QCheckBox>(d, "ckConfirmAlbumRemoval"), Qt::LeftButton);
        return "btOk";
    });
    ASSERT_TRUE(EditPreferences(nullptr, dm, &drives));
    whenModal([](QDialog *d) {
        Child<QLineEdit>(d, "edYear")->setText(QStringLiteral("1999"));
        return "btOk";
    });
    ASSERT_EQ(EditFieldDefaults(nullptr, dm, db), QDialog::Accepted);
    whenModal([](QDialog *d) {
        renameInPlace(d, Child<QTreeWidget>(d, "lvFields"), QStringLiteral("Title"),
                      QStringLiteral("Heading"));
        return "btOk";
    });
    ASSERT_EQ(EditFieldNames(nullptr, dm), QDialog::Accepted);

    // What the files hold while the program still runs.
    const TIniSettingsStore onDisk(file);
    EXPECT_FALSE(
        onDisk.ReadBool(QStringLiteral("Options"), QStringLiteral("ConfirmAlbumRemoval"), true));
    EXPECT_EQ(onDisk.ReadString(QStringLiteral("Defaults"), QStringLiteral("Year"), {}),
              QStringLiteral("1999"));
    TQelFields names;
    names.Load(TQelFields::DefaultIniPath());
    EXPECT_EQ(names.GetFieldCaption(fdTitle), QStringLiteral("Heading"));
}

TEST_F(SettingsDialogs, FieldNamesSortByClickedHeader)
{
    TdmGlobal dm({}, &store);
    dm.Fields().SetFieldName(fdTitle, QStringLiteral("zz last"));
    whenModal([](QDialog *d) {
        auto *list = Child<QTreeWidget>(d, "lvFields");
        QHeaderView *header = list->header();
        const auto column = [list](int c) {
            QStringList texts;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                texts << list->topLevelItem(i)->text(c);
            return texts;
        };
        const auto ordered = [](QStringList texts, int order) {
            return std::is_sorted(texts.begin(), texts.end(), [order](auto &a, auto &b) {
                return CompareFolded(a, b) * order < 0;
            });
        };
        const auto clickHeader = [header](int section) {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
        };

        // The arrows are the main list's pictures, not the style's (which points the
        // other way).
        auto *names = static_cast<TfmFieldNames *>(d);
        const auto marks = [names] {
            return QList<int>{names->HeaderImage(0), names->HeaderImage(1)};
        };
        EXPECT_FALSE(header->isSortIndicatorShown());

        // Initially by the user's names, so the renamed Title is last.
        EXPECT_TRUE(ordered(column(0), 1));
        EXPECT_EQ(column(0).last(), QStringLiteral("zz last"));
        EXPECT_EQ(header->sortIndicatorSection(), 0);
        EXPECT_EQ(marks(), (QList<int>{TIconLists::kSortAscending, -1}));

        clickHeader(1);
        const QStringList ascending = column(1);
        EXPECT_TRUE(ordered(ascending, 1));
        EXPECT_EQ(header->sortIndicatorSection(), 1);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);

        clickHeader(1);
        QStringList descending = column(1);
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(descending, ascending);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
        EXPECT_EQ(marks(), (QList<int>{-1, TIconLists::kSortDescending}));

        clickHeader(0); // another column starts ascending
        EXPECT_TRUE(ordered(column(0), 1));
        EXPECT_EQ(header->sortIndicatorSection(), 0);
        return "btCancel";
    });
    EXPECT_EQ(EditFieldNames(nullptr, dm), QDialog::Rejected);
    EXPECT_EQ(dm.Fields().GetFieldCaption(fdTitle), QStringLiteral("zz last"));
}

} // namespace
