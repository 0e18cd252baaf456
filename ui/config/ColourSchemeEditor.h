#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class QCheckBox;
class QGridLayout;
class QPushButton;
class QString;
class Shape;
class clsSpectrumAnalyser;

// The configuration window's colours: the swatches of the main window's scheme and of the
// spectrum display, each picked by its button, the two sets of defaults, the preview while
// a button is held, and colour theme files (INI files with one section "SDRColours").
// The swatches are filled from the live colours when the window loads and reach the
// receiver only on Apply.
class ColourSchemeEditor : public QObject
{
    Q_OBJECT
public:
    // The colour swatches, in the order of their table.
    enum Swatch : int {
        SDRBackGround, SDRLabel, SDRTuning, SDRFrameNormal, SDRFrameFocus, NormalScrollLabel, FocusScrollLabel,
        ScopeBack, ScopeGraticule, ScopeXText, ScopeYText, ScopeY1, ScopeY2, ScopeFilterCurve, ScopeNotchFilter,
        ControlNormal, ControlFocused, SwatchCount
    };

    // The owner is the window the dialogs belong to. The display may be absent; showScheme
    // puts the scheme on the main window's controls; the control defaults tick showClock.
    ColourSchemeEditor(QWidget* owner, const std::unique_ptr<clsSpectrumAnalyser>& analyser,
                       std::function<void()> showScheme, QCheckBox* showClock);

    // Building: the display's control colours with their defaults, and the colours tab.
    void CreateControlColourFrame(QGridLayout* grid, int row);
    void CreateColoursTab(QGridLayout* grid);

    // The live colours into the swatches, kept for the preview to return to.
    void LoadColourControls();
    // The scheme's seven swatches into the live scheme; the display's into the display.
    void ApplyColourScheme();
    void ApplyAnalyserColours();

    void PickColour(Shape* swatch);
    void cmdSDRControlDefaults_Click();
    void cmdScopeDefaults_Click();
    void cmdSDRPreviewColours_MouseDown();
    void cmdSDRPreviewColours_MouseUp();
    void cmdSDRColoursLoad_Click();
    void cmdSDRColoursSave_Click();
    Shape* SwatchShape(enum Swatch which) const { return swatches_[which]; }
    int32_t SwatchColour(enum Swatch which) const;
    void SetSwatchColour(enum Swatch which, int32_t colour);

    QPushButton* cmdScopeDefaults = nullptr;
    QCheckBox* chkScollLabelHiliteBorder = nullptr;
    QPushButton* cmdSDRColoursLoad = nullptr;
    QPushButton* cmdSDRColoursSave = nullptr;
    QPushButton* cmdSDRPreviewColours = nullptr;
    QPushButton* cmdSDRControlDefaults = nullptr;

protected:
    // Preview shows the swatches while any mouse button holds the button down.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateSwatchFrame(QGridLayout* grid, int row, int column, const QString& caption,
                           std::initializer_list<enum Swatch> members);
    void PutColours(const std::array<int32_t, 16>& colours);
    void PutAnalyserColours(const std::array<int32_t, 16>& colours);
    void ShowLiveColours(const std::array<int32_t, 16>& colours);
    std::array<int32_t, 16> SwatchColours() const;

    QWidget* owner_;
    const std::unique_ptr<clsSpectrumAnalyser>& analyser_;
    std::function<void()> showScheme_;
    QCheckBox* showClock_;
    std::array<int32_t, 16> SavedColours{};
    std::array<Shape*, SwatchCount> swatches_{};
    std::string themeName_;   // the "Name" of the theme file loaded last
};
