#include "FakeServices.h"

#include <gtest/gtest.h>

namespace orvek::test {

TEST(PlatformServices, FakeIsInstalledForItsLifetimeAndErrorsBeepAndShow) {
    {
        FakeServices fake;
        EXPECT_EQ(&ui::services(), &fake);
        ui::showError(nullptr, QStringLiteral("File not found"));
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].text, QStringLiteral("File not found"));
        EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
        ASSERT_EQ(fake.beeps.size(), 1u);
        EXPECT_EQ(fake.beeps[0], BeepKind::Hand);
    }
    FakeServices other;
    EXPECT_EQ(&ui::services(), &other);
}

} // namespace orvek::test
