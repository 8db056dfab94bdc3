// "Change Selected Albums": each kind of value widget gives its field's value, editing a
// value ticks its field, and OK asks for a valid price and at least one ticked field.
#include "editors/ui/changeselecteddialog.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Env
{
    Env()
    {
        db.LookupList(fdLabel).GetOrAdd(QStringLiteral("Blue Owl"));
        db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Kestrel, Mara"));
    }
    std::unique_ptr<TfmChangeSelected> open(TItemLevel level, qsizetype count = 3)
    {
        auto window = std::make_unique<TfmChangeSelected>(nullptr, db, fields, level, count);
        window->show();
        return window;
    }
    TQelDb db;
    TQelFields fields;
};

template <class T> T *editorOf(TfmChangeSelected &w, TFieldId field)
{
    auto *editor = qobject_cast<T *>(w.Editor(field));
    EXPECT_TRUE(editor) << TQelFields::GetDefaultName(field).toStdString();
    return editor;
}

void typeInto(QWidget *w, const char *text)
{
    if (auto *box = qobject_cast<QComboBox *>(w))
        w = box->lineEdit();
    QTest::keyClicks(w, QString::fromUtf8(text));
}

} // namespace

// What the user does to each kind of widget, and the value OK then hands over: the
// editing alone ticks the field, except where the case ticks it by hand to clear it.
TEST(ChangeSelectedDialog, EachWidgetGivesTheValueOfItsField)
{
    const struct
    {
        TItemLevel level;
        TFieldId field;
        std::function<void(TfmChangeSelected &)> act;
        QString text;
        qint64 number;
        double date;
    } cases[] = {
        {ilAlbum, fdTitle, [](TfmChangeSelected &w) { typeInto(w.Editor(fdTitle), "Same Title"); },
         QStringLiteral("Same Title"), 0, 0},
        {ilAlbum, fdLabel, [](TfmChangeSelected &w) { typeInto(w.Editor(fdLabel), "Blue Owl"); },
         QStringLiteral("Blue Owl"), 0, 0},
        {ilAlbum, fdArtist, [](TfmChangeSelected &w) { w.SetTicked(fdArtist, true); }, QString(), 0,
         0},
        // The year takes digits only, as in the album editor.
        {ilAlbum, fdYear, [](TfmChangeSelected &w) { typeInto(w.Editor(fdYear), "19a99"); },
         QStringLiteral("1999"), 0, 0},
        {ilAlbum, fdIndex, [](TfmChangeSelected &w) { typeInto(w.Editor(fdIndex), "42"); },
         QString(), 42, 0},
        {ilAlbum, fdMono,
         [](TfmChangeSelected &w) { QTest::keyClick(w.Editor(fdMono), Qt::Key_Down); }, QString(),
         1, 0},
        {ilAlbum, fdInCollection,
         [](TfmChangeSelected &w) { QTest::keyClick(w.Editor(fdInCollection), Qt::Key_Up); },
         QString(), 0, 0},
        {ilAlbum, fdLive,
         [](TfmChangeSelected &w) {
             QTest::keyClick(w.Editor(fdLive), Qt::Key_Down);
             QTest::keyClick(w.Editor(fdLive), Qt::Key_Down);
         },
         QString(), 2, 0},
        {ilAlbum, fdAD, [](TfmChangeSelected &w) { QTest::keyClick(w.Editor(fdAD), Qt::Key_Up); },
         QString(), 2, 0},
        {ilAlbum, fdRecordingDate,
         [](TfmChangeSelected &w) {
             editorOf<QDateEdit>(w, fdRecordingDate)->setDate(QDate(1999, 5, 1));
         },
         QString(), 0, DaysFromDate(QDate(1999, 5, 1))},
        // Ticked without a date: the date is cleared.
        {ilAlbum, fdPurchaseDate, [](TfmChangeSelected &w) { w.SetTicked(fdPurchaseDate, true); },
         QString(), 0, 0},
        {ilAlbum, fdPrice, [](TfmChangeSelected &w) { typeInto(w.Editor(fdPrice), "12.50"); },
         QString(), 125000, 0},
        {ilAlbum, fdRating,
         [](TfmChangeSelected &w) { w.Editor(fdRating)->findChild<QSlider *>()->setValue(70); },
         QString(), 70, 0},
        {ilAlbum, fdComments,
         [](TfmChangeSelected &w) {
             auto *memo = editorOf<QPlainTextEdit>(w, fdComments);
             QTest::keyClicks(memo, QStringLiteral("one"));
             QTest::keyClick(memo, Qt::Key_Return);
             QTest::keyClicks(memo, QStringLiteral("two"));
         },
         QStringLiteral("one\r\ntwo\r\n"), 0, 0},
        {ilTrack, fdBPM, [](TfmChangeSelected &w) { editorOf<QSpinBox>(w, fdBPM)->setValue(128); },
         QString(), 128, 0},
        {ilTrack, fdComments,
         [](TfmChangeSelected &w) { typeInto(w.Editor(fdComments), "one line"); },
         QStringLiteral("one line"), 0, 0},
        {ilTrack, fdSongwriter,
         [](TfmChangeSelected &w) { typeInto(w.Editor(fdSongwriter), "Pen, Ada"); },
         QStringLiteral("Pen, Ada"), 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(TQelFields::GetDefaultName(c.field).toStdString());
        Env env;
        auto w = env.open(c.level);
        ASSERT_TRUE(w->Editor(c.field));
        c.act(*w);
        EXPECT_TRUE(w->IsTicked(c.field));
        Click(w.get(), "btOk");
        EXPECT_EQ(w->result(), QDialog::Accepted);
        const std::vector<TFieldValue> &values = w->Change().Values();
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].Field, c.field);
        EXPECT_EQ(values[0].Text, c.text);
        EXPECT_EQ(values[0].Number, c.number);
        EXPECT_EQ(values[0].Date, c.date);
    }
}

