#include "radio/RXDefinitions.h"

#include "core/Globals.h"
#include "core/frmLog.h"

namespace RXDefinitions {

namespace {

bool filled = false;

// A row with the defaults every model shares.
RXModelRecord CommonRow(const std::string& name, int32_t chip, const std::string& chipName, int32_t loOffset,
                        int32_t clock, int32_t oscMultiplier, int32_t pllMultiplier, bool iqMode,
                        int32_t interfaceType)
{
    RXModelRecord row;
    row.Name = name;
    row.DDSChip = chip;
    row.DDSChipName = chipName;
    row.LOOffset = loOffset;
    row.DDSClock = clock;
    row.OscMultiplier = oscMultiplier;
    row.PLLMultiplier = pllMultiplier;
    row.IQMode = iqMode;
    row.DDSInterfaceType = interfaceType;
    row.TunedFrequency = 10000000;
    row.TuneStep = 100;
    row.RXMinFreq = 10000;
    row.RXMaxFreq = 30000000;
    row.IOUPDBitNo = 2;
    row.SCLCKBitNo = 1;
    row.SDATABitNo = 0;
    row.XtalFrequency = -1;
    row.VFOControl = true;
    return row;
}

// A crystal-controlled IQ receiver tuned in software: its quadrature mixer runs at a
// quarter of the crystal, and the default tuned frequency lands on the audio IF centre.
RXModelRecord CrystalRow(const std::string& name, int32_t xtalFrequency)
{
    RXModelRecord row = CommonRow(name, DDSChipCode::SoftDDS, "SoftDDS", IFCentreHz, 48000, 4, 1, true,
                                  DDSInterfaceCode::None);
    row.XtalFrequency = xtalFrequency;
    row.VFOControl = false;
    row.TunedFrequency = 10 * (xtalFrequency / 4 - row.LOOffset);
    return row;
}

std::vector<RXModelRecord> BuildRows()
{
    using namespace DDSChipCode;
    using namespace DDSInterfaceCode;
    const int32_t IF = IFCentreHz;
    std::vector<RXModelRecord> rows;

    rows.push_back(CommonRow("Vantrel RAV1", AD9951, "AD9951", 45000000, 360096000, 1, 1, false, Serial));
    rows.back().Inverting = true;

    rows.push_back(CommonRow("Elektor DRM - Teluro", AD9835, "AD9835", 455000, 50000000, 1, 1, false, Serial));
    rows.back().Inverting = true;
    rows.back().LowSideLOOption = true;

    rows.push_back(CommonRow("IQ,AD9850 DDS", AD9850, "AD9850", IF, 100000000, 4, 1, true, Parallel));
    rows.push_back(CommonRow("IQ,AD9851 DDS", AD9851, "AD9851", IF, 180000000, 4, 1, true, Parallel));
    rows.push_back(CrystalRow("IQ,Crystal Controlled", 12340000));

    rows.push_back(CommonRow("IQ,AD9835 DDS", AD9835, "AD9835", IF, 50000000, 1, 2, true, Serial));
    rows.back().Inverting = true;
    rows.back().TunedFrequency = 7083000;

    rows.push_back(CrystalRow("FunkAmateur IQ-SDR4080-7076", 28304000));
    rows.push_back(CrystalRow("FunkAmateur IQ-SDR4080-3750", 15000000));
    rows.push_back(CrystalRow("FunkAmateur IQ-SDR4080-3500", 14000000));
    rows.push_back(CrystalRow("FunkAmateur IQ-SDR4080-3579", 14318000));
    rows.push_back(CrystalRow("FunkAmateur IQ-SDR4080-3686", 14747000));
    rows.push_back(CrystalRow("Soft Rock 160-1.845MHz", 7380000));
    rows.push_back(CrystalRow("Soft Rock 80-3.527MHz", 14108000));
    rows.push_back(CrystalRow("Soft Rock 40-7.055MHz", 28220000));
    rows.push_back(CrystalRow("Soft Rock 30-10.125MHz", 40500000));

    rows.push_back(CommonRow("NTI DRB 30", AD9951, "AD9951", 44998000, 360080000, 1, 1, false, Parallel));
    rows.back().IOUPDBitNo = 1;
    rows.back().SCLCKBitNo = 2;
    rows.back().SDATABitNo = 3;

    rows.push_back(CommonRow("IQ,AD9951 DDS", AD9951, "AD9951", IF, 300000000, 4, 1, true, Serial));

    rows.push_back(CommonRow("IQ,CY27EE16 Clock Gen", CY27EE16, "CY27EE16", IF, 300000000, 4, 1, true, Serial));
    rows.back().TunedFrequency = 3995000;
    rows.back().TuneStep = 1000;
    rows.back().RXMinFreq = 100000;

    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].Index = static_cast<int32_t>(i);
    return rows;
}

} // namespace

void Initialise()
{
    AddLog("RxDefinitions.Initialise:Start");
    RXModels = BuildRows();
    RXModelMaxIndex = static_cast<int32_t>(RXModels.size()) - 1;
    filled = true;
    AddLog("RxDefinitions.Initialise:End");
}

bool Filled() { return filled; }

} // namespace RXDefinitions
