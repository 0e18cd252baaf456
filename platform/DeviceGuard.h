#pragma once

#include <string>

// Keeps a test run away from the machine's hardware. Once installed, every open of a
// serial port (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*), a printer port (/dev/parport*) or
// sound hardware (/dev/snd/*) in this process fails with EACCES, whoever asks for it (the
// program, Qt or the ALSA library): this executable defines the C library's open calls
// and passes every other open through. Before Install nothing is refused. The control
// devices through which the ALSA library lists the sound cards are refused as absent
// (ENOENT) and not reported: to a test, the machine has no sound card.
//
// Each refusal is reported: in the process that installed the guard with a handler, to
// that handler; elsewhere (a forked child, or the program started by a test with the
// variable below set) it is appended as one line to the report file and told on stderr.
namespace DeviceGuard {

// Names the report file; the program installs the guard when it finds the variable set.
inline constexpr const char* Variable = "ZOZEVERE_DEVICE_GUARD";

using Handler = void (*)(const char* device);

// True for the paths the guard refuses, as given or as their links resolve.
bool IsHardwareDevice(const char* path);

void Install(const std::string& reportFile, Handler handler);

// Installs the guard, without a handler, when the variable names a report file.
bool InstallFromEnvironment();

} // namespace DeviceGuard
