#include "ui/common/ButtonArray.h"

#include "ui/common/FormControls.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <utility>
#include <vector>

namespace {

struct Clicks
{
    explicit Clicks(ButtonArray& array)
    {
        array.OnClick([this](int index) { seen.push_back(index); });
    }
    std::vector<int> Take() { return std::exchange(seen, {}); }
    std::vector<int> seen;
};

}   // namespace

TEST(ButtonArrayTest, AnOptionSelectedByCodeOrClickRunsItsHandlerOnceAndOnlyWhenTheSelectionMoves)
{
    QWidget form;
    ButtonArray optMode(&form, "optMode", ButtonArray::Kind::Option, 7);
    Clicks clicks(optMode);
    EXPECT_EQ(optMode[3]->objectName(), "optMode_3");
    EXPECT_EQ(optMode.Selected(), -1);

    optMode.Select(3);
    EXPECT_EQ(clicks.Take(), std::vector<int>{3}) << "runs at once, inside the call that set it";
    optMode.Select(3);
    EXPECT_TRUE(clicks.Take().empty()) << "selecting the selected button changes nothing";
    optMode[5]->click();
    EXPECT_EQ(clicks.Take(), std::vector<int>{5}) << "the button losing the selection runs nothing";
    EXPECT_EQ(optMode.Selected(), 5);
    EXPECT_FALSE(optMode[3]->isChecked());
    optMode.Select(9);
    EXPECT_TRUE(clicks.Take().empty());
}

TEST(ButtonArrayTest, ACheckBoxRunsItsHandlerOnEveryChangeOfItsValueAndOptionArraysDoNotExcludeEachOther)
{
    QWidget form;
    ButtonArray chkScopeMode(&form, "chkScopeMode", ButtonArray::Kind::Check, 3);
    ButtonArray optA(&form, "optA", ButtonArray::Kind::Option, 2);
    ButtonArray optB(&form, "optB", ButtonArray::Kind::Option, 2, 1);
    Clicks clicks(chkScopeMode);

    chkScopeMode.SetValue(1, 1);
    chkScopeMode.SetValue(1, 1);
    chkScopeMode.SetValue(1, 0);
    chkScopeMode[2]->click();
    EXPECT_EQ(clicks.Take(), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(chkScopeMode.Value(2), 1);
    EXPECT_EQ(chkScopeMode.Value(1), 0);

    optA.Select(0);
    optB.Select(2);
    EXPECT_TRUE(optA[0]->isChecked()) << "the same container, another array";
    EXPECT_EQ(optB.LBound(), 1);
    EXPECT_EQ(optB[2]->objectName(), "optB_2");
}

TEST(ButtonArrayTest, AHandlerThatSetsItsOwnControlSeesTheNestedCallAndCommandButtonsRunOnClicks)
{
    QWidget form;
    ButtonArray chkNotchAuto(&form, "chkNotchAuto", ButtonArray::Kind::Check, 1);
    int depth = 0;
    int runs = 0;
    // The pattern of a switch that refuses: it sets itself back, which runs it again.
    chkNotchAuto.OnClick([&](int) {
        ++runs;
        if (depth++ == 0)
            chkNotchAuto.SetValue(0, 0);
        --depth;
    });
    chkNotchAuto[0]->click();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(chkNotchAuto.Value(0), 0);

    ButtonArray cmdWavCtls(&form, "cmdWavCtls", ButtonArray::Kind::Command, 10);
    Clicks clicks(cmdWavCtls);
    cmdWavCtls[7]->click();
    EXPECT_EQ(clicks.Take(), std::vector<int>{7});
}

TEST(ButtonArrayTest, HighlightOnlyColoursTheChosenElement)
{
    QWidget form;
    ButtonArray optAGC(&form, "optAGC", ButtonArray::Kind::Option, 5);
    optAGC.HighlightOnly(2);
    for (int index = 0; index < 5; ++index)
        EXPECT_EQ(FormControls::ForeColour(optAGC[index]), index == 2 ? 0xFFFF00u : 0xC0C000u) << index;
}
