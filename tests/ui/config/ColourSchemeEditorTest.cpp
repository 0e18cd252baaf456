#include "core/PublicVars.h"
#include "core/modIniFiles.h"
#include "fakes/FakeFileDialogs.h"
#include "fakes/FakeMessageBoxes.h"
#include "support/ScopedTestHome.h"
#include "ui/common/Shape.h"
#include "ui/config/ColourSchemeEditor.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>
#include <QTest>

namespace {

using Editor = ColourSchemeEditor;

// The editor alone on a bare window, without a spectrum display.
class ColourSchemeEditorAlone : public ::testing::Test
{
protected:
    ColourSchemeEditorAlone()
    {
        auto* grid = new QGridLayout(&window);
        editor.CreateControlColourFrame(grid, 0);
        editor.CreateColoursTab(grid);
        window.show();
    }
    ~ColourSchemeEditorAlone() override { PublicVars::SetColourSchemeDefaults(); }

    void SetEverySwatch(int32_t colour)
    {
        for (int i = 0; i < Editor::SwatchCount; ++i)
            editor.SetSwatchColour(static_cast<Editor::Swatch>(i), colour);
    }

    ScopedTestHome home;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    QWidget window;
    QCheckBox* showClock = new QCheckBox(&window);
    std::unique_ptr<clsSpectrumAnalyser> noDisplay;
    int schemesShown = 0;
    Editor editor{&window, noDisplay, [this] { ++schemesShown; }, showClock};
};

TEST_F(ColourSchemeEditorAlone, ControlDefaultsFillTheSchemeAndScopeAndTickTheClock)
{
    SetEverySwatch(0x010101);
    editor.chkScollLabelHiliteBorder->setChecked(true);
    editor.cmdSDRControlDefaults->click();
    EXPECT_EQ(editor.SwatchColour(Editor::SDRTuning), 0xFF);
    EXPECT_EQ(editor.SwatchColour(Editor::ScopeBack), 0);
    EXPECT_EQ(editor.SwatchColour(Editor::ScopeNotchFilter), 0xC0FF60);
    EXPECT_EQ(editor.SwatchColour(Editor::ControlFocused), 0x010101) << "the display's own defaults are apart";
    EXPECT_FALSE(editor.chkScollLabelHiliteBorder->isChecked());
    EXPECT_TRUE(showClock->isChecked());
}

TEST_F(ColourSchemeEditorAlone, AColourIsTakenOnlyWhenPicked)
{
    auto* button = window.findChild<QPushButton*>("cmdSDRTuningColour");
    ASSERT_NE(button, nullptr);
    editor.SetSwatchColour(Editor::SDRTuning, 0x123456);
    dialogs.CancelColour();
    button->click();
    EXPECT_EQ(editor.SwatchColour(Editor::SDRTuning), 0x123456);
    dialogs.ChooseColour(0x00FF80);
    button->click();
    EXPECT_EQ(editor.SwatchColour(Editor::SDRTuning), 0x00FF80);
    EXPECT_EQ(dialogs.colourRequests.back().initialColour, 0x123456u) << "the dialog opens on the swatch's colour";
}

// Without a display the scope swatches load black and the preview still shows the scheme.
TEST_F(ColourSchemeEditorAlone, PreviewHeldShowsTheSwatchesAndReleasedTheLoadedScheme)
{
    PublicVars::SDRColourSchemes.SDRBackgroundColour = 0x332211;
    SetEverySwatch(0x010101);
    editor.LoadColourControls();
    EXPECT_EQ(editor.SwatchColour(Editor::SDRBackGround), 0x332211);
    EXPECT_EQ(editor.SwatchColour(Editor::ScopeY1), 0);
    editor.SetSwatchColour(Editor::SDRBackGround, 0x445566);
    QTest::mousePress(editor.cmdSDRPreviewColours, Qt::RightButton);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, 0x445566);
    QTest::mouseRelease(editor.cmdSDRPreviewColours, Qt::RightButton);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, 0x332211);
    EXPECT_EQ(schemesShown, 2);
    EXPECT_EQ(editor.SwatchColour(Editor::SDRBackGround), 0x445566) << "the swatch keeps its edit";
    editor.ApplyColourScheme();
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, 0x445566);
}

TEST_F(ColourSchemeEditorAlone, AThemeSavedAndLoadedGivesBackEveryColourItHolds)
{
    for (int i = 0; i < Editor::SwatchCount; ++i)
        editor.SetSwatchColour(static_cast<Editor::Swatch>(i), 0x010000 * (i + 1));
    dialogs.ChooseFile(home.file("evening"));
    editor.cmdSDRColoursSave->click();
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "Name", "", home.file("evening.thm")), "evening.thm");
    SetEverySwatch(0x0A0A0A);
    dialogs.ChooseFile(home.file("evening.thm"));
    editor.cmdSDRColoursLoad->click();
    for (int i = 0; i < Editor::ControlNormal; ++i)
        EXPECT_EQ(editor.SwatchColour(static_cast<Editor::Swatch>(i)), 0x010000 * (i + 1)) << i;
    EXPECT_EQ(editor.SwatchColour(Editor::ControlNormal), 0x0A0A0A) << "the display's control colours are no theme's";
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
