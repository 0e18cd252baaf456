#include "radio/HardwareObjects.h"

#include "core/TryStep.h"
#include "core/frmLog.h"

namespace HardwareObjects {

namespace {

template <typename Object>
void Create(std::shared_ptr<Object>& reference, const char* name)
{
    TryStep([&] { reference = std::make_shared<Object>(); },
            [&](const std::exception& error) {
                AddLog(std::string("HardwareObjects.CreateHardwareObjects:") + name +
                       " not created Description=" + error.what());
            });
}

} // namespace

void CreateHardwareObjects()
{
    Create(VFO, "VFO");
    Create(DDSSerialIF, "DDSSerialIF");
    Create(DDSParallelIF, "DDSParallelIF");
    Create(DDSNullIF, "DDSNullIF");
    Create(AD9835, "AD9835");
    Create(AD9850, "AD9850");
    Create(AD9851, "AD9851");
    Create(AD9951, "AD9951");
    Create(CY27EE16, "CY27EE16");
    Create(SoftDDS, "SoftDDS");
}

void CreateEncoderProfiler() { EncoderProfiler = std::make_unique<Profiler>(); }

void ReleaseHardwareObjects()
{
    VFO.reset();
    SoftDDS.reset();
    CY27EE16.reset();
    AD9951.reset();
    AD9851.reset();
    AD9850.reset();
    AD9835.reset();
    DDSNullIF.reset();
    DDSParallelIF.reset();
    DDSSerialIF.reset();
    EncoderProfiler.reset();
}

} // namespace HardwareObjects
