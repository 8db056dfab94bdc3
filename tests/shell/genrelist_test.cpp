#include "shell/genrelist.h"

#include <gtest/gtest.h>

namespace {

TEST(GenreList, NamesByGenreNumber)
{
    const QStringList &genres = GenreList();
    ASSERT_EQ(genres.size(), 116);
    const std::pair<int, const char *> cases[] = {
        {0, "Blues"}, {12, "Other"}, {14, "R&B"}, {84, "Fast Fusion"}, {115, "Folklore"}};
    for (const auto &[number, name] : cases)
        EXPECT_EQ(genres[number], QLatin1String(name)) << number;
}

} // namespace
