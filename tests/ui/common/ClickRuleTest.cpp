#include "ui/common/ClickRule.h"

#include <QCheckBox>
#include <gtest/gtest.h>

// Bringing a box to a state runs its handler exactly once: through the change when the box
// changes, directly when it already stood there (a restored state must take effect either way).
TEST(ClickRule, SetCheckAndRunRunsTheHandlerOnceWhetherOrNotTheBoxChanges)
{
    QCheckBox box;
    int runs = 0;
    ClickRule::Connect(&box, [&runs] { ++runs; });
    const auto handler = [&runs] { ++runs; };
    ClickRule::SetCheckAndRun(&box, true, handler);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(runs, 1);
    ClickRule::SetCheckAndRun(&box, true, handler);
    EXPECT_EQ(runs, 2);
    ClickRule::SetCheckAndRun(&box, false, handler);
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(runs, 3);
}
