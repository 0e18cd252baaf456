#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The text of one INI file held as its lines: "[section]" headers and "key=value" lines,
// both found after leading blanks. Reading accepts CR LF, LF and CR line ends; writing
// gives back the file's first line end (CR LF for a new file), its UTF-8 byte-order mark
// and whether its last line ended, so that an unchanged text serialises to its bytes.
// Section and key names compare without regard to letter case. Setting a key keeps every
// other line as it was, so comments, blank lines and unknown keys survive a rewrite.
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

    struct KeyLine
    {
        std::string_view name;   // without surrounding blanks
        std::string_view value;  // without leading blanks
    };
    using KeyValues = std::vector<std::pair<std::string, std::string>>;
    // One key of one section and its value.
    struct Entry
    {
        std::string section;
        std::string key;
        std::string value;
    };
    using Entries = std::vector<Entry>;

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

    // The section name of a header line, or nothing when the line is no header.
    static std::optional<std::string_view> SectionName(std::string_view line);
    // The key and value of a "key=value" line, or nothing for a header, a comment (";")
    // or a line without "=".
    static std::optional<KeyLine> KeyLineOf(std::string_view line);

    // Sets keys of one section of a file in one rewrite: reads it (a missing file is
    // empty), sets the values and writes it back whole. Names a line cannot hold are
    // refused with EINVAL, and a file that cannot be read is never overwritten; in both
    // cases nothing is written. A file that already holds these values is left as it is:
    // no rewrite, no wait for the disk.
    static FileStatus UpdateFile(const std::string& path, std::string_view section, const KeyValues& keys);
    // The same for keys of any sections, in order, in one rewrite.
    static FileStatus UpdateFile(const std::string& path, const Entries& entries);

    // Reads a whole file; a missing file fails with ENOENT. The file is opened without
    // waiting, and anything but a regular file (a folder, a pipe, a device) is refused.
    static FileStatus ReadFile(const std::string& path, std::string& contents);
    // Writes a whole file through a temporary file in the same folder and a rename, so
    // the file is either the old one or the new one whole; creates the folder if missing.
    // A link is followed, also to a file that does not exist yet, and stays a link. A file
    // without write permission is refused with EACCES and kept as it is.
    // Temporary files that an earlier, killed write left beside the file are removed.
    static FileStatus WriteFileAtomically(const std::string& path, std::string_view contents);

    // Comparisons without regard to the case of ASCII letters.
    static bool SameText(std::string_view a, std::string_view b);
    // Position of part in text at or after from, or std::string_view::npos.
    static size_t FindText(std::string_view text, std::string_view part, size_t from = 0);

private:
    // Index of the header of the first section with that name, or -1.
    long findSection(std::string_view section) const;
    // One past the last line of the section whose header is at headerIndex.
    size_t sectionEnd(size_t headerIndex) const;

    std::vector<std::string> lines_;
    std::string lineEnd_ = "\r\n";
    bool finalLineEnd_ = true;
    bool byteOrderMark_ = false;
};
