#include "testsupport.h"

#include <gtest/gtest.h>

namespace {
const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");
}

TEST(QelList, PrintsTheListOfTheChosenView)
{
    struct
    {
        QStringList args;
        const char *output;
    } cases[] = {
        {{QStringLiteral("--group"), QStringLiteral("Artist/Composer"), QStringLiteral("--folder"),
          QStringLiteral("Mara Kestrel"), QStringLiteral("--sort"), QStringLiteral("Year:desc")},
         "Mara Kestrel\tWinter Letters\t2010\nMara Kestrel\tSalt and Paper\t2004\n"
         "Mara Kestrel\tLamps Along the Quay\t1998\n3 albums\nFilter: [None]\n"},
        {{QStringLiteral("--tracks"), QStringLiteral("--group"), QStringLiteral("genre"),
          QStringLiteral("--filter"), QStringLiteral("Title~NIGHT"), QStringLiteral("--filter"),
          QStringLiteral("Genre~Pop"), QStringLiteral("--or"), QStringLiteral("--case")},
         "Dream Pop\nPop\n2 groups\nFilter: (\"NIGHT\" in Title) OR (\"Pop\" in Genre)\n"},
        {{QStringLiteral("--columns"), QStringLiteral("Title,Rating"), QStringLiteral("--filter"),
          QStringLiteral("Price=10..11.5"), QStringLiteral("--filter"),
          QStringLiteral("Rating=85..100"), QStringLiteral("--filter"),
          QStringLiteral("In Collection=yes")},
         "Candle Factory\t90%\n1 album\nFilter: (Price between 10.00 and 11.50) AND (Rating "
         "between 85 and 100) AND "
         "(In Collection is Yes)\n"},
        {{QStringLiteral("--filter"), QStringLiteral("Purchase Date=2000-01-01..2000-12-31"),
          QStringLiteral("--columns"), QStringLiteral("Title")},
         nullptr}, // checked below: only the count is stable to state
    };
    for (const auto &c : cases) {
        const TRunResult r = RunQel(QStringList{QStringLiteral("list"), kDemo} + c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        if (c.output)
            EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf8(c.output))
                << c.args.join(u' ').toStdString();
        else
            EXPECT_TRUE(r.out.contains("Filter: (Purchase Date between")) << r.out.constData();
    }
}

TEST(QelList, RefusesBadFieldsAndConditions)
{
    struct
    {
        QStringList args;
        const char *message;
    } cases[] = {
        {{QStringLiteral("--group"), QStringLiteral("Title")},
         "The field \"Title\" cannot group the album view"},
        {{QStringLiteral("--tracks"), QStringLiteral("--group"), QStringLiteral("Format")},
         "The field \"Format\" cannot group the track view"},
        {{QStringLiteral("--columns"), QStringLiteral("Title,Colour")}, "Unknown field \"Colour\""},
        // Fields the rows of the view do not have would match, show and sort every row
        // alike.
        {{QStringLiteral("--filter"), QStringLiteral("Songwriter~x")},
         "The album view has no field \"Songwriter\""},
        {{QStringLiteral("--tracks"), QStringLiteral("--filter"), QStringLiteral("Format~CD")},
         "The track view has no field \"Format\""},
        {{QStringLiteral("--tracks"), QStringLiteral("--filter"), QStringLiteral("Nr Discs=1..2")},
         "The track view has no field \"Nr Discs\""},
        {{QStringLiteral("--columns"), QStringLiteral("Title,Position")},
         "The album view has no field \"Position\""},
        {{QStringLiteral("--tracks"), QStringLiteral("--sort"), QStringLiteral("Price:desc")},
         "The track view has no field \"Price\""},
        {{QStringLiteral("--filter"), QStringLiteral("Year=1990..2000")},
         "\"Year\" is a text field"},
        {{QStringLiteral("--filter"), QStringLiteral("Rating~9")},
         "\"Rating\" is not a text field"},
        {{QStringLiteral("--filter"), QStringLiteral("Rating=9")}, "Malformed range"},
        {{QStringLiteral("--filter"), QStringLiteral("Purchase Date=2001-13-01..2002-01-01")},
         "Malformed date"},
        {{QStringLiteral("--filter"), QStringLiteral("Mono=perhaps")}, "use yes, no or undecided"},
        {{QStringLiteral("--filter"), QStringLiteral("nothing")}, "Malformed condition"},
        {{QStringLiteral("--folder"), QStringLiteral("Nobody")}, "No folder named \"Nobody\""},
        {{QStringLiteral("--sort")}, "--sort needs a value"},
    };
    for (const auto &c : cases) {
        const TRunResult r = RunQel(QStringList{QStringLiteral("list"), kDemo} + c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_TRUE(r.out.isEmpty());
    }
}
