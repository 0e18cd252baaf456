#pragma once

#include "dsp/SpectrumFeed.h"
#include "dsp/clsFFTReal.h"

#include <QRectF>
#include <QString>

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

class PictureBox;

// Display modes of the analyser.
namespace ScopeModeEnum {
enum : int32_t { Spectrum = 0, Scope = 1, Phase = 2 };
}

// The Y scales and channel settings of one display mode.
struct ModeScaleRecord
{
    float Chn1Gain = 0;
    float Chn1Shift = 0;     // -100 .. 100, as the user gives it
    float Chn1Offset = 0;    // the shift in Y units
    bool Chn1Enabled = false;
    bool Chn1Trig = false;
    float Chn2Gain = 0;
    float Chn2Shift = 0;
    float Chn2Offset = 0;
    bool Chn2Enabled = false;
    bool Chn2Trig = false;
    int16_t TriggerChn = 0;
    bool LogMode = false;
    bool FastMode = false;
    float LinYScaleMax = 0;
    float LinYScaleMin = 0;
    float LinYScaleRange = 0;
    float LogYScaleMax = 0;
    float LogYScaleMin = 0;
    float LogYScaleRange = 0;
};

// The colours of the display's value labels, normal and focused (0x00BBGGRR).
struct ScopeControlColours
{
    int32_t Normal = 192;
    int32_t Focused = 255;
};

// The receiver's spectrum analyser (mode 0), triggered two-channel oscilloscope (mode 1)
// and phase display (mode 2). The receive chain hands it two channels per block; each
// paced redraw turns the latest ones into a frame, drawn into whichever of its two picture
// boxes is hidden, which then comes on show. Its settings live in the section "SpectrumAnalyser"
// and one section per mode; they are read on construction and written on destruction.
//
// Member functions live in clsSpectrumAnalyser_<area>.cpp by area: settings and
// properties here, intake and the display cycle, axes, graticule, traces.
class clsSpectrumAnalyser : public SpectrumFeed
{
public:
    static constexpr int32_t ModeCount = 3;
    static constexpr int32_t FilterTapCount = 2048;
    static constexpr int32_t SmoothHistorySize = 65537;

    // The colours of the display's value labels while none are stored.
    explicit clsSpectrumAnalyser(ScopeControlColours unstored = {});
    ~clsSpectrumAnalyser() override;
    clsSpectrumAnalyser(const clsSpectrumAnalyser&) = delete;
    clsSpectrumAnalyser& operator=(const clsSpectrumAnalyser&) = delete;

    // Public variables.
    float YSpectrumLOGMax = 0;
    std::string Name = "SpectrumAnalyser";
    bool InDisplay = false;        // a display cycle runs
    bool Initialised = false;      // init has sized the buffers
    int32_t FSampling = 0;         // samples per second of the fed samples
    int32_t Points = 0;            // FFT size, 2 ^ Order
    int32_t Order = 0;
    float Gain = 1.0f;
    bool AutoGain = false;         // offset and gain steps of the traces skipped
    bool Freeze = false;           // the receiver is off: redraws show the kept frame
    float DisplayWidth = 0;
    float Max = 0;
    float Min = 0;
    int32_t SpectrumWidth = 0;     // half the sample rate, Hz
    float SmoothDivider = 4.5f;    // sum of the smoothing weights
    int32_t ScreenWidth = 0;       // samples across the scope
    float ScreenHeight = 0;
    int32_t StartBin = 0;          // first bin or sample shown
    int32_t StopBin = 0;           // last bin or sample shown
    int32_t CentreBin = 0;
    int32_t TrigBin = 0;           // first scope sample
    bool SmoothSpectrum = true;
    int32_t DefaultSmoothCount = 8;
    int32_t Y1Colour = 0xFF00;
    int32_t Y2Colour = 0xFFFF;
    int32_t ControlColourNormal = 0;    // both from the constructor, then from the store
    int32_t ControlColourFocused = 0;

