#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A read-only INI file loaded whole into memory, answering key lookups by its own
// matching rules (GetItem). Used to read band plan files key by key.
class clsINIFile
{
public:
    // Numbers of the RuntimeError that init raises.
    static constexpr int FileNotFound = 53;
    static constexpr int PathFileAccessError = 75;

    // Loads the file, replacing any former content. Lines end at CR LF, LF or CR; a UTF-8
    // byte-order mark is ignored. A file that cannot be read raises RuntimeError and
    // leaves the object empty. Lets pending window messages run while it works.
    void init(const std::string& IniFilename);

    // The value of Key in the first section named Section, headers and key lines being
    // what the band file's writer (IniText) takes them for: "[Section]" and "Key =" at the
    // start of a line, after leading blanks, names compared without regard to case. The
    // value is what follows "=", leading blanks dropped, trailing ones kept. DefaultValue
    // when there is no such section or line.
    std::string GetItem(const std::string& Section, const std::string& Key, const std::string& DefaultValue) const;
    std::string LoadItem(const std::string& Section, const std::string& Key, const std::string& DefaultValue) const;

    int32_t LastLine() const { return int32_t(lines_.size()) - 1; }
    int32_t SectionCount() const { return int32_t(sectionLines_.size()); }

private:
    // One past the last line of the section whose header is the index-th one.
    size_t sectionEnd(size_t index) const;

    std::vector<std::string> lines_;
    std::vector<size_t> sectionLines_;  // line index of each header, in file order
};
