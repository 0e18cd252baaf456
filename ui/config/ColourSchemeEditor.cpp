// The colour swatches: picking, the two sets of defaults, the preview while a button is
// held, and colour theme files.
#include "ui/config/ColourSchemeEditor.h"

#include "core/Numeric.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "core/clsComDlg.h"
#include "core/TryStep.h"
#include "core/modIniFiles.h"
#include "platform/AppPaths.h"
#include "platform/FileDialogs.h"
#include "ui/common/Shape.h"
#include "ui/config/ConfigControls.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

#include <utility>

using ConfigControls::Button;
using ConfigControls::Check;
using ConfigControls::Named;

namespace {

constexpr const char* ThemeSection = "SDRColours";
constexpr int32_t Cyan = 0xFFFF00;

// The theme file's colour keys in the order written and read, each the name of its swatch.
constexpr std::array<std::pair<const char*, ColourSchemeEditor::Swatch>, 15> ThemeKeys{{
    {"shpSDRBackGroundColour", ColourSchemeEditor::SDRBackGround},
    {"shpSDRFrameFocusColour", ColourSchemeEditor::SDRFrameFocus},
    {"shpSDRFrameNormalColour", ColourSchemeEditor::SDRFrameNormal},
    {"shpSDRLabelColour", ColourSchemeEditor::SDRLabel},
    {"shpSDRTuningColour", ColourSchemeEditor::SDRTuning},
    {"shpNormalScrollLabelColour", ColourSchemeEditor::NormalScrollLabel},
    {"shpFocusScrollLabelColour", ColourSchemeEditor::FocusScrollLabel},
    {"shpScopeBackColour", ColourSchemeEditor::ScopeBack},
    {"shpScopeGraticuleColour", ColourSchemeEditor::ScopeGraticule},
    {"shpScopeY1Colour", ColourSchemeEditor::ScopeY1},
    {"shpScopeY2Colour", ColourSchemeEditor::ScopeY2},
    {"shpScopeNotchFilterColour", ColourSchemeEditor::ScopeNotchFilter},
    {"shpScopeFilterCurveColour", ColourSchemeEditor::ScopeFilterCurve},
    {"shpScopeXTextColour", ColourSchemeEditor::ScopeXText},
    {"shpScopeYTextColour", ColourSchemeEditor::ScopeYText},
}};

// Colours of the scope swatches both Defaults buttons set.
constexpr std::array<std::pair<ColourSchemeEditor::Swatch, int32_t>, 8> ScopeDefaults{{
    {ColourSchemeEditor::ScopeBack, 0},
    {ColourSchemeEditor::ScopeGraticule, 0x7F00},
    {ColourSchemeEditor::ScopeY1, 0xFF00},
    {ColourSchemeEditor::ScopeY2, 0xFFFF},
    {ColourSchemeEditor::ScopeFilterCurve, 0xC0},
    {ColourSchemeEditor::ScopeNotchFilter, 0xC0FF60},
    {ColourSchemeEditor::ScopeXText, 0xFFFF00},
    {ColourSchemeEditor::ScopeYText, 0xFF7F00},
}};

struct SwatchText
{
    const char* shape;
    const char* button;
    const char* caption;
};

constexpr std::array<SwatchText, ColourSchemeEditor::SwatchCount> Swatches{{
    {"shpSDRBackGroundColour", "cmdSDrBackGroundColour", "Backgrnd"},
    {"shpSDRLabelColour", "cmdSDrLabelColour", "Labels"},
    {"shpSDRTuningColour", "cmdSDRTuningColour", "Tuning"},
    {"shpSDRFrameNormalColour", "cmdSDRFrameNormalColour", "Normal"},
    {"shpSDRFrameFocusColour", "cmdSDRFrameFocusColour", "Focused"},
    {"shpNormalScrollLabelColour", "cmdNormalScrollLabelColour", "Normal"},
    {"shpFocusScrollLabelColour", "cmdFocusScrollLabelColour", "Focused"},
    {"shpScopeBackColour", "cmdScopeColour", "Scope"},
    {"shpScopeGraticuleColour", "cmdScopeGraticule", "Graticule"},
    {"shpScopeXTextColour", "cmdScopeXTextColour", "X-Text"},
    {"shpScopeYTextColour", "cmdScopeYTextColour", "Y-Text"},
    {"shpScopeY1Colour", "cmdScopeY1Colour", "Y1"},
    {"shpScopeY2Colour", "cmdScopeY2Colour", "Y2"},
    {"shpScopeFilterCurveColour", "cmdScopeFilterCurveColour", "Filtr Curv"},
    {"shpScopeNotchFilterColour", "cmdScopeNotchFilterColour", "Notch Filtr"},
    {"shpControlNormalColour", "cmdScopeControlNormalColour", "Normal"},
    {"shpControlFocusedColour", "cmdScopeControlFocusedColour", "Focused"},
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

ColourSchemeEditor::ColourSchemeEditor(QWidget* owner, const std::unique_ptr<clsSpectrumAnalyser>& analyser,
                                       std::function<void()> showScheme, QCheckBox* showClock)
    : QObject(owner), owner_(owner), analyser_(analyser), showScheme_(std::move(showScheme)), showClock_(showClock)
{
}

void ColourSchemeEditor::CreateSwatchFrame(QGridLayout* grid, int row, int column, const QString& caption,
                                           std::initializer_list<enum Swatch> members)
{
    auto* frame = new QGroupBox(caption, grid->parentWidget());
    frame->setObjectName("fr" + QString(caption).remove(' '));
    auto* rows = new QGridLayout(frame);
    int r = 0;
    for (enum Swatch which : members) {
        const SwatchText& text = Swatches[static_cast<size_t>(which)];
        auto* swatch = Named(new Shape(frame), text.shape);
        swatch->SetBackStyle(1);
        swatch->setFixedSize(36, 18);
        swatches_[which] = swatch;
        auto* button = Button(frame, text.button, text.caption);
        connect(button, &QPushButton::clicked, this, [this, swatch] { PickColour(swatch); });
        rows->addWidget(swatch, r, 0);
        rows->addWidget(button, r++, 1);
    }
    rows->setRowStretch(r, 1);
    grid->addWidget(frame, row, column);
}

void ColourSchemeEditor::CreateControlColourFrame(QGridLayout* grid, int row)
{
    CreateSwatchFrame(grid, row, 0, "Control Colours", {ControlNormal, ControlFocused});
    cmdScopeDefaults = Button(grid->parentWidget(), "cmdScopeDefaults", "Defaults");
    grid->addWidget(cmdScopeDefaults, row + 1, 0, Qt::AlignLeft);
    connect(cmdScopeDefaults, &QPushButton::clicked, this, [this] { cmdScopeDefaults_Click(); });
}

void ColourSchemeEditor::CreateColoursTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    CreateSwatchFrame(grid, 0, 0, "SDR Colours", {SDRBackGround, SDRLabel, SDRTuning});
    CreateSwatchFrame(grid, 0, 1, "Frame Colours", {SDRFrameNormal, SDRFrameFocus});
    CreateSwatchFrame(grid, 0, 2, "Scroll Labels", {NormalScrollLabel, FocusScrollLabel});
    CreateSwatchFrame(grid, 1, 0, "Scope Colours", {ScopeBack, ScopeGraticule, ScopeXText, ScopeYText});
    CreateSwatchFrame(grid, 1, 1, "Trace Colours", {ScopeY1, ScopeY2, ScopeFilterCurve, ScopeNotchFilter});
    chkScollLabelHiliteBorder = Check(f, "chkScollLabelHiliteBorder", "  Hilite Border");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(chkScollLabelHiliteBorder);
    for (QPushButton* button : {cmdSDRColoursLoad = Button(f, "cmdSDRColoursLoad", "Load"),
                                cmdSDRColoursSave = Button(f, "cmdSDRColoursSave", "Save"),
                                cmdSDRPreviewColours = Button(f, "cmdSDRPreviewColours", "Preview"),
                                cmdSDRControlDefaults = Button(f, "cmdSDRControlDefaults", "Defaults")})
        buttons->addWidget(button);
    buttons->addStretch(1);
    grid->addLayout(buttons, 1, 2);
    connect(cmdSDRControlDefaults, &QPushButton::clicked, this, [this] { cmdSDRControlDefaults_Click(); });
    connect(cmdSDRColoursLoad, &QPushButton::clicked, this, [this] { cmdSDRColoursLoad_Click(); });
    connect(cmdSDRColoursSave, &QPushButton::clicked, this, [this] { cmdSDRColoursSave_Click(); });
    cmdSDRPreviewColours->installEventFilter(this);
}

// The live colours into the swatches, and kept for the preview to return to.
void ColourSchemeEditor::LoadColourControls()
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    SavedColours.fill(0);
    if (const auto& analyser = analyser_) {
        SavedColours[8] = analyser->ScopeBackColour();
        SavedColours[9] = analyser->GraticuleColour();
        SavedColours[10] = analyser->Y1BaseColour();
        SavedColours[11] = analyser->Y2BaseColour();
        SavedColours[12] = analyser->FilterCurveColour();
        SavedColours[13] = analyser->NotchFilterColour();
        SavedColours[14] = analyser->XTextColour();
        SavedColours[15] = analyser->YTextColour();
    }
    SavedColours[0] = scheme.SDRBackgroundColour;
    SavedColours[1] = scheme.SDRLabelColour;
    SavedColours[2] = scheme.SDRTuningColour;
    SavedColours[3] = scheme.SDRFrameNormalColour;
    SavedColours[4] = scheme.SDRFrameFocusColour;
    SavedColours[5] = scheme.ScrollableLabelNormalColour;
    SavedColours[6] = scheme.ScrollableLabelFocusColour;
    PutColours(SavedColours);
}

void ColourSchemeEditor::ApplyColourScheme()
{
    SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    scheme.SDRBackgroundColour = SwatchColour(SDRBackGround);
    scheme.SDRLabelColour = SwatchColour(SDRLabel);
    scheme.SDRTuningColour = SwatchColour(SDRTuning);
    scheme.ScrollableLabelNormalColour = SwatchColour(NormalScrollLabel);
    scheme.ScrollableLabelFocusColour = SwatchColour(FocusScrollLabel);
    scheme.SDRFrameNormalColour = SwatchColour(SDRFrameNormal);
    scheme.SDRFrameFocusColour = SwatchColour(SDRFrameFocus);
}

void ColourSchemeEditor::ApplyAnalyserColours() { PutAnalyserColours(SwatchColours()); }

bool ColourSchemeEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cmdSDRPreviewColours) {
        if (event->type() == QEvent::MouseButtonPress)
            cmdSDRPreviewColours_MouseDown();
        else if (event->type() == QEvent::MouseButtonRelease)
            cmdSDRPreviewColours_MouseUp();
    }
    return QObject::eventFilter(watched, event);
}

