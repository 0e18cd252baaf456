#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/common/ControlArray.h"

#include <cstdint>

class Dial;
class Frame;
class Image;
class Label;
class Line;
class PictureBox;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class Shape;
class Slider;

// The window size chosen by the display-size buttons (0 Comp, 1 Std, 2 Ext, 3 Full); the
// window's settings keep it under "DisplayMode".
inline int32_t DisplayMode = 2;
// While receiving, the window may run without its caption bar: its height then lacks
// TitleBarHeight (twips, taken at start-up), and FullWindowHeight is the height to return to.
inline bool TitleBarHidden = false;
inline int32_t TitleBarHeight = 0;
inline int32_t FullWindowHeight = 0;

// The scroll label under the pointer, which the wheel and keys act on: 0 none, 1 the
// frequency display, 16 the spectrum.
inline int16_t FocusedLabelID = 0;

// The controls of the receiver's front panel, each under the name the window's handlers
// use (a control array's element i is named name_i). The window builds them in
// frmMain_<area>.cpp, in horizontal bands from top to bottom; the display sizes cut the
// window off below one band or another.
struct FrontPanel
{
    // Band and presets, inside the frequency control.
    Frame* frPresets = nullptr;
    Image* imgBandSelect = nullptr;
    QComboBox* cboBandSelect = nullptr;
    QComboBox* cboSubBandSelect = nullptr;
    QListWidget* lstSubBandSelect = nullptr;
    Label* lblSubBand = nullptr;
    PictureBox* picSubBands = nullptr;
    ButtonArray optSubBand;
    PictureBox* picPresets = nullptr;
    ButtonArray optPreset;

    // Power.
    // Shown only at the smallest size, whose size buttons lie outside the window: back to Std.
    QPushButton* cmdMoreControls = nullptr;
    Frame* frPower = nullptr;
    ButtonArray optPwr;

    // Receive controls.
    Frame* frDemod = nullptr;
    ButtonArray optMode;
    Frame* frFilters = nullptr;
    ButtonArray optFilter;
    QCheckBox* chkDynFilter = nullptr;
    QCheckBox* chkMusic = nullptr;
    ControlArray<Slider> sldBW;
    Label* lblFloDesc = nullptr;
    Label* lblFLo = nullptr;
    Label* lblFHiDesc = nullptr;
    Label* lblFHi = nullptr;
    Label* lblFilterLo = nullptr;
    Label* lblFilterHi = nullptr;
    Frame* frIFFilter = nullptr;
    QCheckBox* chkIFFilter = nullptr;
    ButtonArray optIFFilter;
    Label* lblIFHiDesc = nullptr;
    Label* lblIFHi = nullptr;
    Label* lblIFLoDesc = nullptr;
    Label* lblIFLo = nullptr;
    Frame* frNotch = nullptr;
    QCheckBox* chkNotchOn = nullptr;
    QCheckBox* chkNotchAuto = nullptr;
    QCheckBox* chkNotchMirror = nullptr;
    QCheckBox* chkNotchType = nullptr;
    ButtonArray optNotch;
    Label* lblNotchCDesc = nullptr;
    Label* lblNotchC = nullptr;
    Label* lblNotchWDesc = nullptr;
    Label* lblNotchW = nullptr;
    Slider* sldNotch = nullptr;
    Slider* sldNotchWidth = nullptr;
    Label* lblNotch = nullptr;
    Label* lblNotchWidth = nullptr;
    Frame* frAGC = nullptr;
    QCheckBox* chkAGC = nullptr;
    ButtonArray optAGC;
    Slider* sldAGCAttack = nullptr;
    Slider* sldAGCDecay = nullptr;
    Label* lblAGCAttack = nullptr;
    Label* lblAGCDecay = nullptr;
    Frame* frNB = nullptr;
    QCheckBox* chkNB = nullptr;
    Dial* dialNB = nullptr;
    Slider* sldNB = nullptr;
    Label* lblNB = nullptr;
    Frame* frAFOut = nullptr;
    QCheckBox* chkMute = nullptr;
    Dial* dialOutVol = nullptr;
    Slider* sldOutVolume = nullptr;
    Label* lblOutVol = nullptr;
    QCheckBox* chkTuneLo = nullptr;
    QCheckBox* chkIQSelectUpper = nullptr;
    QCheckBox* chkFlipIQ = nullptr;
    Slider* sldBalance = nullptr;
    Slider* sldPhaseAngle = nullptr;
    Slider* sldPwm = nullptr;
    Frame* frDispMode = nullptr;
    ButtonArray optDisplaySize;

    // Spectrum display and its controls.
    PictureBox* picScopeContainer = nullptr;
    Image* imgAreaScope = nullptr;
    ControlArray<PictureBox> picScope;
    ControlArray<Label> lblSpectrumFreq;
    QCheckBox* chkSpectrumAnalyser = nullptr;
    PictureBox* picScopeCtls = nullptr;
    Frame* frScopeMode = nullptr;
    ButtonArray chkScopeMode;
    ButtonArray optSpectrumSource;
    Frame* frScopeChn1Ctl = nullptr;
    Frame* frScopeChn2Ctl = nullptr;
    QCheckBox* chkChn1On = nullptr;
    QCheckBox* chkChn2On = nullptr;
    ButtonArray chkTrigOn;   // elements 1 and 2
    ControlArray<Label> lblScopeCtl;
    Label* lblScopeChn1Gain = nullptr;
    Label* lblScopeChn1Shift = nullptr;
    Label* lblScopeChn2Gain = nullptr;
    Label* lblScopeChn2Shift = nullptr;
    Label* lblY1Bright = nullptr;
    Label* lblY2Bright = nullptr;
    Frame* frScopeSweep = nullptr;
    Label* lblScopeXWidth = nullptr;
    Label* lblScopeXCentre = nullptr;
    Slider* sldXWidth = nullptr;
    Slider* sldXCentre = nullptr;
    Frame* frScopeYMode = nullptr;
    QCheckBox* chkLog = nullptr;
    QCheckBox* chkSmoothSpectrum = nullptr;
    QCheckBox* chkSpectrumAutoGain = nullptr;
    Slider* sldSpectrumGain = nullptr;
    QCheckBox* chkScopeShowFilters = nullptr;
    Label* lblSpectrumSmooth = nullptr;
    Label* lblFrameRate = nullptr;

    // Recorder bar, configuration and version.
    PictureBox* picRecorder = nullptr;
    ButtonArray cmdWavCtls;
    PictureBox* picWavCtlsOffFocus = nullptr;
    QLineEdit* txtRecordFileName = nullptr;
    Frame* frRecordSampling = nullptr;
    ButtonArray optRecordSampleRate;
    Label* lblRecordMBytesPerHr = nullptr;
    Label* lblRecordTime = nullptr;
    Label* lblRecordSize = nullptr;
    Shape* shpLooping = nullptr;
    Frame* frRecordBitsPerSample = nullptr;
    ButtonArray optRecordSamplePerBit;
    QPushButton* cmdConfig = nullptr;
    Label* lblCLKINFreq = nullptr;
    Label* lblIFFreq = nullptr;
    Label* lblVer = nullptr;

    // The track panel: laid over the presets frame while a file is open.
    PictureBox* picRecorderTrackList = nullptr;
    QLineEdit* txtRecordingLogHeaders = nullptr;
    QListWidget* lstRecordingLogs = nullptr;

    // The display sizes' marker lines: each size's client area ends at one of them.
    Line* linCompact = nullptr;
    Line* linNormal = nullptr;
    Line* linExtended = nullptr;
    Line* linConfig = nullptr;
};
