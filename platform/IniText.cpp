#include "platform/IniText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view dropLeadingBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view trimBlanks(std::string_view text)
{
    text = dropLeadingBlanks(text);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string withoutLineBreaks(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == '\r' || c == '\n') c = ' ';
    return result;
}

std::string_view withoutEnclosingQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

IniText::FileStatus failure(const char* action, const std::string& path)
{
    const int number = errno ? errno : EIO;
    return {number, std::string(action) + " \"" + path + "\": " + std::strerror(number)};
}

IniText::FileStatus notARegularFile(const std::string& path, const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return {EISDIR, "Cannot read \"" + path + "\": it is a folder, not a file"};
    return {EINVAL, "Cannot read \"" + path + "\": it is not a regular file (a pipe, a socket or a device)"};
}

// A file that exists without any write permission is kept as it is, even where the
// user could replace it (root, or a writable folder): its owner made it read-only. On a
// file system mounted read-only nothing can be written, whatever the file's permissions;
// the user is told which of the two stands in the way.
IniText::FileStatus refuseReadOnly(const std::filesystem::path& target, const std::string& path)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return {};  // not there yet: created
    const std::string refused = "Cannot write \"" + path + "\": ";
    const bool writable = ::access(target.c_str(), W_OK) == 0;
    if (!writable && errno == EROFS)
        return {EROFS, refused + "the file system it is on is mounted read-only; it was left as it is"};
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return {EACCES, refused + "the file is read-only; it was left as it is"};
    if (!writable) return {EACCES, refused + "you have no permission to write to the file; it was left as it is"};
    return {};
}

// Writes all of contents to an open descriptor, riding out short writes.
bool writeAll(int descriptor, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = ::write(descriptor, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        contents.remove_prefix(size_t(written));
    }
    return true;
}

// The mode a rewritten file keeps: the old file's, or what a newly created file gets.
mode_t modeFor(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The file that path names: links are followed, also one whose file does not exist yet,
// so that the file is written and the link stays. Gives ELOOP for a loop of links.
std::filesystem::path linkTarget(const std::filesystem::path& path, std::error_code& error)
{
    constexpr int MostLinks = 40;  // as the kernel allows
    std::filesystem::path current = path;
    for (int followed = 0; followed < MostLinks; ++followed) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;  // a file, or nothing yet: written where it is
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return current;
}

constexpr std::string_view TemporaryMark = ".saving-";
constexpr size_t TemporaryRandomLength = 6;  // the XXXXXX of mkostemp

// Temporary files of earlier writes of this file that never reached their rename (the
// program was killed): "<name>.saving-" and six characters.
void removeStaleTemporaries(const std::filesystem::path& target)
{
    const std::string prefix = target.filename().string() + std::string(TemporaryMark);
    std::error_code error;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + TemporaryRandomLength && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(error))
            std::filesystem::remove(entry.path(), error);
    }
}

} // namespace

IniText IniText::Parse(std::string_view text)
{
    IniText ini;
    ini.byteOrderMark_ = text.substr(0, ByteOrderMark.size()) == ByteOrderMark;
    if (ini.byteOrderMark_) text.remove_prefix(ByteOrderMark.size());
    bool lineEndSeen = false;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        ini.lines_.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            ini.finalLineEnd_ = false;
            break;
        }
        const size_t endLength = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        if (!lineEndSeen) ini.lineEnd_ = std::string(text.substr(end, endLength));
        lineEndSeen = true;
        text.remove_prefix(end + endLength);
    }
    return ini;
}

std::string IniText::Serialise() const
{
    std::string text = byteOrderMark_ ? std::string(ByteOrderMark) : std::string();
    for (size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i];
        if (i + 1 < lines_.size() || finalLineEnd_) text += lineEnd_;
    }
    return text;
}

std::optional<std::string_view> IniText::SectionName(std::string_view line)
{
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    return trimBlanks(line.substr(1, line.find(']') - 1));
}

std::optional<IniText::KeyLine> IniText::KeyLineOf(std::string_view line)
{
    line = dropLeadingBlanks(line);
    const size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || line.front() == '[' || equals == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trimBlanks(line.substr(0, equals)), dropLeadingBlanks(line.substr(equals + 1))};
}

long IniText::findSection(std::string_view section) const
{
    const std::string_view wanted = trimBlanks(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (name && SameText(*name, wanted)) return long(i);
    }
    return -1;
}

size_t IniText::sectionEnd(size_t headerIndex) const
{
    size_t end = headerIndex + 1;
    while (end < lines_.size() && !SectionName(lines_[end])) ++end;
    return end;
}

std::optional<std::string> IniText::Value(std::string_view section, std::string_view key) const
{
    const long header = findSection(section);
    if (header < 0) return std::nullopt;
    const std::string_view wanted = trimBlanks(key);
    const size_t end = sectionEnd(size_t(header));
    for (size_t i = size_t(header) + 1; i < end; ++i) {
        const auto entry = KeyLineOf(lines_[i]);
        if (entry && SameText(entry->name, wanted))
            return std::string(withoutEnclosingQuotes(trimBlanks(entry->value)));
    }
    return std::nullopt;
}

