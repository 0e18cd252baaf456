#pragma once

#include <string>

// The "FileVersion" text of a file's version information. Give it a file with
// SetFullPathName, then read Available and FileVersion. Values that a later reading
// does not refresh keep what the previous reading left.
class CFileVersionInfo
{
public:
    // Resolves the name to a full path and reads that file's version information. A name
    // that cannot be resolved changes nothing.
    void SetFullPathName(const std::string& name);

    const std::string& FullPathName() const { return fullPathName_; }
    bool Available() const { return available_; }          // the file has version information
    const std::string& FileVersion() const { return fileVersion_; }  // as stored, up to its NUL

private:
    void Refresh();

    std::string fullPathName_;
    bool available_ = false;
    std::string fileVersion_;
};
