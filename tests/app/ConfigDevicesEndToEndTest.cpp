#include "support/AlsaFileDevices.h"
#include "app/frmSupervisor.h"
#include "audio/QELVODX8.h"
#include "core/DoEvents.h"
#include "core/Settings.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "support/ScopedTestHome.h"
#include "support/TopLevelWindows.h"
#include "ui/config/frmConfig.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>
#include <numbers>

namespace {

constexpr int32_t N = 2048;

// The user picks ALSA's file devices in the configuration window by their descriptions,
// applies, powers on and hears the crystal receiver's signal: a complex tone 1 kHz above
// its IF comes out of the chosen playback device.
TEST(ConfigDevicesEndToEnd, DevicesPickedInTheWindowReceive)
{
    ScopedTestHome home;
    AlsaFileDevices devices;
    FakeMessageBoxes boxes;
    FakeProcessPriority priority;
    {
        QFile plan(QString::fromStdString(home.file("test.bpl")));
        ASSERT_TRUE(plan.open(QIODevice::WriteOnly));
        plan.write("[MainBand]\r\n");
    }
    Settings::SaveSetting("frmMain", "SDRModelNo", "4");   // "IQ,Crystal Controlled": no port
    std::vector<int16_t> frames;
    for (int64_t n = 0; n < 60 * N; ++n) {
        const double phase = 2.0 * std::numbers::pi * 11000.0 * static_cast<double>(n) / 48000.0;
        frames.insert(frames.end(), {static_cast<int16_t>(std::lround(6000.0 * std::cos(phase))),
                                     static_cast<int16_t>(std::lround(6000.0 * std::sin(phase)))});
    }
    devices.WriteCapture(frames);

    frmSupervisor supervisor("");
    supervisor.EndProcess = [] {};
    ASSERT_TRUE(supervisor.Form_Load());
    frmMain* main = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<frmMain*>(window); found && found->isVisible())
            main = found;
    ASSERT_NE(main, nullptr);

    main->cmdConfig->click();
    frmConfig* config = frmConfig::Loaded();
    ASSERT_NE(config, nullptr);
    ASSERT_TRUE(config->isVisible());
    for (auto [list, description] : {std::pair{config->cboCapDevices, AlsaFileDevices::CaptureDescription},
                                     std::pair{config->cboPlayDevices, AlsaFileDevices::PlaybackDescription}}) {
        const int entry = list->findText(description, Qt::MatchStartsWith);
        ASSERT_GE(entry, 0) << description;
        list->setCurrentIndex(entry);
    }
    config->cmdOK->click();
    EXPECT_FALSE(config->isVisible());
    EXPECT_TRUE(main->SoundCard->Prepared()) << "the new pair is taken at once";

    main->Receive->optMode.Select(DemodModeEnum::USB);
    main->Receive->chkAGC->setChecked(true);
    int blocks = 0;
    QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady, [&blocks](auto, auto, int32_t) { ++blocks; });
    main->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(main->SoundCard->InAction()) << (boxes.boxes.empty() ? "" : boxes.Last().prompt);
    QElapsedTimer clock;
    clock.start();
    while (blocks < 40 && clock.elapsed() < 120000)
        DoEvents();
    main->Power->optPwr[1]->setChecked(true);
    main->close();
    DeleteTopLevelWindows();

    const std::vector<int16_t> played = devices.Played();
    ASSERT_GE(played.size(), static_cast<size_t>(30 * N));
    double power = 0;
    for (size_t n = played.size() - 10 * N; n < played.size(); ++n)
        power += static_cast<double>(played[n]) * played[n];
    EXPECT_GT(std::sqrt(power / (10 * N)), 5000.0) << "the tone at the AGC's level";
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

} // namespace
