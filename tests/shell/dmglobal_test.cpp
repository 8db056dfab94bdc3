#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

// A settings store whose file cannot be written.
class TUnwritableStore : public TMemorySettingsStore
{
public:
    bool Sync() override { return !fail; }
    QString ErrorString() const override { return fail ? QStringLiteral("disk full") : QString(); }
    bool fail = true;
};

// The settings are saved when the program ends; a failure there must reach the user
// rather than lose every change silently.
TEST(dmGlobal, ASettingsSaveThatFailsAtTheEndIsReported)
{
    TTestHome home;
    TScriptedInterface ui;
    TUnwritableStore store;
    {
        TdmGlobal dm({}, &store);
        QString error;
        EXPECT_FALSE(dm.SaveAll(&error));
        EXPECT_TRUE(error.contains(QStringLiteral("disk full"))) << error.toStdString();
        EXPECT_TRUE(ui.messages.isEmpty()); // a caller of SaveAll reports it itself
    }
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains(QStringLiteral("disk full")))
        << ui.messages[0].toStdString();

    store.fail = false;
    ui.messages.clear();
    {
        TdmGlobal dm({}, &store);
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'\n').toStdString();
}

} // namespace
