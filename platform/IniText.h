#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of one INI file held as its lines: "[section]" headers and "key=value" lines.
// Reading accepts CR LF and LF line ends, ignores a UTF-8 byte-order mark and keeps a
// last line that has no line break; writing uses CR LF. Section and key names compare
// without regard to letter case. Setting a key keeps every other line as it was, so
// comments, blank lines and unknown keys survive a rewrite.
class IniText
{
public:
    // The result of a file operation: 0 or the system's error number, and a text that
    // names the file and what went wrong.
    struct FileStatus
    {
        int number = 0;
        std::string description;
        bool ok() const { return number == 0; }
    };

    static IniText Parse(std::string_view text);
    std::string Serialise() const;
    const std::vector<std::string>& Lines() const { return lines_; }

    // The value of the first "key=value" line of the first section with that name:
    // blanks around names and values dropped, one pair of enclosing quotes removed.
    // Lines starting with ";" are comments. Empty when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces that key's line, or adds it at the end of its section (the section at the
    // end of the text when missing). Line breaks inside the texts become blanks, so a
    // value can never add lines of its own.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // Why an INI line cannot hold these names (a key with "=", a line break or a leading
    // ";" or "[", a section with "]" or a line break), or empty text when it can.
    static std::string NameProblem(std::string_view section, std::string_view key);

    // Sets one key of a file: reads it (a missing file is empty), sets the value and
    // writes it back whole. Names a line cannot hold are refused with EINVAL, and a file
    // that cannot be read is never overwritten; in both cases nothing is written.
    static FileStatus UpdateFile(const std::string& path, std::string_view section, std::string_view key,
                                 std::string_view value);

    // Reads a whole file; a missing file fails with ENOENT.
    static FileStatus ReadFile(const std::string& path, std::string& contents);
    // Writes a whole file through a temporary file in the same folder and a rename, so
    // the file is either the old one or the new one whole; creates the folder if missing.
    // A link is followed, also to a file that does not exist yet, and stays a link.
    // Temporary files that an earlier, killed write left beside the file are removed.
    static FileStatus WriteFileAtomically(const std::string& path, std::string_view contents);

    // Comparisons without regard to the case of ASCII letters.
    static bool SameText(std::string_view a, std::string_view b);
    // Position of part in text at or after from, or std::string_view::npos.
    static size_t FindText(std::string_view text, std::string_view part, size_t from = 0);

private:
    struct KeyLine
    {
        std::string_view name;
        std::string_view value;
    };

    static std::optional<std::string_view> sectionName(std::string_view line);
    static std::optional<KeyLine> keyLine(std::string_view line);
    // Index of the header of the first section with that name, or -1.
    long findSection(std::string_view section) const;
    // One past the last line of the section whose header is at headerIndex.
    size_t sectionEnd(size_t headerIndex) const;

    std::vector<std::string> lines_;
};
