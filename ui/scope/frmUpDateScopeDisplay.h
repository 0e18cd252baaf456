#pragma once

#include <cstdint>
#include <functional>

class clsSpectrumAnalyser;

// The analyser's paced redraw. Each playback block arms a 1 ms one-shot timer (a pending
// one is replaced, so one redraw at most is pending); its expiry calls UpdateScopeDisplay,
// which redraws on every N-th call, N being the frame-rate setting. Nothing is drawn while
// the main window is minimised.
class frmUpDateScopeDisplay
{
public:
    // The main window's view: whether it is minimised, and the frame-rate label's value.
    std::function<bool()> MainWindowMinimised;
    std::function<float()> FrameRateValue;
    clsSpectrumAnalyser* Analyser = nullptr;

    void UpdateScopeDisplay();
    int32_t FrameCounter() const { return frameCounter_; }
    void FrameCounter(int32_t count) { frameCounter_ = count; }

private:
    int32_t frameCounter_ = 0;
};
