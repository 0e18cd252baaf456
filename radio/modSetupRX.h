#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class DDSInterface;
class OscillatorChip;

// The receiver set-up: turns a model number into a working tuning chain. It reads the
// model's values from its settings section with the model table's defaults, chooses the
// oscillator driver and the transport, wires both into the VFO and opens the port.
namespace modSetupRX {

// The current model's values, one per settings key. Other parts read LOOffset, DDSChip,
// IQMode, VFOControl and LowSideLOOption.
struct ModelValues
{
    int32_t LOOffset = 0;              // Hz
    bool HiSideLo = true;
    bool AutoUpdate = false;
    int32_t TunedFrequency = 0;        // 0.1 Hz
    int32_t TuneStep = 0;              // 0.1 Hz
    int32_t OscMultiplier = 1;
    int32_t PLLMultiplier = 1;
    int32_t CalibOffset = 0;           // Hz
    int32_t DDSInterfaceType = 0;
    int32_t DDSChip = 0;
    int32_t DDSClock = 0;              // Hz
    std::string DDSChipName;
    int32_t XtalFrequency = 0;         // Hz, 0 without a crystal
    bool IQMode = false;
    bool VFOControl = false;
    bool LowSideLOOption = false;
    uint8_t IOUPDBitNo = 0;
    uint8_t SCLCKBitNo = 0;
    uint8_t SDATABitNo = 0;
    bool Inverting = false;
    double WaitTime = 0.000005;        // seconds
    int32_t RXMaxFreq = 0;             // Hz
    int32_t RXMinFreq = 0;             // Hz
};

inline int32_t CurrentModelNo = 0;
inline std::string Section;                  // "RXModel." and the model's name
inline ModelValues Model;
inline std::string DDSInterfaceName;         // "DDSInterface.Serial", ".Parallel" or ".Null"
inline std::string DDSChipObjectName;        // "DDSChip." and the chip's name
inline std::shared_ptr<OscillatorChip> CurrentChip;
inline std::shared_ptr<DDSInterface> CurrentDDSInterface;

// Reads the model's settings and chooses driver and transport; a negative ModelNo keeps
// the current model. A model number outside the table, a stored value that does not
// convert and a multiplier or clock of 0 fall back to model 0 or the row's default, with a
// trace line; ModelNo then holds the model used. An unknown chip code is reported and
// the software oscillator used. Returns true.
bool SetRx(int32_t& ModelNo);

// SetRx (a negative ModelNo means SDRModelNo, and is replaced by it), then wires the VFO,
// the driver and the transport, opens the serial port (in event mode when the shaft
// encoder is enabled), initialises the driver and sends it the tuned frequency.
void InitialiseRX(int32_t& ModelNo);

// The transport of an interface type (the null transport for USB and unknown types), wired
// for the current model as InitialiseRX wires it: its name, the model's settings section and
// wait time, the model's printer-port bits or the serial port's control. It becomes the
// chosen transport; it is neither initialised nor opened.
std::shared_ptr<DDSInterface> WireTransport(int32_t interfaceType);

// The configuration window's switch of the chip to the transport of an interface type. The
// transport is wired by WireTransport and keeps its settings under the model's section, so
// the port chosen is saved with them: its stored settings come back first, takeChoice puts
// the user's choice (the port of the interface's tab) over them, and only then does a line
// change, so the one port opened or written is the chosen one. A serial port that does not
// open is told by the transport, naming the port and the section: one failure, one box, and
// a trace line here. Then the chip initialises on the new transport.
void SwitchTransport(OscillatorChip& chip, int32_t interfaceType, const std::function<void()>& takeChoice);

// Lets go of the chosen driver and transport.
void ReleaseRx();

} // namespace modSetupRX
