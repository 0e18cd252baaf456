#include "core/PublicVars.h"

#include "core/PublicFuncs.h"

namespace PublicVars {

void SetColourSchemeDefaults()
{
    constexpr int32_t black = 0x000000, cyan = 0xFFFF00, red = 0x0000FF;
    SDRColourScheme& scheme = SDRColourSchemes;
    scheme.SDRBackgroundColour = black;
    scheme.SDRLabelColour = PublicFuncs::ScaleColour(cyan, 75);
    scheme.SDRFrameFocusColour = cyan;
    scheme.SDRFrameNormalColour = PublicFuncs::ScaleColour(scheme.SDRFrameFocusColour, 75);
    scheme.SDRTuningColour = red;
    scheme.ScrollableLabelNormalColour = PublicFuncs::ScaleColour(cyan, 75);
    scheme.ScrollableLabelFocusColour = red;
}

} // namespace PublicVars
