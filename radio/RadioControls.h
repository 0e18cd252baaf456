#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;
namespace SerialLines { class CommControl; }

// The main window's controls and timer handlers that belong to the receiver hardware.
// The main window owns the widgets and timers and connects them here: its dial through
// dialtuner.Attach, tmrShaft (every tmrShaftInterval ms) to tmrShaft_Timer, and
// tmrVFOUpdate (first after tmrVFOUpdateFirstInterval ms) to tmrVFOUpdate_Timer.
namespace RadioControls {

inline constexpr int tmrShaftInterval = 250;
inline constexpr int tmrVFOUpdateFirstInterval = 1000;

// The on-screen tuning dial as the shaft encoder sees it: a value the encoder moves by
// one notch per step. Until the main window attaches its dial the value is kept here.
class TuningDial
{
public:
    int32_t Value() const { return read_ ? read_() : value_; }
    void Value(int32_t value)
    {
        if (write_)
            write_(value);
        else
            value_ = value;
    }
    void Attach(std::function<int32_t()> read, std::function<void(int32_t)> write)
    {
        read_ = std::move(read);
        write_ = std::move(write);
    }

private:
    int32_t value_ = 0;
    std::function<int32_t()> read_;
    std::function<void(int32_t)> write_;
};

inline TuningDial dialtuner;

// The serial-communications control through which the serial transport opens its port
// in event mode; its OnComm runs MSComm1_OnComm. Made by CreateMSComm1.
inline std::shared_ptr<SerialLines::CommControl> MSComm1;

// Creates MSComm1 on first use, on the main thread, with its event handler connected.
void CreateMSComm1();

// A CTS or DSR change of MSComm1: decodes the shaft encoder while it is enabled. An
// error shows a message box titled "Error"; a nested event is ignored.
void MSComm1_OnComm();

// Applies the step the automatic rate left pending, at most one per tick.
void tmrShaft_Timer();

// While the VFO's AutoUpdate is on: re-sends the oscillator setting unless a transfer is
// in progress, and sets the timer's next interval to a random 1.5 to 3 s.
void tmrVFOUpdate_Timer(QTimer& tmrVFOUpdate);

} // namespace RadioControls
