#pragma once

#include <functional>
#include <string>

// Code that a test runs in a child process of its own test program: started with
// $ZOZEVERE_TEST_CHILD naming a routine, the test program runs that routine instead of
// its tests and exits with the routine's result.
namespace ChildRoutines {

inline constexpr const char* Variable = "ZOZEVERE_TEST_CHILD";

// Registers a routine under a name; returns true, so that a file can register one in the
// initialiser of a namespace-scope constant.
bool Register(const std::string& name, std::function<int()> routine);

// Runs the routine named by the variable; false (and nothing run) when it is not set.
bool RunRequested(int& result);

} // namespace ChildRoutines
