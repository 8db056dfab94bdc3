#include "shell/ui/iconlists.h"

#include <QSet>
#include <functional>
#include <gtest/gtest.h>

namespace {

int visiblePixels(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

struct TListCase
{
    const char *name;
    std::function<QIcon(int)> icon;
    int count;
    QSize size;
};

} // namespace

TEST(IconLists, EveryIndexDrawsAtItsSizeAndOthersAreNull)
{
    const TIconLists &lists = TIconLists::Instance();
    const TListCase cases[] = {
        {"ilSmall", [&](int i) { return lists.Small(i); }, 60, QSize(16, 16)},
        {"ilLarge", [&](int i) { return lists.Large(i); }, 30, QSize(32, 32)},
        {"ilState", [&](int i) { return lists.State(i); }, 3, QSize(9, 16)},
    };
    for (const TListCase &c : cases) {
        for (int i = 0; i < c.count; ++i) {
            SCOPED_TRACE(testing::Message() << c.name << " " << i);
            const QIcon icon = c.icon(i);
            ASSERT_FALSE(icon.isNull());
            const QPixmap pixmap = icon.pixmap(c.size, 1.0);
            EXPECT_EQ(pixmap.size(), c.size);
            // The state list's first mark is deliberately empty.
            const bool blank = c.size == QSize(9, 16) && i == TIconLists::kStateNone;
            EXPECT_EQ(visiblePixels(pixmap) == 0, blank);
        }
        EXPECT_TRUE(c.icon(-1).isNull()) << c.name;
        EXPECT_TRUE(c.icon(c.count).isNull()) << c.name;
    }
    EXPECT_EQ(lists.SmallPixmap(TIconLists::kSortAscending).deviceIndependentSize(),
              QSizeF(16, 16));
}

TEST(IconLists, PicturesThatMeanDifferentThingsDiffer)
{
    const TIconLists &lists = TIconLists::Instance();
    QSet<QByteArray> seen;
    auto bytesOf = [](const QIcon &icon) {
        const QImage image = icon.pixmap(QSize(32, 32), 1.0).toImage();
        return QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
    };
    for (int i = 0; i < TIconLists::kLargeCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(seen.contains(bytesOf(lists.Large(i))));
        seen.insert(bytesOf(lists.Large(i)));
    }
    EXPECT_NE(bytesOf(lists.Small(TIconLists::kFolderOpen)),
              bytesOf(lists.Small(TIconLists::kFolder)));
    EXPECT_NE(bytesOf(lists.Small(TIconLists::kSortAscending)),
              bytesOf(lists.Small(TIconLists::kSortDescending)));
}

TEST(IconLists, LargeImagesFeedThePictureList)
{
    const QList<QImage> images = TIconLists::Instance().LargeImages();
    ASSERT_EQ(images.size(), 30);
    for (qsizetype i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(images[i].size(), QSize(32, 32));
        EXPECT_EQ(images[i].format(), QImage::Format_RGB888);
        // Drawn on white: the corner is white, something in the picture is not.
        EXPECT_EQ(images[i].pixelColor(0, 31), QColor(Qt::white));
        int nonWhite = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                nonWhite += images[i].pixelColor(x, y) != QColor(Qt::white);
        EXPECT_GT(nonWhite, 32);
    }
}

TEST(IconLists, CommandsLogoAndTheme)
{
    const TIconLists &lists = TIconLists::Instance();
    EXPECT_FALSE(QIcon::themeName().isEmpty());
    for (const char *action : kCommandActions) {
        SCOPED_TRACE(action);
        const QIcon icon = lists.Command(QLatin1String(action));
        ASSERT_FALSE(icon.isNull());
        EXPECT_GT(visiblePixels(icon.pixmap(QSize(22, 22), 1.0)), 0);
    }
    EXPECT_TRUE(lists.Command(QStringLiteral("acNoSuchCommand")).isNull());
    EXPECT_GT(visiblePixels(lists.NoFolders().pixmap(QSize(16, 16), 1.0)), 0);
    for (int side : {16, 32, 256}) {
        const QPixmap logo = lists.Logo().pixmap(QSize(side, side), 1.0);
        EXPECT_EQ(logo.size(), QSize(side, side));
        EXPECT_GT(visiblePixels(logo), side * side / 4);
    }
}