    // The receive chain's view (SpectrumFeed) and the variables behind it.
    bool Active() const override { return active_; }
    void Active(bool on) { active_ = on; }
    int32_t FStart() const override { return fStart_; }
    void FStart(int32_t hertz) { fStart_ = hertz; }
    int32_t FEnd() const override { return fEnd_; }
    void FEnd(int32_t hertz) { fEnd_ = hertz; }
    int32_t FOffset() const { return fOffset_; }
    void SetFOffset(int32_t hertz) override { fOffset_ = hertz; }
    bool ReverseSpectrum() const { return reverseSpectrum_; }
    void SetReverseSpectrum(bool reverse) override { reverseSpectrum_ = reverse; }
    bool IQMode() const { return iqMode_; }
    void SetIQMode(bool on) override { iqMode_ = on; }
    void LoadSamples_S(std::span<const float> Y1, std::span<const float> Y2) override;
    void LoadFilterCoeffs_T_S(std::span<const float> Coeffs) override;

    // Properties.
    float HzPerBin() const { return hzPerBin_; }
    void HzPerBin(float hertz) { hzPerBin_ = hertz; }
    int32_t FrameRate() const { return frameRate_; }
    void FrameRate(int32_t divider) { frameRate_ = divider; }
    int32_t SpectrumSmooth() const { return spectrumSmooth_; }
    void SpectrumSmooth(int32_t frames);   // also sets SmoothDivider
    int32_t YTextColour() const { return yTextColour_; }
    void YTextColour(int32_t colour) { yTextColour_ = colour; }
    int32_t XTextColour() const { return xTextColour_; }
    void XTextColour(int32_t colour) { xTextColour_ = colour; }
    int32_t FilterCurveColour() const { return filterCurveColour_; }
    void FilterCurveColour(int32_t colour) { filterCurveColour_ = colour; }
    int32_t NotchFilterColour() const { return notchFilterColour_; }
    void NotchFilterColour(int32_t colour) { notchFilterColour_ = colour; }
    int32_t GraticuleColour() const { return graticuleColour_; }
    void GraticuleColour(int32_t colour) { graticuleColour_ = colour; }
    int32_t ScopeBackColour() const { return scopeBackColour_; }
    void ScopeBackColour(int32_t colour) { scopeBackColour_ = colour; }
    bool HideFreqToolTip() const { return hideFreqToolTip_; }
    void HideFreqToolTip(bool hide) { hideFreqToolTip_ = hide; }
    int32_t Y2BaseColour() const { return y2BaseColour_; }
    void Y2BaseColour(int32_t colour) { y2BaseColour_ = colour; }
    int32_t Y1BaseColour() const { return y1BaseColour_; }
    void Y1BaseColour(int32_t colour) { y1BaseColour_ = colour; }
    // Channel 0 or 1's trace colour: its base colour at level per cent.
    void SetChannelBrightness(int16_t Channel, int16_t level);

