#pragma once

// Keeps a test run away from the machine's hardware. A shared library of the tests: the test
// programs link it, and a test sets it in LD_PRELOAD for the built program it starts (see
// DeviceGuardForTests::Guard). Once installed, every open by name of a serial port
// (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*), a printer port (/dev/parport*) or sound hardware
// (/dev/snd/*) in the process fails with EACCES, whoever asks for it (the program, Qt or the
// ALSA library): the library defines the C library's open calls (open, openat, creat, fopen,
// freopen and their 64-bit and fortified forms, and the syscall() function for the open
// system calls) and passes every other open through. A system call made by an instruction of
// the caller's own, never through the C library, cannot be seen here; nothing the program
// uses does that. Before Install nothing is refused. The control devices through which the
// ALSA library lists the sound cards are refused as absent (ENOENT) and not reported: to a
// test, the machine has no sound card.
//
// Each refusal is reported: in the process that installed the guard with a handler, to that
// handler; elsewhere (a forked child, or a program started by a test with the variable below
// set) it is appended as one line to the report file and told on stderr.
namespace DeviceGuard {

// Names the report file; the library installs the guard as it is loaded when it finds the
// variable set.
inline constexpr const char* Variable = "ZOZEVERE_DEVICE_GUARD";

using Handler = void (*)(const char* device);

// True for the paths the guard refuses, as given or as their links resolve.
bool IsHardwareDevice(const char* path);

void Install(const char* reportFile, Handler handler);

// Installs the guard, without a handler, when the variable names a report file.
bool InstallFromEnvironment();

// The file this library was loaded from, for a child's LD_PRELOAD.
const char* LibraryPath();

} // namespace DeviceGuard