void IniText::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string name = withoutLineBreaks(trimBlanks(key));
    const std::string line = name + "=" + withoutLineBreaks(value);
    const long header = findSection(section);
    if (header < 0) {
        std::string headerLine = withoutLineBreaks(trimBlanks(section));
        headerLine.insert(0, 1, '[').push_back(']');
        lines_.push_back(std::move(headerLine));
        lines_.push_back(line);
        return;
    }
    const size_t end = sectionEnd(size_t(header));
    size_t insertAt = size_t(header) + 1;
    for (size_t i = size_t(header) + 1; i < end; ++i) {
        const auto entry = KeyLineOf(lines_[i]);
        if (entry && SameText(entry->name, name)) {
            lines_[i] = line;
            return;
        }
        if (!trimBlanks(lines_[i]).empty()) insertAt = i + 1;  // blank lines before the next header stay there
    }
    lines_.insert(lines_.begin() + long(insertAt), line);
}

IniText::FileStatus IniText::ReadFile(const std::string& path, std::string& contents)
{
    contents.clear();
    errno = 0;
    // Without blocking: a pipe or a device would otherwise wait for ever for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return failure("Cannot read", path);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        const FileStatus status = notARegularFile(path, info);
        ::close(descriptor);
        return status;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const FileStatus status = failure("Cannot read", path);
            ::close(descriptor);
            contents.clear();
            return status;
        }
        if (got == 0) break;
        contents.append(buffer, size_t(got));
    }
    ::close(descriptor);
    return {};
}

IniText::FileStatus IniText::WriteFileAtomically(const std::string& path, std::string_view contents)
{
    errno = 0;
    std::error_code linkError;
    const std::filesystem::path target = linkTarget(path, linkError);
    if (linkError) {
        errno = linkError.value();
        return failure("Cannot follow the link", path);
    }
    std::error_code folderError;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), folderError);
    if (folderError) {
        errno = folderError.value();
        return failure("Cannot create the folder of", path);
    }
    if (FileStatus readOnly = refuseReadOnly(target, path); !readOnly.ok()) return readOnly;
    removeStaleTemporaries(target);

    std::string temporary = target.string() + std::string(TemporaryMark) + std::string(TemporaryRandomLength, 'X');
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return failure("Cannot write", path);
    const bool written = ::fchmod(descriptor, modeFor(target)) == 0 && writeAll(descriptor, contents) &&
                         ::fsync(descriptor) == 0;
    FileStatus status = written ? FileStatus{} : failure("Cannot write", path);
    if (::close(descriptor) != 0 && status.ok()) status = failure("Cannot write", path);
    if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) status = failure("Cannot replace", path);
    if (!status.ok()) ::unlink(temporary.c_str());
    return status;
}

std::string IniText::NameProblem(std::string_view section, std::string_view key)
{
    const std::string_view name = trimBlanks(key);
    const bool keyFits = name.find_first_of("=\r\n") == std::string_view::npos &&
                         (name.empty() || (name.front() != ';' && name.front() != '['));
    if (!keyFits)
        return "the key name \"" + std::string(key) + "\" cannot be written as an INI line";
    if (section.find_first_of("]\r\n") != std::string_view::npos)
        return "the section name \"" + std::string(section) + "\" cannot be written as an INI line";
    return "";
}

IniText::FileStatus IniText::UpdateFile(const std::string& path, std::string_view section, const KeyValues& keys)
{
    Entries entries;
    for (const auto& [key, value] : keys)
        entries.push_back({std::string(section), key, value});
    return UpdateFile(path, entries);
}

IniText::FileStatus IniText::UpdateFile(const std::string& path, const Entries& entries)
{
    for (const Entry& entry : entries)
        if (const std::string problem = NameProblem(entry.section, entry.key); !problem.empty())
            return {EINVAL, "Cannot write \"" + path + "\": " + problem};
    std::string contents;
    const FileStatus read = ReadFile(path, contents);
    if (!read.ok() && read.number != ENOENT) return read;
    IniText ini = Parse(contents);
    for (const Entry& entry : entries)
        ini.SetValue(entry.section, entry.key, entry.value);
    const std::string updated = ini.Serialise();
    if (read.ok() && updated == contents) return {};
    return WriteFileAtomically(path, updated);
}

bool IniText::SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

size_t IniText::FindText(std::string_view text, std::string_view part, size_t from)
{
    if (from > text.size() || part.size() > text.size() - from) return std::string_view::npos;
    for (size_t i = from; i + part.size() <= text.size(); ++i)
        if (SameText(text.substr(i, part.size()), part)) return i;
    return std::string_view::npos;
}
