#include "MainWindowRig.h"
#include "ui/bandplan/frmEditUserPreset.h"
#include "fakes/FakeFileDialogs.h"
#include "ui/common/FormControls.h"
#include "support/BandPlanFile.h"
#include "ui/main/MainWindowSettings.h"
#include "core/Numeric.h"
#include "support/CaptionCheck.h"
#include "ui/common/Dial.h"
#include "ui/common/Label.h"
#include "ui/common/Slider.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QStyleOptionSlider>
#include <QTest>

namespace {

// What a new user meets on the front panel, driven by synthesised mouse and wheel events.
class FirstEvening : public MainWindowRig
{
protected:
    void TearDown() override
    {
        MainWindowRig::TearDown();
        BandPlans.clear();
    }

    void SetUp() override
    {
        // A band whose preset reads 28060 and whose third sub-band is "Beacon", and a second band.
        BandPlans.clear();
        AddBandPlan(home.file("10m.bpl"), "10m",
                    "[MainBand]\r\nNumSubBands=3\r\n"
                    "[SubBand.0]\r\nCaption=CW\r\nFreqMin=28000000\r\nFreqMax=28070000\r\nFreqCurrent=28030000\r\n"
                    "ActivePreset=0\r\n[Preset.0.0]\r\nFreqCurrent=28060000\r\n"
                    "[SubBand.1]\r\nCaption=Digi\r\nFreqMin=28070000\r\nFreqMax=28190000\r\n"
                    "[SubBand.2]\r\nCaption=Beacon\r\nFreqMin=28190000\r\nFreqMax=28225000\r\n");
        AddBandPlan(home.file("MW.bpl"), "MW", "[MainBand]\r\n");
        CurrentMainBandIndex = 0;
        MainWindowRig::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    static void Wheel(QWidget* target, QPoint at, int delta)
    {
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
};

// Every caption shows whole at every size, each size keeps a control that changes the size
// again, and the sliders' handles fit inside them.
TEST_F(FirstEvening, EveryCaptionShowsWholeAtEverySizeAndEverySizeCanBeLeft)
{
    const char* names[] = {"Comp", "Std", "Ext", "Full"};
    for (int size : {3, 2, 1, 0}) {
        window->DisplaySize->optDisplaySize.Select(size);
        EXPECT_EQ(CaptionCheck::Lines(CaptionCheck::CutCaptions(window.get())), "") << names[size];
        CaptionCheck::SaveScreenshot(window.get(), QString("frmMain_") + names[size]);
        const bool sizeButtonsShown = CaptionCheck::OnScreen(window->DisplaySize->optDisplaySize[1], window.get());
        EXPECT_TRUE(sizeButtonsShown || CaptionCheck::OnScreen(window->Power->cmdMoreControls, window.get())) << names[size];
    }
    QTest::mouseClick(window->Power->cmdMoreControls, Qt::LeftButton);
    EXPECT_EQ(DisplayMode, 1) << "the smallest size's button leads back to all the controls";
    EXPECT_TRUE(CaptionCheck::OnScreen(window->DisplaySize->optDisplaySize[3], window.get()));

    for (Slider* slider : window->findChildren<Slider*>()) {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->value();
        const QRect handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
        EXPECT_TRUE(slider->rect().contains(handle)) << slider->objectName().toStdString();
    }
}

// The no-sound message points the way to the Soundcard tab from the size in force.
TEST_F(FirstEvening, TheWayToTheConfigurationWindowFollowsTheSize)
{
    const std::pair<int, std::string> ways[] = {
        {3, "Config"}, {2, "Display: Full, then Config"}, {1, "Display: Full, then Config"},
        {0, "\u25BC, then Display: Full, then Config"}};
    for (const auto& [size, way] : ways) {
        window->DisplaySize->optDisplaySize.Select(size);
        EXPECT_EQ(frmMain::ConfigurationPath(), way);
    }
}

// The band selector shows when the pointer moves onto the band's name (the band frame's
// caption), and a click on an entry of its list selects that band.
TEST_F(FirstEvening, TheBandIsChangedWithTheMouse)
{
    window->DisplaySize->optDisplaySize.Select(3);
    QComboBox* bands = window->BandPlan->cboBandSelect;
    ASSERT_GE(bands->count(), 2);
    ASSERT_FALSE(bands->isVisible());
    const QPoint bandsName = window->BandPlan->frPresets->CaptionBox().center();
    QTest::mouseMove(window->BandPlan->frPresets, bandsName);
    ASSERT_TRUE(bands->isVisible());
    const QPoint overImage = bandsName - window->BandPlan->imgBandSelect->pos();

    QTest::mouseMove(bands, bands->rect().center());
    ASSERT_TRUE(bands->isVisible()) << "it stays while the pointer is over it";
    QTest::mousePress(bands, Qt::LeftButton, {}, bands->rect().center());
    ASSERT_TRUE(bands->view()->isVisible()) << "the list opens";
    window->DarkenControls();
    EXPECT_TRUE(bands->isVisible()) << "and stays while it is open";
    const int other = bands->currentIndex() == 0 ? 1 : 0;
    QAbstractItemView* list = bands->view();
    const QRect entry = list->visualRect(list->model()->index(other, 0));
    QTest::qWait(QApplication::doubleClickInterval() + 50);   // a list ignores the release that opened it
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(CurrentMainBandIndex, other);

    QTest::mouseMove(window->BandPlan->imgBandSelect, QPoint(overImage.x(), window->BandPlan->imgBandSelect->height() - 1));
    EXPECT_FALSE(bands->isVisible()) << "leaving its place hides it";
}

// A wheel notch on the volume knob is a decibel the label shows, dragging turns it, and its
// reading is always the level in force, also after the slider below it was used.
TEST_F(FirstEvening, TheVolumeKnobTurnsInDecibelsAndReadsTheLevelInForce)
{
    Dial* knob = window->AudioOut->dialOutVol;
    window->AudioOut->sldOutVolume->SetValue(-2000);   // -20 dB
    EXPECT_EQ(window->AudioOut->lblOutVol->text(), "-20.0");
    EXPECT_EQ(knob->Value(), -200);
    const QPoint centre = knob->rect().center();
    Wheel(knob, centre, 120);
    EXPECT_EQ(window->AudioOut->lblOutVol->text(), "-19.0");
    Wheel(knob, centre, -240);
    EXPECT_EQ(window->AudioOut->lblOutVol->text(), "-21.0");
    EXPECT_FLOAT_EQ(OutputAttenuation, ScrollLabels[10].Value);

    const int before = knob->Value();
    QTest::mousePress(knob, Qt::LeftButton, {}, centre + QPoint(0, -20));
    QTest::mouseMove(knob, centre + QPoint(20, 0));   // a quarter turn clockwise
    QTest::mouseRelease(knob, Qt::LeftButton, {}, centre + QPoint(20, 0));
    EXPECT_GT(knob->Value(), before + 100) << "a quarter turn is many decibels";
    EXPECT_EQ(window->AudioOut->sldOutVolume->Value(), Numeric::CLng(ScrollLabels[10].Value));

    EXPECT_EQ(knob->Reading(), window->AudioOut->lblOutVol->text());
    window->AudioOut->sldOutVolume->SetValue(-200);
    EXPECT_EQ(knob->Value(), MouseOverS::OutputKnobPosition(-200.0f));
    EXPECT_EQ(knob->Reading(), window->AudioOut->lblOutVol->text());
}

}   // namespace

namespace {

// The wheel over an open list scrolls that list only; over the panel it tunes.
TEST_F(FirstEvening, TheWheelOverAnOpenListLeavesTheTuningAlone)
{
    auto turn = [](QWindow* target) {   // one notch
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    const int32_t tuned = VFO->TunedFrequency();
    FocusedLabelID = 1;
    turn(window->windowHandle());
    ASSERT_NE(VFO->TunedFrequency(), tuned) << "over the panel the wheel tunes";

    const int32_t before = VFO->TunedFrequency();
    window->BandPlan->cboBandSelect->show();
    QTest::mousePress(window->BandPlan->cboBandSelect, Qt::LeftButton, {}, window->BandPlan->cboBandSelect->rect().center());
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    FocusedLabelID = 1;
    turn(popup->windowHandle());
    EXPECT_EQ(VFO->TunedFrequency(), before);
    popup->close();
}

// The recorder's Open dialog starts in the recordings folder, and Play is offered only when
// there is something to play: with nothing opened it can be neither pressed nor stuck.
TEST_F(FirstEvening, TheRecorderOffersOnlyWhatItCanDo)
{
    FakeFileDialogs dialogs;
    window->DisplaySize->optDisplaySize.Select(3);
    QAbstractButton* play = window->Recorder->cmdWavCtls[1];
    EXPECT_FALSE(play->isEnabled());
    QTest::mouseClick(window->Recorder->cmdWavCtls[7], Qt::LeftButton);   // Open, cancelled
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].initialFolder, SaveRecordingsPath);
    EXPECT_FALSE(play->isEnabled()) << "nothing was opened";
    const bool receiving = window->Receiving;
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(window->Receiving, receiving) << "the receiver stays as it was";
    EXPECT_NE(FormControls::BackColour(window->Recorder->cmdWavCtls[2]), 0x0000FFu);
}

// The scope panel shows the analyser's state at start: at a first start the spectrum mode,
// the stored source and the logarithmic scale ("Lin" clear); later the stored scale.
TEST_F(FirstEvening, TheScopePanelShowsTheAnalysersStateAtStart)
{
    EXPECT_EQ(window->Analyser->chkScopeMode.Value(0), 1);
    EXPECT_EQ(window->Analyser->optSpectrumSource.Selected(), ScopeSource);
    EXPECT_TRUE(window->SpectrumAnalyser->LogMode());
    EXPECT_FALSE(window->Analyser->chkLog->isChecked());

    QTest::mouseClick(window->Analyser->chkLog, Qt::LeftButton);   // linear, stored at exit
    QTest::mouseClick(window->Analyser->optSpectrumSource[3], Qt::LeftButton);
    window.release()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    HardwareObjects::CreateHardwareObjects();
    window = std::make_unique<frmMain>();
    EXPECT_TRUE(window->Analyser->chkLog->isChecked());
    EXPECT_FALSE(window->SpectrumAnalyser->LogMode());
    EXPECT_EQ(window->Analyser->optSpectrumSource.Selected(), 3);
}

// The preset window opened from P3's menu names preset 3, opens over the main window and
// shows every caption whole.
TEST_F(FirstEvening, ThePresetWindowNamesThePresetAsItsButtonDoes)
{
    const auto show = frmEditUserPreset::ShowModal;
    QString title, number;
    QPoint centre;
    frmEditUserPreset::ShowModal = [&](frmEditUserPreset& preset) {
        title = preset.windowTitle();
        number = preset.lblPresetIndex->text();
        centre = preset.frameGeometry().center();
        EXPECT_EQ(CaptionCheck::Lines(CaptionCheck::CutCaptions(&preset)), "");
        CaptionCheck::SaveScreenshot(&preset, "frmEditUserPreset");
    };
    QTimer::singleShot(0, [this] {
        QMenu* menu = window->BandPlan->mnuUserPresets;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
    });
    QTest::mouseClick(window->BandPlan->optPreset[2], Qt::RightButton);
    QTRY_VERIFY(!title.isEmpty());
    frmEditUserPreset::ShowModal = show;
    EXPECT_EQ(title, "ZOZEVERE - Save Current Settings to Preset 3");
    EXPECT_EQ(number, "3");
    EXPECT_LT((centre - window->frameGeometry().center()).manhattanLength(), 4);
}

}   // namespace
