#pragma once

#include <string>

// Appends one line to the trace log window and the log file while TraceOn is set;
// does nothing otherwise. The window itself is declared in this header too.
void AddLog(const std::string& record);