    // Per-mode properties: the record of the current mode.
    bool LogMode() const { return Record().LogMode; }
    void LogMode(bool on) { Record().LogMode = on; }
    bool FastMode() const { return Record().FastMode; }
    void FastMode(bool on) { Record().FastMode = on; }
    bool Chn1Trig() const { return Record().Chn1Trig; }
    void Chn1Trig(bool on) { Record().Chn1Trig = on; }
    bool Chn2Trig() const { return Record().Chn2Trig; }
    void Chn2Trig(bool on) { Record().Chn2Trig = on; }
    bool Chn1Enabled() const { return Record().Chn1Enabled; }
    void Chn1Enabled(bool on) { Record().Chn1Enabled = on; }
    bool Chn2Enabled() const { return Record().Chn2Enabled; }
    void Chn2Enabled(bool on) { Record().Chn2Enabled = on; }
    float Chn1Gain() const { return Record().Chn1Gain; }
    void Chn1Gain(float gain);             // 0 is kept as 1E-6
    float Chn2Gain() const { return Record().Chn2Gain; }
    void Chn2Gain(float gain);
    int16_t TriggerChn() const { return Record().TriggerChn; }
    void TriggerChn(int16_t channel);      // 1 or 2 triggers on that channel, else none
    float Chn1Shift() const { return Record().Chn1Shift; }
    void Chn1Shift(float shift);           // also sets the offset in Y units
    float Chn2Shift() const { return Record().Chn2Shift; }
    void Chn2Shift(float shift);
    float YScaleMax() const;               // logarithmic or linear by LogMode
    void YScaleMax(float value);           // linear scale only
    float YScaleMin() const;
    void YScaleMin(float value);
    float YScaleRange() const;
    int32_t Mode() const { return mode_; }
    void Mode(int32_t mode);               // selects the mode and sets the axes up again
    bool ShowNotch() const { return showNotch_; }
    void ShowNotch(bool on) { showNotch_ = on; }
    bool ShowFilter() const { return showFilter_; }
    void ShowFilter(bool on) { showFilter_ = on; }
    const ModeScaleRecord& ModeSettings(int32_t mode) const { return modeSettings_.at(static_cast<size_t>(mode)); }

    // The two picture boxes drawn into in turn.
    void picDisplay0(PictureBox* PicSpectrum) { picDisplay0_ = PicSpectrum; }
    void picDisplay1(PictureBox* PicSpectrum) { picDisplay1_ = PicSpectrum; }

    // Sizing, intake and the display cycle (clsSpectrumAnalyser_Display.cpp).
    int32_t init();
    int32_t LoadSamples_INT16(std::span<const int16_t> Y1, std::span<const int16_t> Y2);
    int32_t LoadFilterCoeffs_F_S(std::span<const float> Coeffs);
    int32_t Display();
    int32_t Display_I16(std::span<const int16_t> Y1, std::span<const int16_t> Y2);
    int32_t DisplayFrozen();
    int32_t Display_S(std::span<const float> Y2);   // channel 1 always from Y1Samples
    int32_t DrawSpectrum(PictureBox& pic);

    // Read-only views for the owner and for tests.
    std::span<const float> Y1Display() const { return y1Display_; }
    std::span<const float> Y2Display() const { return y2Display_; }
    std::span<const float> FilterCurveLin() const { return filterCurveLin_; }
    std::span<const float> FilterCurveLog() const { return filterCurveLog_; }
    bool DrawOnDisplay1() const { return drawOnDisplay1_; }

    // The frequency in hertz at X (in the boxes' units) on the scale the frequency labels
    // show, for the bins shown and their orientation.
    double FrequencyAt(double X) const;

    void SaveSettings() const;

private:
    // The current mode's record; a mode outside 0..2 uses the nearest one.
    int32_t ModeInUse() const;
    ModeScaleRecord& Record() { return modeSettings_[static_cast<size_t>(ModeInUse())]; }
    const ModeScaleRecord& Record() const { return modeSettings_[static_cast<size_t>(ModeInUse())]; }

    void SetDefaultScales();
    void RestoreSettings();
    void RestoreModeSettings(int32_t mode);
    void SaveModeSettings(int32_t mode) const;

    void LoadInt16(std::span<const int16_t> Y1, std::span<const int16_t> Y2);
    void PrepareSpectrum(std::span<const float> Y2);
    void PrepareTwoSidedSpectrum(std::span<const float> Y2);
    void PrepareScope(std::span<const float> Y2);
    void PowerOf(std::span<const float> samples, float* power);
    void Redraw();
    int32_t SetupAxes();
    void SetScale(PictureBox& pic);
    void CopyPicture(const PictureBox& from, PictureBox& to);

