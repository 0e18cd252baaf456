#include "radio/modSetupRX.h"

#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/RadioControls.h"

namespace modSetupRX {

namespace {

// Reads the model's keys; a missing key gives the row's default, and so does a value
// that does not convert, which is noted in the trace log: a bad settings file must not
// stop the receiver from starting.
class ModelSettingsReader
{
public:
    explicit ModelSettingsReader(const std::string& section) : section_(section) {}

    template <typename T, typename Convert>
    T Read(const char* key, T rowDefault, Convert convert) const
    {
        T value = rowDefault;
        Settings::RestoreSetting(section_, key, [&](const std::string& text) { value = convert(text); },
                                 "modSetupRx.SetRx");
        return value;
    }

private:
    const std::string& section_;
};

int32_t ToLong(const std::string& text) { return Numeric::CLng(text); }
bool ToBool(const std::string& text) { return Numeric::CBool(text); }
double ToDouble(const std::string& text) { return Numeric::CDbl(text); }
std::string ToText(const std::string& text) { return text; }

uint8_t ToByte(const std::string& text)
{
    const int32_t value = Numeric::CLng(text);
    if (value < 0 || value > 255)
        throw OverflowError();
    return static_cast<uint8_t>(value);
}

// Multipliers divide and clocks are divided by: 0 cannot stand for either.
int32_t ToNonZeroLong(const std::string& text)
{
    const int32_t value = Numeric::CLng(text);
    if (value == 0)
        throw RuntimeError(380, "Invalid property value: 0 is not allowed here");
    return value;
}

ModelValues ReadModelValues(const RXModelRecord& row)
{
    const ModelSettingsReader reader(Section);
    ModelValues values;
    values.LOOffset = reader.Read("LOOffset", row.LOOffset, ToLong);
    values.HiSideLo = reader.Read("HiSideLo", true, ToBool);
    values.AutoUpdate = reader.Read("AutoUpdate", false, ToBool);
    values.TunedFrequency = reader.Read("TunedFrequency", row.TunedFrequency, ToLong);
    values.TuneStep = reader.Read("TuneStep", row.TuneStep, ToLong);
    values.OscMultiplier = reader.Read("OscMultiplier", row.OscMultiplier, ToNonZeroLong);
    values.PLLMultiplier = reader.Read("PLLMultiplier", row.PLLMultiplier, ToNonZeroLong);
    values.CalibOffset = reader.Read("CalibOffset", int32_t{0}, ToLong);
    values.DDSInterfaceType = reader.Read("DDSInterfaceType", row.DDSInterfaceType, ToLong);
    values.DDSChip = reader.Read("DDSChip", row.DDSChip, ToLong);
    values.DDSClock = reader.Read("DDSClock", row.DDSClock, ToNonZeroLong);
    values.DDSChipName = reader.Read("DDSChipName", row.DDSChipName, ToText);
    values.XtalFrequency = reader.Read("XtalFrequency", row.XtalFrequency, ToLong);
    values.IQMode = reader.Read("IQMode", row.IQMode, ToBool);
    values.VFOControl = reader.Read("VFOControl", row.VFOControl, ToBool);
    values.LowSideLOOption = reader.Read("LowSideLOOption", row.LowSideLOOption, ToBool);
    values.IOUPDBitNo = reader.Read("IOUPDBitNo", row.IOUPDBitNo, ToByte);
    values.SCLCKBitNo = reader.Read("SCLCKBitNo", row.SCLCKBitNo, ToByte);
    values.SDATABitNo = reader.Read("SDATABitNo", row.SDATABitNo, ToByte);
    values.Inverting = reader.Read("Inverting", row.Inverting, ToBool);
    values.WaitTime = reader.Read("WaitTime", 0.000005, ToDouble);
    values.RXMaxFreq = reader.Read("RXMaxFreq", row.RXMaxFreq, ToLong);
    values.RXMinFreq = reader.Read("RXMinFreq", row.RXMinFreq, ToLong);
    if (values.XtalFrequency < 0)
        values.XtalFrequency = 0;
    return values;
}

void ChooseTransport(int32_t interfaceType)
{
    switch (interfaceType) {
    case DDSInterfaceCode::Serial:
        CurrentDDSInterface = DDSSerialIF;
        DDSInterfaceName = "DDSInterface.Serial";
        break;
    case DDSInterfaceCode::Parallel:
        CurrentDDSInterface = DDSParallelIF;
        DDSInterfaceName = "DDSInterface.Parallel";
        break;
    default:   // USB has no transport of its own
        CurrentDDSInterface = DDSNullIF;
        DDSInterfaceName = "DDSInterface.Null";
        break;
    }
}

void ChooseChip(int32_t chipCode)
{
    switch (chipCode) {
    case DDSChipCode::AD9835: CurrentChip = AD9835; break;
    case DDSChipCode::AD9850: CurrentChip = AD9850; break;
    case DDSChipCode::AD9851: CurrentChip = AD9851; break;
    case DDSChipCode::AD9951: CurrentChip = AD9951; break;
    case DDSChipCode::CY27EE16: CurrentChip = CY27EE16; break;
    case DDSChipCode::SoftDDS: CurrentChip = SoftDDS; break;
    default:
        MessageBoxes::MsgBox("Unknown DDSChip", MessageBoxes::vbOKOnly);
        CurrentChip = SoftDDS;
        break;
    }
}

// The model number to use: a number outside the table means model 0.
int32_t ValidModelNo(int32_t modelNo)
{
    if (modelNo >= 0 && modelNo <= RXDefinitions::RXModelMaxIndex)
        return modelNo;
    AddLog("modSetupRx.SetRx:Model " + std::to_string(modelNo) + " is not in the table, using model 0");
    return 0;
}

void RequireObjects()
{
    if (!VFO || !CurrentChip || !CurrentDDSInterface)
        throw RuntimeError(91,
                           "Object variable not set: the receiver objects were not created, so the receiver "
                           "cannot be set up; restart the program",
                           "modSetupRx.InitialiseRX");
}

// Everything but the tuned frequency, which waits until the driver holds its range.
void WireVFO()
{
    clsVFO& vfo = *VFO;
    vfo.Name(Section);
    vfo.OscType(CurrentChip);
    CurrentChip->Parent(&vfo);
    vfo.AutoUpdate(Model.AutoUpdate);
    vfo.CalibOffset(Model.CalibOffset);
    vfo.HiSideLo(Model.HiSideLo);
    vfo.IFFrequency(Model.LOOffset);
    vfo.OscMultiplier(Model.OscMultiplier);
    vfo.PLLMultiplier(Model.PLLMultiplier);
    vfo.TuneStep(Model.TuneStep);
    vfo.DDSInterfaceType(Model.DDSInterfaceType);
    vfo.RxMaxFreq(Model.RXMaxFreq);
    vfo.RXMinFreq(Model.RXMinFreq);
    vfo.AutoUpdate(false);
}

// The transport keeps its settings under the model's section; a stored wait time of its own
// overrides the model's when it initialises.
void WireTransportSettings()
{
    DDSInterface& transport = *CurrentDDSInterface;
    transport.Name(DDSInterfaceName);
    transport.RxName(VFO->Name());
    transport.WaitTime(Model.WaitTime);
}

void WireDriver()
{
    OscillatorChip& chip = *CurrentChip;
    chip.Name(DDSChipObjectName);
    chip.RxName(VFO->Name());
    chip.ClkIn(Model.DDSClock);
    chip.BaseFrequency(Model.XtalFrequency);
    chip.IFHandler(CurrentDDSInterface);
    WireTransportSettings();
}

// The transport's own box has told the user which device did not open and how to go on;
// one failure gets one box, so the set-up only traces it.
void TracePortNotOpened()
{
    SerialLines::OpenError error;
    if (DDSSerialIF->EventMode() && RadioControls::MSComm1)
        error = RadioControls::MSComm1->LastError();
    if (error.description.empty())
        error.description = "The serial device " + DDSSerialIF->DevicePath() + " did not open";
    AddLog("modSetupRx.InitialiseRX:Unable to open Serial Interface COM" +
           std::to_string(CurrentDDSInterface->PortNo()) + " Error Code=" + std::to_string(error.number) +
           " Error Desc=" + error.description);
}

// The model's wiring of the printer port; stored keys of the transport's own still
// override it when the transport initialises.
void WirePrinterPort()
{
    DDSParallelIF->IOUPDBitNo(Model.IOUPDBitNo);
    DDSParallelIF->SCLCKBitNo(Model.SCLCKBitNo);
    DDSParallelIF->SDATABitNo(Model.SDATABitNo);
    DDSParallelIF->Inverting(Model.Inverting);
}

// The printer port gets the model's bits; the serial transport opens the port through
// MSComm1, which reports the shaft encoder's line changes when EnableShaftEncoder holds.
void WirePort()
{
    if (CurrentDDSInterface == DDSParallelIF) {
        WirePrinterPort();
    } else if (CurrentDDSInterface == DDSSerialIF) {
        RadioControls::CreateMSComm1();
        CurrentDDSInterface->MSCommCtl(RadioControls::MSComm1);
    }
}

void InitialiseTransport()
{
    WirePort();
    CurrentDDSInterface->Initialise();
    if (CurrentDDSInterface == DDSSerialIF && CurrentDDSInterface->OpenPort(EnableShaftEncoder) == 0)
        TracePortNotOpened();
}

// A port transport not in use holds what is stored for the model (the port, its timing and
// the printer port's bits), so that the configuration window shows it and a switch to that
// transport keeps the port chosen in an earlier session. It stays uninitialised: nothing of it
// is opened, and nothing is written back for it at the end.
void RestoreIdleTransports()
{
    const auto restore = [](DDSInterface& transport) {
        transport.RxName(VFO->Name());
        transport.WaitTime(Model.WaitTime);
        transport.RestoreSettings();
    };
    if (DDSSerialIF != CurrentDDSInterface && !DDSSerialIF->Initialised())
        restore(*DDSSerialIF);
    if (DDSParallelIF != CurrentDDSInterface && !DDSParallelIF->Initialised()) {
        WirePrinterPort();
        restore(*DDSParallelIF);
    }
}

} // namespace

bool SetRx(int32_t& ModelNo)
{
    AddLog("modSetupRx.SetRx:Start");
    if (!RXDefinitions::Filled())
        RXDefinitions::Initialise();
    if (ModelNo >= 0) {
        CurrentModelNo = ValidModelNo(ModelNo);
        ModelNo = CurrentModelNo;
    }
    const RXModelRecord& row = RXDefinitions::RXModels[CurrentModelNo];
    Section = "RXModel." + row.Name;
    Model = ReadModelValues(row);
    ChooseTransport(Model.DDSInterfaceType);
    ChooseChip(Model.DDSChip);
    DDSChipObjectName = "DDSChip." + Model.DDSChipName;
    AddLog("modSetupRx.SetRx:End");
    return true;
}

void InitialiseRX(int32_t& ModelNo)
{
    AddLog("modSetupRx.InitialiseRX:Start");
    const bool mainWindowModel = ModelNo < 0;
    if (mainWindowModel)
        ModelNo = SDRModelNo;
    SetRx(ModelNo);
    if (mainWindowModel)
        SDRModelNo = ModelNo;   // the main window names the model by it
    RequireObjects();
    IQModeOn = Model.IQMode;
    // The main window's injection rule reads it: a receiver whose oscillator the program
    // tunes keeps the side its VFO is set to.
    VFOControl = Model.VFOControl;

    // The driver gets its clock and range before the VFO is tuned: tuning against the
    // range of the previous model (or of the driver's construction) would move the
    // tuned frequency to that range's edge. The model's frequency is held at the
    // oscillator's limit on the injection side as the restored one is below: without a
    // stored one it is the one kept.
    WireVFO();
    WireDriver();
    VFO->TunedFrequencyFromStored(Model.TunedFrequency);
    VFO->RestoreSettings();
    VFO->AutoUpdate(Model.AutoUpdate);

    InitialiseTransport();
    RestoreIdleTransports();
    CurrentChip->Initialise();
    // The chip is tuned now rather than at the first tuning action or refresh. The restored
    // tuned frequency may lie on the far side of the IF; where the oscillator's limit holds
    // it, it comes back on the injection side in force, so that tuning runs forwards.
    VFO->RefreshFromStored();
    AddLog("modSetupRx.InitialiseRX:End");
}

std::shared_ptr<DDSInterface> WireTransport(int32_t interfaceType)
{
    ChooseTransport(interfaceType);
    RequireObjects();
    WireTransportSettings();
    WirePort();
    return CurrentDDSInterface;
}

void SwitchTransport(OscillatorChip& chip, int32_t interfaceType, const std::function<void()>& takeChoice)
{
    std::shared_ptr<DDSInterface> transport;
    TryStep([&] {
        chip.IFHandler(nullptr);
        transport = WireTransport(interfaceType);
        transport->RestoreSettings();
        takeChoice();
        transport->InitialiseAsHeld();
        if (interfaceType == DDSInterfaceCode::Serial && transport->OpenPort(EnableShaftEncoder) == 0)
            AddLog("frmConfig.cmdApply_Click():Unable to open Serial Interface COM" +
                   std::to_string(transport->PortNo()) + " of section [" + transport->RxName() + "]");
    });
    TryStep([&] {
        chip.IFHandler(transport);
        chip.Initialise();
    });
}

void ReleaseRx()
{
    CurrentChip.reset();
    CurrentDDSInterface.reset();
}

} // namespace modSetupRX
