#pragma once

#include "core/MainWindowValues.h"
#include "core/Settings.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "fakes/FakeSoundBackend.h"
#include "radio/HardwareObjects.h"
#include "support/ScopedTestHome.h"
#include "ui/main/frmMain.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A main window as the start-up leaves it, on a fake sound card, with the receiver
// hardware of a model that needs no port. Tests set the receive state they need.
class MainWindowRig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HardwareObjects::CreateHardwareObjects();
        CreateFilterObjects();
        realSoundBackend = frmMain::CreateSoundBackend;
        UseFakeSoundBackend();
        // On the model whose port it keeps shut, whatever model an earlier window of this
        // process chose last.
        Settings::SaveSetting("frmMain", "SDRModelNo", "0");
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");
        window = std::make_unique<frmMain>();
        ReceiveLinks::SpectrumAnalyser = nullptr;
        InPeakIndex = OutPeakIndex = DSPTimeIndex = 0;
        InPeakRing.fill(0);
        OutPeakRing.fill(0);
        DSPTimeRing.fill(0);
        PerfStatsOn = FlipIQ = PhaseBitCorrection = Mute = MuteAFOnDRM = false;
        IQModeOn = false;
        DemodMode = DemodModeEnum::DRM;   // passes the IF through: the output is the input
        AGCOn = false;
        AGCRestart = false;
        ForgetBlockMode();
        OutputAttenuation = 0.0f;
    }

    // Closes the window the way the user does: the window saves, releases the hardware
    // and deletes itself (unless the test destroyed it already).
    void TearDown() override
    {
        if (window)
            window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DSPProfiler.reset();
        frmMain::CreateSoundBackend = realSoundBackend;
    }

    // The main windows made from now on get a fake sound card of their own.
    void UseFakeSoundBackend()
    {
        frmMain::CreateSoundBackend = [this] {
            auto backend = std::make_unique<FakeSoundBackend>();
            sound = backend.get();
            return backend;
        };
    }

    ScopedTestHome home;
    FakeMessageBoxes boxes;
    FakeProcessPriority priority;
    FakeSoundBackend* sound = nullptr;
    std::function<std::unique_ptr<SoundBackend>()> realSoundBackend;
    std::unique_ptr<frmMain> window;
};
