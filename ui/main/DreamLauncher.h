#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The external DRM decoder's start: its command line, its two Dream.ini keys and the
// launch as a child process (program and argument list, never a shell).
namespace DreamLauncher {

struct Command
{
    std::string Arguments;               // the argument text after the program's path
    std::vector<std::string> ArgumentList;   // the same text split as a command line splits
    std::string CommandLine() const;     // path and arguments as one line, for the trace log
    std::string Program;
};

// The arguments: " -M 0 -I c -O p" with the sound devices numbered from 0 (devices 1 and 2
// are the system's defaults and give 0), " -C 3" for an I/Q receiver, then two blanks and
// the user's arguments with every "%CurFreq%" (any case) replaced by the tuned frequency in
// whole kHz (tenths of a hertz / 10000, towards zero). Quoted words stay one argument.
Command BuildCommand(const std::string& program, int32_t captureDevice, int32_t playbackDevice, bool iqReceiver,
                     const std::string& userArguments, int32_t tunedFrequency);

// "analdemvis" = 0 in [window geometry]; "flipspectrum" = 0 with the oscillator above the
// signal, 1 below it, in [receiver]. A failing write is ignored.
void EditDreamIni(const std::string& fileName, bool hiSideLo);

}   // namespace DreamLauncher
