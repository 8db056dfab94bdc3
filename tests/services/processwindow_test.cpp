#include "services/process.h"
#include "services/ui/processwindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProcessWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InstallProcessWindows();
        owner->show();
    }
    void TearDown() override { TProcess::SetViewFactory(nullptr); }

    static TfmProcess *windowOf(const TProcess &p) { return dynamic_cast<TfmProcess *>(p.View()); }
    template <class T> static T *part(const TProcess &p, const char *name)
    {
        T *w = windowOf(p)->findChild<T *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();
};

TEST_F(ProcessWindow, ShowsTheRunAndFreesTheOwnerAfterwards)
{
    TProcess p(owner.get());
    TfmProcess *window = windowOf(p);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), QStringLiteral("fmProcess"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Process"));
    EXPECT_EQ(part<QLabel>(p, "laMessage")->text(), QStringLiteral("Working..."));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->isVisible());

    p.Max = 200;
    p.SubMax = 4;
    p.Start();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(owner->isEnabled());
    EXPECT_TRUE(part<QPushButton>(p, "btCancel")->isEnabled()); // the one way out
    EXPECT_FALSE(part<QProgressBar>(p, "pbProcessSub")->isVisible());

    p.SetCaption(QStringLiteral("Export"));
    p.SetMessage(QStringLiteral("<b>Side A</b>"));
    p.SetPosition(3);
    p.ShowSub(true);
    p.SetSubMessage(QStringLiteral("Track 1"));
    p.SetSubPosition(1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Export"));
    EXPECT_EQ(part<QProgressBar>(p, "pbProcess")->value(), 1);
    EXPECT_EQ(part<QProgressBar>(p, "pbProcessSub")->value(), 25);
    EXPECT_TRUE(part<QLabel>(p, "laMessageSub")->isVisible());
    auto *message = part<QLabel>(p, "laMessage");
    EXPECT_EQ(message->text(), QStringLiteral("<b>Side A</b>"));
    EXPECT_EQ(message->textFormat(), Qt::PlainText); // a title, not markup

    // The window manager's close must not end the only way to cancel.
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    p.Finish();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(owner->isEnabled());
}

TEST_F(ProcessWindow, CancelStopsTheRunningLoop)
{
    TProcess p(owner.get());
    p.Max = 1000000;
    // Pressed as soon as the loop lets events through, as a user would.
    QTimer::singleShot(
        0, [&p] { QTest::mouseClick(part<QPushButton>(p, "btCancel"), Qt::LeftButton); });
    p.Start();
    while (p.Position < p.Max && !p.Cancelled())
        p.StepIt();
    p.Finish();

    EXPECT_TRUE(p.Cancelled());
    EXPECT_LT(p.Position, p.Max);
    p.Start();
    EXPECT_FALSE(p.Cancelled());
    p.Finish();
}

TEST_F(ProcessWindow, OwnerClosedDuringARun)
{
    TProcess p(owner.get());
    p.Max = 10;
    p.Start();
    owner.reset();
    p.StepIt();
    p.Finish();
    EXPECT_FALSE(windowOf(p)->isVisible());
}

} // namespace
