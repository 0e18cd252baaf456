#pragma once

// The process-wide objects that the start-up creates and the end releases.
namespace SharedObjects {

void CreateHardwareObjects();       // the VFO, the transports, the oscillator drivers
void InitialiseSignalProcessing();  // library probe and library oscillator
void CreateFilterObjects();         // the receive chain's FFT filters and Hilbert transformers
void CreateProfilers();             // block and shaft-encoder profilers
void FillReceiverModelTable();

// Releases the services that keep state to the end (the dialog service's colours).
void ReleaseServices();

} // namespace SharedObjects