int32_t ColourSchemeEditor::SwatchColour(enum Swatch which) const
{
    return static_cast<int32_t>(swatches_[which]->BackColor());
}

void ColourSchemeEditor::SetSwatchColour(enum Swatch which, int32_t colour)
{
    swatches_[which]->SetBackColor(static_cast<uint32_t>(colour));
}

void ColourSchemeEditor::PickColour(Shape* swatch)
{
    const int32_t chosen = ComDlg().SelectColour(owner_, static_cast<int32_t>(swatch->BackColor()), true);
    if (chosen != -1)
        swatch->SetBackColor(static_cast<uint32_t>(chosen));
}

void ColourSchemeEditor::cmdSDRControlDefaults_Click()
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
    showClock_->setChecked(true);
}

void ColourSchemeEditor::cmdScopeDefaults_Click()
{
    for (const auto& [which, colour] : ScopeDefaults)
        SetSwatchColour(which, colour);
    SetSwatchColour(ControlFocused, 0xFF);
    SetSwatchColour(ControlNormal, 0xC0C000);
}

// Colours in the order of SavedColours: the seven of the scheme, one unused, the scope's eight.
std::array<int32_t, 16> ColourSchemeEditor::SwatchColours() const
{
    return {SwatchColour(SDRBackGround), SwatchColour(SDRLabel), SwatchColour(SDRTuning),
            SwatchColour(SDRFrameNormal), SwatchColour(SDRFrameFocus), SwatchColour(NormalScrollLabel),
            SwatchColour(FocusScrollLabel), 0, SwatchColour(ScopeBack), SwatchColour(ScopeGraticule),
            SwatchColour(ScopeY1), SwatchColour(ScopeY2), SwatchColour(ScopeFilterCurve),
            SwatchColour(ScopeNotchFilter), SwatchColour(ScopeXText), SwatchColour(ScopeYText)};
}

