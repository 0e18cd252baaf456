#pragma once

#include <cstdint>
#include <optional>
#include <string>

class clsSpectrumAnalyser;
class clsVFO;

// What the main window's display controls do to the analyser and the VFO: the spectrum
// source, the Y gain and X sliders, the cursor readout with its wheel step, and
// click-to-tune. The window passes its controls' values in and shows what comes back.
namespace ScopeControls {

// optSpectrumSource(source): the X axis shows received frequencies centred on the tuned
// frequency (tenths of a hertz) for "IF in", "Pre Demod" and "Post Demod", audio hertz
// for "AF Out". Asks for a filter redesign so that the filter curve follows.
void SelectSource(clsSpectrumAnalyser& analyser, int32_t source, int32_t tunedFrequency, bool hiSideLoOn);

// sldSpectrumGain: 2 ^ (Max / 2 - Value), given to the analyser unless automatic gain is
// on. Returns the slider's tool tip.
std::string ApplySpectrumGain(clsSpectrumAnalyser& analyser, int32_t sliderMax, int32_t sliderValue,
                              bool autoGainChecked);

// sldXCentre's tool tip for its value.
std::string CentreToolTip(const clsSpectrumAnalyser& analyser, int32_t centreValue);

// sldXWidth and sldXCentre: the bins (spectrum) or samples (scope) shown; the span keeps
// between 10 and the slider's range. Returns sldXWidth's tool tip (empty in the phase mode).
std::string ApplyXRange(clsSpectrumAnalyser& analyser, int32_t widthMin, int32_t widthMax, int32_t widthValue,
                        int32_t centreValue);

// The frequency in hertz under the cursor at X (in the box's units), as the picture's tag
// holds it: in the spectrum mode on the axis labels' scale. And the picture of its readout:
// whole hertz in groups on the received-frequency axis, plain hertz on the audio axis.
double CursorFrequency(const clsSpectrumAnalyser& analyser, double X, bool iqModeOn);
const char* ReadoutPicture(const clsSpectrumAnalyser& analyser);
// lblSpectrumFreq's caption for a tag, with the wheel step appended when the wheel tunes.
std::string ReadoutCaption(const clsSpectrumAnalyser& analyser, const std::string& tag,
                           std::optional<int32_t> wheelStep);

// The wheel's tuning step over the display in hertz, by the cursor's height Y: 100 Hz per
// tenth of the height, at least 10 Hz. None when the box has no height.
std::optional<int32_t> WheelStepAt(double Y, double scaleHeight);
// Makes the step the VFO's (tenths of a hertz) and returns it as the tuning rate.
double ApplyWheelStep(clsVFO& vfo, int32_t stepHz);

// picScope mouse down: a left click on the received-frequency axis tunes to the tag's
// frequency rounded to whole hertz (the stored frequency twice the LO offset lower
// for the upper I/Q image, which is shown that much above it), held within the receiver's
// range. Returns whether it tuned.
bool ClickToTune(const clsSpectrumAnalyser& analyser, int button, const std::string& tag, bool iqSelectUpper,
                 int32_t loOffsetHz, clsVFO& vfo);


// What the mode switch (chkScopeMode) shows for a mode, and the channel values it reloads
// into the channel controls from that mode's record.
struct ModeLayout
{
    bool channelSwitches = false;   // chkChn1On, chkChn2On
    bool yMode = false;             // frScopeYMode, shown and enabled
    bool sweep = false;             // frScopeSweep
    bool spectrumControls = false;  // chkScopeShowFilters, lblScopeXCentre, lblScopeCtl(7)
    bool triggerSwitches = false;   // chkTrigOn(1), chkTrigOn(2)
    bool triggerCaptions = false;   // lblScopeCtl(2), lblScopeCtl(3)
    std::string sweepCaption;       // frScopeSweep's caption
    std::string divisionCaption;    // lblScopeCtl(6)
    std::string widthFormat;        // scroll label 6's format
    // The controls' values afterwards.
    bool linearChecked = false;     // chkLog ("Lin")
    bool fastChecked = false;       // chkSmoothSpectrum ("Fast")
    bool chn1On = false, chn2On = false, chn1Trig = false, chn2Trig = false;
    float chn1Gain = 0, chn1Shift = 0, chn2Gain = 0, chn2Shift = 0;
};

// chkScopeMode(mode): selects the mode (the analyser sets its axes up again); the scope and
// the phase display always use the linear scale and the fast display.
ModeLayout SwitchMode(clsSpectrumAnalyser& analyser, int32_t mode);

// chkLog: unchecked is the logarithmic display; the axes are set up again for it.
void ApplyLinearScale(clsSpectrumAnalyser& analyser, int checkValue);
// chkSmoothSpectrum ("Fast"): returns whether the smoothing label shows.
bool ApplyFastDisplay(clsSpectrumAnalyser& analyser, bool checked);

// Where the readout label goes: right of the cursor, flipped to its left where it would
// leave the display.
double ReadoutLeft(double X, double pictureLeft, double pictureScaleWidth, double labelWidth);

} // namespace ScopeControls
