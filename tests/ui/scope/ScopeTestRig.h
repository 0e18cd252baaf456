#pragma once

#include "fakes/FakeSettingsStore.h"
#include "ui/common/PictureBox.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

// An analyser set up as the main window's start-up sets it up (48000 samples per second,
// 2048 points, 0 to 24000 Hz), switched on, drawing into two boxes in a panel whose
// drawing operations are recorded.
class ScopeTestRig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel.SetScaleHeight(4000);
        panel.resize(640, 300);
        for (PictureBox* box : {&box0, &box1}) {
            box->setParent(&panel);
            box->resize(600, 200);
        }
        analyser = std::make_unique<clsSpectrumAnalyser>();
        analyser->FSampling = 48000;
        analyser->Order = 11;
        analyser->FEnd(24000);
        analyser->picDisplay0(&box0);
        analyser->picDisplay1(&box1);
        analyser->init();
        analyser->Active(true);
        box0.SetRecorder(&drawn0);
        box1.SetRecorder(&drawn1);
    }

    void TearDown() override { analyser.reset(); }

    // Loads channel values as the receive chain does.
    void Load(const std::vector<float>& y1, const std::vector<float>& y2) { analyser->LoadSamples_S(y1, y2); }

    // The operations of one kind, or the segments drawn in one colour, in order.
    static std::vector<DrawOperation> OfKind(const std::vector<DrawOperation>& ops, DrawOperation::Kind kind,
                                             std::optional<uint32_t> colour = std::nullopt)
    {
        std::vector<DrawOperation> found;
        std::copy_if(ops.begin(), ops.end(), std::back_inserter(found),
                     [&](const auto& op) { return op.kind == kind && (!colour || op.colour == *colour); });
        return found;
    }
    static std::vector<DrawOperation> Trace(const std::vector<DrawOperation>& ops, uint32_t colour)
    {
        return OfKind(ops, DrawOperation::Kind::Line, colour);
    }

    FakeSettingsStore settings;
    PictureBox panel;
    PictureBox box0;
    PictureBox box1;
    std::vector<DrawOperation> drawn0;
    std::vector<DrawOperation> drawn1;
    std::unique_ptr<clsSpectrumAnalyser> analyser;
};
