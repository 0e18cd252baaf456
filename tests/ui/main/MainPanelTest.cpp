#include "MainWindowRig.h"
#include "core/PublicVars.h"
#include "ui/common/Frame.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMouseEvent>
#include <QPixmap>

namespace {

using FormUnits::TwipsToPixels;

class MainPanel : public MainWindowRig
{
protected:
    void SetUp() override
    {
        PublicVars::SetColourSchemeDefaults();
        MainWindowRig::SetUp();
        FocusedLabelID = 0;
        TitleBarHidden = false;
        TitleBarHeight = 0;
    }
    void TearDown() override
    {
        MainWindowRig::TearDown();
        PublicVars::SDRColourSchemes = {};
    }

    static uint32_t Colour(QWidget* control) { return FormControls::ForeColour(control); }
    static uint32_t Focus() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameFocusColour); }
    static uint32_t Normal() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRFrameNormalColour); }
};

}   // namespace

TEST_F(MainPanel, EveryControlCarriesItsNameAndArraysTheirIndex)
{
    for (const char* name : {"frFreqCtl", "picFreqDisp", "lbl7Seg_8", "optMode_3", "optFilter_4", "optAGC_4",
                             "sldBW_1", "dialtuner", "dialNB", "dialOutVol", "picSmeter_2", "shpSMeterTick_14",
                             "optPwr_2", "optDisplaySize_3", "chkScopeMode_2", "chkTrigOn_2", "lblStatsVal_9",
                             "cmdWavCtls_9", "optSubBand_17", "optPreset_11", "linConfig"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(window->Receive->optMode[6]->text(), "&SAM");
    EXPECT_EQ(window->Receive->optMode[3]->toolTip(), "DRM mode - Select, then launch Dream/DRM.EXE manually");
    EXPECT_EQ(window->DisplaySize->optDisplaySize[0]->toolTip(), "Just VFO & S Meter");
    EXPECT_EQ(window->Frequency->lblTuningRate->toolTip(),
              "Left Click to Lock Tune Rate, Right Click to Set Tune Step");
}

// The four sizes cut the client area at their markers; the small ones switch statistics and
// analyser off, the large ones let the check boxes decide again.
TEST_F(MainPanel, DisplaySizesEndTheWindowAtTheirMarkersAndSwitchAnalyserAndStatistics)
{
    window->Analyser->chkSpectrumAnalyser->setChecked(true);
    window->Statistics->chkPerfStatsOn->setChecked(true);
    TitleBarHidden = true;
    TitleBarHeight = 300;
    for (const auto& [size, marker, on] : {std::tuple{0, 1280, false}, {2, 6660, true}, {1, 3650, false},
                                           {3, 7200, true}}) {
        window->DisplaySize->optDisplaySize.Select(size);
        EXPECT_EQ(window->height(), TwipsToPixels(marker)) << size;
        EXPECT_EQ(window->SpectrumAnalyser->Active(), on) << size;
        EXPECT_EQ(PerfStatsOn, on) << size;
        EXPECT_TRUE(window->Analyser->chkSpectrumAnalyser->isChecked()) << "the check box keeps its state";
        EXPECT_EQ(DisplayMode, size);
        EXPECT_EQ(FullWindowHeight, FormUnits::PixelsToTwips(window->frameGeometry().height()) + 300);
        for (int button = 0; button < 4; ++button)
            EXPECT_EQ(Colour(window->DisplaySize->optDisplaySize[button]), button == size ? 0xFFFF00u : 0xC0C000u);
    }
    EXPECT_EQ(window->linNormal->Y1(), 3650);
}

TEST_F(MainPanel, TheWindowReturnsToTheChosenSizeAndTheSizeIsKeptBetweenRuns)
{
    EXPECT_EQ(DisplayMode, 2) << "nothing stored";
    EXPECT_EQ(window->height(), TwipsToPixels(6660));
    window->show();
    window->DisplaySize->optDisplaySize.Select(1);
    const QSize chosen = window->size();
    window->resize(chosen + QSize(40, 90));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), chosen);

    window.release()->close();   // saves the settings
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    DisplayMode = 0;
    window = std::make_unique<frmMain>();
    EXPECT_EQ(DisplayMode, 1);
    EXPECT_EQ(window->height(), TwipsToPixels(3650)) << "the next start opens at the stored size";
}

TEST_F(MainPanel, TheFrameUnderThePointerIsHighlightedAndValueLabelsLoseTheirFocus)
{
    FocusedLabelID = 13;
    FormControls::SetForeColour(window->Receive->lblAGCAttack, 0x0000FF);
    emit window->Receive->frAGC->MouseMove(0, 0, 500, 500);
    EXPECT_EQ(Colour(window->Receive->frAGC), Focus());
    EXPECT_EQ(Colour(window->Receive->frNotch), Normal());
    EXPECT_EQ(Colour(window->Receive->lblAGCAttack),
              static_cast<uint32_t>(PublicVars::SDRColourSchemes.ScrollableLabelNormalColour));
    EXPECT_EQ(FocusedLabelID, 0);

    FocusedLabelID = 9;
    emit window->Analyser->frScopeMode->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(Colour(window->Analyser->frScopeMode), Focus());
    EXPECT_EQ(Colour(window->Receive->frAGC), Normal());
    EXPECT_EQ(FocusedLabelID, 9) << "a scope frame leaves the value labels alone";

    emit window->Frequency->frFreqCtl->MouseMove(0, 0, 10, 10);
    for (Frame* frame : window->findChildren<Frame*>())
        EXPECT_EQ(Colour(frame), Normal()) << frame->objectName().toStdString();
    emit window->Frequency->img7SegArea->MouseMove(0, 0, 10, 10);
    EXPECT_EQ(FocusedLabelID, 1);
}

TEST_F(MainPanel, ThePowerFrameDragsTheWindowUntilAButtonIsReleased)
{
    window->move(200, 100);
    window->Power->frPower_MouseMove(0, 0, 450, 90);
    EXPECT_EQ(window->pos(), QPoint(200, 100)) << "a move without a press only colours the frame";
    EXPECT_EQ(Colour(window->Power->frPower), Focus());

    window->Power->frPower_MouseDown(1, 0, 300, 120);
    window->Power->frPower_MouseMove(1, 0, 450, 90);   // 150 twips right, 30 up
    EXPECT_EQ(window->pos(), QPoint(210, 98));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(window->centralWidget(), &release);   // over the bare window
    window->Power->frPower_MouseMove(0, 0, 900, 90);
    EXPECT_EQ(window->pos(), QPoint(210, 98));

    window->Power->frPower_MouseDown(2, 0, 300, 120);
    window->Power->frPower_MouseUp(2, 0, 300, 120);
    EXPECT_FALSE(window->Power->PowerFrameDragging);
}

// For a reviewer: the window at each display size, in the build folder.
TEST_F(MainPanel, ScreenshotsOfEverySize)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/../screenshots";
    ASSERT_TRUE(QDir().mkpath(folder));
    const char* names[] = {"Comp", "Std", "Ext", "Full"};
    window->show();
    for (int size = 0; size < 4; ++size) {
        window->DisplaySize->optDisplaySize.Select(size);
        QCoreApplication::processEvents();
        const QPixmap shot = window->grab();
        EXPECT_EQ(shot.height(), window->height());
        EXPECT_TRUE(shot.save(folder + "/frmMain_" + names[size] + ".png")) << names[size];
    }
}
