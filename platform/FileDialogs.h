#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QColorDialog;
class QFileDialog;
class QWidget;

// The file-open, file-save and colour dialogs. Callers describe the dialog in a
// request and get the user's choice back; tests install a backend that records the
// request and answers at once.
namespace FileDialogs {

// One entry of the file-type list: "Sound Files (*.wav)" and "*.wav". A pattern may
// hold several globs separated by ";" ("*.bpl;*.ini").
struct FileType
{
    std::string description;
    std::string pattern;
};

// Folder picks an existing folder: the result's path is the folder.
enum class Mode { Open, Save, Folder };

struct FileRequest
{
    Mode mode = Mode::Open;
    QWidget* owner = nullptr;           // the dialog is modal to it; nullptr: the active window
    std::string title;
    std::string initialFolder;          // empty or missing: the platform's default folder
    std::string initialName;            // a name, or a path that overrides initialFolder
    std::vector<FileType> fileTypes;    // empty: every file
    int filterIndex = 0;                // 1-based type selected at the start; 0 the first
    std::string defaultExtension;       // without a point; added to a typed name that has none
    bool pathMustExist = false;         // the chosen file's folder must exist
    bool fileMustExist = false;         // only an existing file is accepted
    bool overwritePrompt = false;       // save: ask before an existing file is replaced
    bool createPrompt = false;          // open: ask before a missing file is accepted
};

struct FileResult
{
    bool chosen = false;                // false: cancelled, or the dialog could not be shown
    std::string path;                   // absolute "/"-separated path of the chosen file
    int filterIndex = 0;                // 1-based type selected when the dialog closed
};

inline constexpr int CustomColourCount = 16;
using CustomColours = std::array<uint32_t, CustomColourCount>;  // each 0x00BBGGRR

struct ColourRequest
{
    QWidget* owner = nullptr;           // nullptr: the active window
    uint32_t initialColour = 0;         // 0x00BBGGRR
    CustomColours customColours{};
    bool fullOpen = false;              // custom-colour part open from the start
};

struct ColourResult
{
    bool chosen = false;                // false: cancelled
    uint32_t colour = 0;                // 0x00BBGGRR, when chosen
    CustomColours customColours{};      // as the user left them, also after a cancel
};

class Backend
{
public:
    virtual ~Backend() = default;
    virtual FileResult ShowFile(const FileRequest& request) = 0;
    virtual ColourResult ShowColour(const ColourRequest& request) = 0;
};

// Modal; return when the dialog closes. While nobody is there to answer
// (MessageBoxes::Unattended) nothing is shown and the result is a cancel.
FileResult ShowFile(const FileRequest& request);
ColourResult ShowColour(const ColourRequest& request);

void SetBackend(Backend* backend);  // nullptr restores the real Qt dialogs

// Building blocks of the real dialogs, open to tests that inspect them without showing them.
std::vector<std::string> NameFilters(const std::vector<FileType>& fileTypes);
std::unique_ptr<QFileDialog> BuildFileDialog(const FileRequest& request, QWidget* owner);
std::unique_ptr<QColorDialog> BuildColourDialog(const ColourRequest& request, QWidget* owner);

} // namespace FileDialogs