// OK needs a ticked field; the values of unticked fields are left out.
TEST(ChangeSelectedDialog, OkTakesOnlyTickedFields)
{
    Env env;
    auto w = env.open(ilAlbum);
    auto *ok = Child<QPushButton>(w.get(), "btOk");
    ASSERT_TRUE(ok);
    EXPECT_FALSE(ok->isEnabled());
    typeInto(w->Editor(fdLocation), "Shelf 3");
    typeInto(w->Editor(fdTitle), "Left out");
    EXPECT_TRUE(ok->isEnabled());
    Child<QCheckBox>(w.get(), "tkTitle")->click(); // unticked again by hand
    EXPECT_FALSE(w->IsTicked(fdTitle));
    Click(w.get(), "btOk");
    ASSERT_EQ(w->Change().Values().size(), 1u);
    EXPECT_EQ(w->Change().Values()[0].Field, fdLocation);
    EXPECT_EQ(w->Change().Values()[0].Text, QStringLiteral("Shelf 3"));
}

// A price that is no amount keeps the window open with the album editor's message.
TEST(ChangeSelectedDialog, AnInvalidPriceKeepsTheWindowOpen)
{
    TScriptedInterface ui;
    Env env;
    auto w = env.open(ilAlbum);
    typeInto(w->Editor(fdPrice), "12.5x");
    Click(w.get(), "btOk");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("\"12.5x\" is not a valid currency value")});
    EXPECT_TRUE(w->Change().IsEmpty());
}

// Albums get the album editor's fields, tracks the track editor's; lookup boxes list
// the entries of their lists.
TEST(ChangeSelectedDialog, EachLevelShowsTheFieldsOfItsEditor)
{
    Env env;
    auto albums = env.open(ilAlbum, 12);
    EXPECT_EQ(albums->windowTitle(), QStringLiteral("Change Selected Albums"));
    for (const TFieldId f : TBulkChange::Fields(ilAlbum))
        EXPECT_TRUE(albums->Editor(f)) << TQelFields::GetDefaultName(f).toStdString();
    EXPECT_FALSE(albums->Editor(fdSongwriter));
    auto *label = editorOf<QComboBox>(*albums, fdLabel);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->findText(QStringLiteral("Blue Owl")), 0);
    EXPECT_TRUE(label->currentText().isEmpty());

    auto tracks = env.open(ilTrack, 1);
    EXPECT_EQ(tracks->windowTitle(), QStringLiteral("Change Selected Tracks"));
    for (const TFieldId f : TBulkChange::Fields(ilTrack))
        EXPECT_TRUE(tracks->Editor(f)) << TQelFields::GetDefaultName(f).toStdString();
    for (const TFieldId f : {fdLabel, fdLocation, fdPrice, fdIndex})
        EXPECT_FALSE(tracks->Editor(f)) << TQelFields::GetDefaultName(f).toStdString();
    EXPECT_TRUE(qobject_cast<QLineEdit *>(tracks->Editor(fdComments)));
}
