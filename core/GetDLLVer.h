#pragma once

#include <string>

// Finds an optional library by name the way the platform loads it.
namespace GetDLLVer {

// True when the library can be loaded and carries a version resource with a fixed
// version part. fullPath receives the loaded file's path when the platform reports it
// and is otherwise left as the caller set it.
bool GetDLLVersion(const std::string& libraryName, std::string& fullPath);

} // namespace GetDLLVer
