#pragma once

#include <string>

class QProcessEnvironment;

// The device guard of a test program: installed by its main before any test runs, it fails
// the test that opens a serial port, a printer port or sound hardware, naming the device,
// whether the open came from the test's own process or from a child it started.
namespace DeviceGuardForTests {

void Install();

// Guards a program that the test starts and that does not link the guard (the built program):
// the guard's library preloaded, its refusals reported to this test program.
void Guard(QProcessEnvironment& environment);

// The devices that children of this test program were refused since the last call.
std::string TakeChildReports();

} // namespace DeviceGuardForTests
