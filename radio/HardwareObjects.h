#pragma once

#include "core/Profiler.h"
#include "radio/clsAD9835.h"
#include "radio/clsAD9850.h"
#include "radio/clsAD9851.h"
#include "radio/clsAD9951.h"
#include "radio/clsCY27EE16.h"
#include "radio/clsDDSNullIF.h"
#include "radio/clsDDSParallelIF.h"
#include "radio/clsDDSSerialIF.h"
#include "radio/clsSoftDDS.h"
#include "radio/clsVFO.h"

#include <memory>

// The process-wide receiver hardware objects: one VFO, one instance of each transport and
// oscillator driver, and the shaft encoder's profiler. The start-up creates them; the
// receiver set-up chooses among them; the main window's closing releases them.
inline std::shared_ptr<clsVFO> VFO;
inline std::shared_ptr<clsDDSSerialIF> DDSSerialIF;
inline std::shared_ptr<clsDDSParallelIF> DDSParallelIF;
inline std::shared_ptr<clsDDSNullIF> DDSNullIF;
inline std::shared_ptr<clsAD9835> AD9835;
inline std::shared_ptr<clsAD9850> AD9850;
inline std::shared_ptr<clsAD9851> AD9851;
inline std::shared_ptr<clsAD9951> AD9951;
inline std::shared_ptr<clsCY27EE16> CY27EE16;
inline std::shared_ptr<clsSoftDDS> SoftDDS;
inline std::unique_ptr<Profiler> EncoderProfiler;

namespace HardwareObjects {

// Creates the VFO, the three transports and the six drivers in that order; one that
// fails to construct is logged and skipped.
void CreateHardwareObjects();
void CreateEncoderProfiler();
// Drops every object above (the VFO saves its settings as it goes), the VFO first.
void ReleaseHardwareObjects();

} // namespace HardwareObjects
