#include "services/process.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what a process asks of its window.
class TRecordingView : public TProcessView
{
public:
    explicit TRecordingView(QStringList &log) : m_log(log) {}
    void ShowOverOwner() override { m_log << QStringLiteral("show"); }
    void Hide() override { m_log << QStringLiteral("hide"); }
    void EnableOwner(bool enabled) override { m_log << QStringLiteral("owner %1").arg(enabled); }
    void SetBar(int percent) override { m_log << QStringLiteral("bar %1").arg(percent); }
    void SetSubBar(int percent) override { m_log << QStringLiteral("subbar %1").arg(percent); }
    void SetMessage(const QString &text) override { m_log << QStringLiteral("message ") + text; }
    void SetSubMessage(const QString &text) override { m_log << QStringLiteral("sub ") + text; }
    void SetCaption(const QString &text) override { m_log << QStringLiteral("caption ") + text; }
    void ShowSub(bool visible) override { m_log << QStringLiteral("showsub %1").arg(visible); }

private:
    QStringList &m_log;
};

class ProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TProcess::SetViewFactory(
            [this](TProcess &, QObject *) { return std::make_unique<TRecordingView>(log); });
    }
    void TearDown() override { TProcess::SetViewFactory(nullptr); }

    // Everything the process reported: view calls and events.
    void listen(TProcess &p)
    {
        QObject::connect(&p, &TProcess::OnProgress, [this](int percent) {
            log << QStringLiteral("progress %1").arg(percent);
        });
        QObject::connect(&p, &TProcess::OnMessage,
                         [this](const QString &text) { log << QStringLiteral("event ") + text; });
    }

    // Posts a call that runs only when the process lets pending events through.
    void postMarker()
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this] { ++processed; }, Qt::QueuedConnection);
    }

    QStringList log;
    int processed = 0;
};

TEST_F(ProcessTest, PositionsToPercent)
{
    struct Case
    {
        const char *name;
        bool useWindow;
        qint32 max;
        std::vector<qint32> positions;
        QStringList expected;
    };
    const Case cases[] = {
        {"window, Max 0", true, 0, {5}, {}},
        {"events, Max 0", false, 0, {5}, {}},
        {"window, Max 200", true, 200, {1, 2, 2, 3}, {QStringLiteral("bar 1")}},
        {"events, Max 200",
         false,
         200,
         {1, 2},
         {QStringLiteral("progress 0"), QStringLiteral("progress 1")}},
        {"window, past the end", true, 10, {10, 15}, {QStringLiteral("bar 100")}},
        {"window, large counter", true, 50000000, {30000000}, {QStringLiteral("bar 60")}},
    };
    for (const Case &c : cases) {
        log.clear();
        TProcess p;
        p.UseWindow = c.useWindow;
        p.Max = c.max;
        listen(p);
        for (std::size_t i = 0; i < c.positions.size(); ++i) {
            processed = 0;
            postMarker();
            p.SetPosition(c.positions[i]);
            EXPECT_EQ(processed, 1) << c.name << ": pending events run at step " << i;
        }
        EXPECT_EQ(p.Position, c.positions.back()) << c.name;
        EXPECT_EQ(log, c.expected) << c.name << ": " << log.join(u'|').toStdString();
    }
}

TEST_F(ProcessTest, RunWithWindow)
{
    QObject owner;
    TProcess p(&owner);
    listen(p);
    p.Max = 4;
    p.SetCaption(QStringLiteral("Export"));
    p.SetPosition(3);
    p.Start();
    EXPECT_EQ(p.Position, 0);
    p.StepIt();
    p.StepIt();
    p.SetMessage(QStringLiteral("one"));
    p.SubMax = 3;
    p.ShowSub(true);
    p.SetSubPosition(1);
    p.SetSubPosition(1);
    p.SetSubMessage(QStringLiteral("two"));
    p.Finish();
    EXPECT_EQ(p.Owner(), &owner);
    EXPECT_EQ(log, (QStringList{QStringLiteral("caption Export"), QStringLiteral("bar 75"),
                                QStringLiteral("showsub 0"), QStringLiteral("show"),
                                QStringLiteral("owner 0"), QStringLiteral("bar 25"),
                                QStringLiteral("bar 50"), QStringLiteral("message one"),
                                QStringLiteral("showsub 1"), QStringLiteral("subbar 33"),
                                QStringLiteral("sub two"), QStringLiteral("owner 1"),
                                QStringLiteral("hide")}))
        << log.join(u'|').toStdString();
}

TEST_F(ProcessTest, EventsInsteadOfWindow)
{
    TProcess p;
    p.UseWindow = false;
    listen(p);
    p.Max = 2;
    p.Start();
    p.StepIt();
    p.SetMessage(QStringLiteral("half"));
    p.Finish();
    EXPECT_EQ(log, (QStringList{QStringLiteral("progress 50"), QStringLiteral("event half")}))
        << log.join(u'|').toStdString();
}

TEST_F(ProcessTest, CancelLastsUntilTheNextStart)
{
    TProcess::SetViewFactory(nullptr); // a process without a window works the same
    TProcess p;
    p.Max = 10;
    p.Start();
    EXPECT_FALSE(p.Cancelled());
    p.Cancel();
    p.StepIt();
    p.Finish();
    EXPECT_TRUE(p.Cancelled());
    p.Start();
    EXPECT_FALSE(p.Cancelled());
    p.Abort();
    p.Finish();
    EXPECT_TRUE(p.Cancelled());
    p.Start();
    EXPECT_FALSE(p.Cancelled());
}

} // namespace