void ColourSchemeEditor::PutColours(const std::array<int32_t, 16>& colours)
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
void ColourSchemeEditor::PutAnalyserColours(const std::array<int32_t, 16>& c)
{
    const auto& analyser = analyser_;
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
void ColourSchemeEditor::ShowLiveColours(const std::array<int32_t, 16>& c)
{
    PublicVars::SDRColourSchemes = {c[0], c[1], c[4], c[3], c[2], c[5], c[6]};
    PutAnalyserColours(c);
    showScheme_();
}

void ColourSchemeEditor::cmdSDRPreviewColours_MouseDown() { ShowLiveColours(SwatchColours()); }

// The live colours of the moment the window loaded come back; the swatches keep their edits.
void ColourSchemeEditor::cmdSDRPreviewColours_MouseUp() { ShowLiveColours(SavedColours); }

// The swatches take the file's colours, the file read once; a key that is missing or holds
// no number leaves its swatch as it was. Nothing is applied.
void ColourSchemeEditor::cmdSDRColoursLoad_Click()
{
    const FileDialogs::FileResult result =
        FileDialogs::ShowFile(ThemeRequest(owner_, "Load SDr Colour Theme Filename", FileDialogs::Mode::Open));
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
void ColourSchemeEditor::cmdSDRColoursSave_Click()
{
    const FileDialogs::FileResult result =
        FileDialogs::ShowFile(ThemeRequest(owner_, "Save SDr Colour Theme Filename", FileDialogs::Mode::Save));
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
