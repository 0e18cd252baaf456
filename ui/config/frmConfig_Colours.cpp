// The colour swatches: picking, the two sets of defaults, the preview while a button is
// held, and colour theme files (INI files with one section "SDRColours").
#include "ui/config/frmConfig.h"

#include "core/Numeric.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "core/clsComDlg.h"
#include "core/TryStep.h"
#include "core/modIniFiles.h"
#include "platform/AppPaths.h"
#include "platform/FileDialogs.h"
#include "ui/common/Shape.h"
#include "ui/main/frmMain.h"

#include <QCheckBox>
#include <QFileInfo>

#include <utility>

namespace {

constexpr const char* ThemeSection = "SDRColours";
constexpr int32_t Cyan = 0xFFFF00;

// The theme file's colour keys in the order written and read, each the name of its swatch.
constexpr std::array<std::pair<const char*, frmConfig::Swatch>, 15> ThemeKeys{{
    {"shpSDRBackGroundColour", frmConfig::SDRBackGround},
    {"shpSDRFrameFocusColour", frmConfig::SDRFrameFocus},
    {"shpSDRFrameNormalColour", frmConfig::SDRFrameNormal},
    {"shpSDRLabelColour", frmConfig::SDRLabel},
    {"shpSDRTuningColour", frmConfig::SDRTuning},
    {"shpNormalScrollLabelColour", frmConfig::NormalScrollLabel},
    {"shpFocusScrollLabelColour", frmConfig::FocusScrollLabel},
    {"shpScopeBackColour", frmConfig::ScopeBack},
    {"shpScopeGraticuleColour", frmConfig::ScopeGraticule},
    {"shpScopeY1Colour", frmConfig::ScopeY1},
    {"shpScopeY2Colour", frmConfig::ScopeY2},
    {"shpScopeNotchFilterColour", frmConfig::ScopeNotchFilter},
    {"shpScopeFilterCurveColour", frmConfig::ScopeFilterCurve},
    {"shpScopeXTextColour", frmConfig::ScopeXText},
    {"shpScopeYTextColour", frmConfig::ScopeYText},
}};

// Colours of the scope swatches both Defaults buttons set.
constexpr std::array<std::pair<frmConfig::Swatch, int32_t>, 8> ScopeDefaults{{
    {frmConfig::ScopeBack, 0},
    {frmConfig::ScopeGraticule, 0x7F00},
    {frmConfig::ScopeY1, 0xFF00},
    {frmConfig::ScopeY2, 0xFFFF},
    {frmConfig::ScopeFilterCurve, 0xC0},
    {frmConfig::ScopeNotchFilter, 0xC0FF60},
    {frmConfig::ScopeXText, 0xFFFF00},
    {frmConfig::ScopeYText, 0xFF7F00},
}};

FileDialogs::FileRequest ThemeRequest(QWidget* owner, const char* title, FileDialogs::Mode mode)
{
    FileDialogs::FileRequest request;
    request.mode = mode;
    request.owner = owner;
    request.title = title;
    request.initialFolder = AppPaths::ProgramFolder();
    request.fileTypes = {{"SDR Colour Themes (*.thm)", "*.thm"}};
    request.defaultExtension = "thm";
    request.fileMustExist = mode == FileDialogs::Mode::Open;
    request.overwritePrompt = mode == FileDialogs::Mode::Save;
    return request;
}

} // namespace

int32_t frmConfig::SwatchColour(enum Swatch which) const
{
    return static_cast<int32_t>(swatches_[which]->BackColor());
}

void frmConfig::SetSwatchColour(enum Swatch which, int32_t colour)
{
    swatches_[which]->SetBackColor(static_cast<uint32_t>(colour));
}

void frmConfig::PickColour(Shape* swatch)
{
    const int32_t chosen = ComDlg().SelectColour(this, static_cast<int32_t>(swatch->BackColor()), true);
    if (chosen != -1)
        swatch->SetBackColor(static_cast<uint32_t>(chosen));
}

void frmConfig::cmdSDRControlDefaults_Click()
{
    const int32_t dimCyan = PublicFuncs::ScaleColour(Cyan, 75);
    SetSwatchColour(SDRBackGround, 0);
    SetSwatchColour(SDRFrameFocus, Cyan);
    SetSwatchColour(SDRFrameNormal, dimCyan);
    SetSwatchColour(SDRLabel, dimCyan);
    SetSwatchColour(SDRTuning, 0xFF);
    SetSwatchColour(NormalScrollLabel, dimCyan);
    SetSwatchColour(FocusScrollLabel, 0xFF);
    for (const auto& [which, colour] : ScopeDefaults)
        SetSwatchColour(which, colour);
    chkScollLabelHiliteBorder->setChecked(false);
    chkShowClock->setChecked(true);
}

void frmConfig::cmdScopeDefaults_Click()
{
    for (const auto& [which, colour] : ScopeDefaults)
        SetSwatchColour(which, colour);
    SetSwatchColour(ControlFocused, 0xFF);
    SetSwatchColour(ControlNormal, 0xC0C000);
}