    // Graticule (clsSpectrumAnalyser_Graticule.cpp).
    int32_t DrawGraticule(PictureBox& pic);
    void DrawDecibelLabels(PictureBox& pic);
    void DrawFrequencyLabels(PictureBox& pic);
    double FrequencyProbe() const;
    double FrequencyRowY(const PictureBox& pic, double labelHeight) const;
    QRectF FrequencyRowPixels(PictureBox& pic);
    int FrequencyLabelInterval(const PictureBox& pic, double y, size_t count) const;
    double LabelFrequency(int32_t bin) const;
    // A label's text, formatted again only when its value or picture changed, and its size
    // in the boxes' units, measured again also after the axes were set up.
    struct LabelText
    {
        double value = std::numeric_limits<double>::quiet_NaN();
        const char* picture = nullptr;
        QString text;
        bool measured = false;
        double width = 0;
        double height = 0;
    };
    static const QString& Text(LabelText& label, double value, const char* picture);
    static const LabelText& Measured(PictureBox& pic, LabelText& label, double value, const char* picture);

    // Traces (clsSpectrumAnalyser_Traces.cpp).
    int32_t SamplesAvailable() const;
    void SmoothChannel(float* display, std::vector<float>& history);
    void OffsetAndGain(float* display, float gain, float offset);
    void DrawSpectrumTraces(PictureBox& pic);
    void DrawSpectrumChannel(PictureBox& pic, float* display, float gain, float offset, int32_t colour);
    void DrawFilterCurve(PictureBox& pic);
    void DrawPassband(PictureBox& pic);
    void DrawNotch(PictureBox& pic);
    void DrawScopeTraces(PictureBox& pic);
    void DrawPhaseTrace(PictureBox& pic);
    void ShownBins(int32_t& from, int32_t& to) const;

    bool active_ = false;
    int32_t fStart_ = 0;
    int32_t fEnd_ = 0;
    int32_t fOffset_ = 0;
    bool reverseSpectrum_ = false;

    bool initialising_ = true;
    std::array<ModeScaleRecord, ModeCount> modeSettings_{};
    PictureBox* picDisplay0_ = nullptr;
    PictureBox* picDisplay1_ = nullptr;
    bool showNotch_ = false;
    bool showFilter_ = false;
    int32_t mode_ = 0;
    int32_t y1BaseColour_ = 0xFF00;
    int32_t y2BaseColour_ = 0xFFFF;
    bool hideFreqToolTip_ = false;
    int32_t scopeBackColour_ = 0;
    int32_t graticuleColour_ = 0x7F00;
    int32_t notchFilterColour_ = 0xC0FF60;
    int32_t filterCurveColour_ = 192;
    int32_t xTextColour_ = 0xFFFF00;
    int32_t yTextColour_ = 0xFF7F00;
    int32_t spectrumSmooth_ = 8;
    int32_t frameRate_ = 1;
    bool iqMode_ = false;
    float hzPerBin_ = 0;

    std::unique_ptr<clsFFTReal> SpectrumFFT;
    std::vector<float> y1Samples_, y2Samples_;
    std::vector<float> fftRe_, fftIm_;
    std::vector<float> y1Display_, y2Display_;
    std::vector<float> filterCurveLin_, filterCurveLog_;
    std::vector<float> iqPower_;
    std::vector<float> filterTaps_ = std::vector<float>(FilterTapCount);
    std::vector<float> smoothHistory1_ = std::vector<float>(SmoothHistorySize);
    std::vector<float> smoothHistory2_ = std::vector<float>(SmoothHistorySize);
    bool drawOnDisplay1_ = false;

    bool displayBusy_ = false;
    bool displaySBusy_ = false;
    bool setupAxesBusy_ = false;

    // Drawing positions kept from one frame to the next: a step that cannot be computed
    // (a zero width) keeps the previous one.
    double xStep_ = 0;
    double passbandLeft_ = 0;
    double passbandWidth_ = 0;
    double notchX_ = 0;
    float labelHeight_ = 0;
    float labelWidth_ = 0;
    std::array<LabelText, 16> decibelLabels_{};
    std::array<LabelText, 13> frequencyLabels_{};
    std::array<double, 13> frequencyLabelLeft_{};   // where each frequency would be printed
    std::array<LabelText, 4> measuredTexts_{};   // the texts the label size is taken from
};