// Colours in the order of SavedColours: the seven of the scheme, one unused, the scope's eight.
std::array<int32_t, 16> frmConfig::SwatchColours() const
{
    return {SwatchColour(SDRBackGround), SwatchColour(SDRLabel), SwatchColour(SDRTuning),
            SwatchColour(SDRFrameNormal), SwatchColour(SDRFrameFocus), SwatchColour(NormalScrollLabel),
            SwatchColour(FocusScrollLabel), 0, SwatchColour(ScopeBack), SwatchColour(ScopeGraticule),
            SwatchColour(ScopeY1), SwatchColour(ScopeY2), SwatchColour(ScopeFilterCurve),
            SwatchColour(ScopeNotchFilter), SwatchColour(ScopeXText), SwatchColour(ScopeYText)};
}

void frmConfig::PutColours(const std::array<int32_t, 16>& colours)
{
    const std::array<enum Swatch, 16> order{SDRBackGround, SDRLabel, SDRTuning, SDRFrameNormal, SDRFrameFocus,
                                            NormalScrollLabel, FocusScrollLabel, SwatchCount, ScopeBack,
                                            ScopeGraticule, ScopeY1, ScopeY2, ScopeFilterCurve, ScopeNotchFilter,
                                            ScopeXText, ScopeYText};
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] != SwatchCount)
            SetSwatchColour(order[i], colours[i]);
}

// The display's colours from a list ordered as SavedColours; its control colours are the
// value labels' (5 and 6). The traces take their new base colours.
void frmConfig::PutAnalyserColours(const std::array<int32_t, 16>& c)
{
    const auto& analyser = main_.SpectrumAnalyser;
    if (!analyser)
        return;
    analyser->ScopeBackColour(c[8]);
    analyser->GraticuleColour(c[9]);
    analyser->Y1BaseColour(c[10]);
    analyser->Y2BaseColour(c[11]);
    analyser->ControlColourFocused = c[6];
    analyser->ControlColourNormal = c[5];
    analyser->NotchFilterColour(c[13]);
    analyser->FilterCurveColour(c[12]);
    analyser->XTextColour(c[14]);
    analyser->YTextColour(c[15]);
    TryStep([&analyser] { analyser->SetChannelBrightness(0, 100); });
    TryStep([&analyser] { analyser->SetChannelBrightness(1, 100); });
}

// Shows colours on the main window and the display without applying anything else.
void frmConfig::ShowLiveColours(const std::array<int32_t, 16>& c)
{
    PublicVars::SDRColourSchemes = {c[0], c[1], c[4], c[3], c[2], c[5], c[6]};
    PutAnalyserColours(c);
    main_.ApplyColourScheme();
}

void frmConfig::cmdSDRPreviewColours_MouseDown() { ShowLiveColours(SwatchColours()); }

// The live colours of the moment the window loaded come back; the swatches keep their edits.
void frmConfig::cmdSDRPreviewColours_MouseUp() { ShowLiveColours(SavedColours); }

// The swatches take the file's colours, the file read once; a key that is missing or holds
// no number leaves its swatch as it was. Nothing is applied.
void frmConfig::cmdSDRColoursLoad_Click()
{
    const FileDialogs::FileResult result =
        FileDialogs::ShowFile(ThemeRequest(this, "Load SDr Colour Theme Filename", FileDialogs::Mode::Open));
    if (!result.chosen || result.path.empty())
        return;
    const std::optional<IniText> theme = modIniFiles::LoadINI(result.path);
    if (!theme)
        return;
    themeName_ = modIniFiles::ReadINI(*theme, ThemeSection, "Name", "Active");
    for (const auto& [key, which] : ThemeKeys) {
        const std::string current = std::to_string(SwatchColour(which));
        TryStep([&, which = which, key = key] {
            SetSwatchColour(which, Numeric::CLng(modIniFiles::ReadINI(*theme, ThemeSection, key, current)));
        });
    }
}

// Writes the name and every colour key in one replacement of the file; its other sections
// and keys stay.
void frmConfig::cmdSDRColoursSave_Click()
{
    const FileDialogs::FileResult result =
        FileDialogs::ShowFile(ThemeRequest(this, "Save SDr Colour Theme Filename", FileDialogs::Mode::Save));
    if (!result.chosen || result.path.empty())
        return;
    std::string path = result.path;
    if (QFileInfo(QString::fromStdString(path)).suffix().isEmpty())
        path += ".thm";   // a theme is always found again by its extension
    const size_t slash = path.find_last_of('/');
    IniText::KeyValues keys{{"Name", slash == std::string::npos ? path : path.substr(slash + 1)}};
    for (const auto& [key, which] : ThemeKeys)
        keys.emplace_back(key, std::to_string(SwatchColour(which)));
    modIniFiles::WriteINIKeys(ThemeSection, keys, path);
}
