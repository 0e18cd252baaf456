#include "core/clsComDlg.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/TryStep.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>

namespace {

// Characters, not bytes, of a UTF-8 text: a name's length limit counts what the user sees.
std::size_t CharacterCount(const std::string& text)
{
    std::size_t count = 0;
    for (unsigned char byte : text)
        if ((byte & 0xC0) != 0x80)
            ++count;
    return count;
}

// A stored colour is taken only when it reads as a whole number that is a colour
// (0 to 0xFFFFFF); anything else leaves the colour it replaces.
bool ReadStoredColour(const std::string& text, uint32_t& colour)
{
    double value = 0;
    try {
        value = Numeric::CDbl(text);
    } catch (const RuntimeError&) {
        return false;
    }
    if (value != std::floor(value) || value < 0 || value > clsComDlg::White)
        return false;
    colour = static_cast<uint32_t>(value);
    return true;
}

std::unique_ptr<clsComDlg>& Instance()
{
    static std::unique_ptr<clsComDlg> instance;
    return instance;
}

} // namespace

clsComDlg::clsComDlg()
{
    flags_ |= OFN_HIDEREADONLY | OFN_EXPLORER | OFN_LONGNAMES;
    name_ = "ComDlg";
    ReadCustomColours();
}

std::string clsComDlg::CustomColourKey(int index) const
{
    return "CustomColour(" + std::to_string(index) + ")";
}

void clsComDlg::ReadCustomColours()
{
    for (int index = 0; index < FileDialogs::CustomColourCount; ++index) {
        uint32_t colour = White;
        ReadStoredColour(Settings::GetSetting(name_, CustomColourKey(index), ""), colour);
        customColours_[index] = colour;
    }
}

void clsComDlg::WriteCustomColours() const
{
    for (int index = 0; index < FileDialogs::CustomColourCount; ++index)
        Settings::SaveSetting(name_, CustomColourKey(index), Numeric::Str(int64_t{customColours_[index]}));
}

void clsComDlg::SetFlag(int32_t flag, bool on)
{
    flags_ = on ? (flags_ | flag) : (flags_ & ~flag);
}

// The service always returns a single file; the flag is kept for what callers expect of it.
void clsComDlg::AllowMultiSelect(bool allow)
{
    SetFlag(OFN_ALLOWMULTISELECT, allow);
}

// The dialogs here never change the process's current folder and have no read-only
// box, so these two flags are kept but change nothing that the user sees.
void clsComDlg::RestoreCurDir(bool restore)
{
    SetFlag(OFN_NOCHANGEDIR, restore);
}

void clsComDlg::ReadOnlyIsVisible(bool visible)
{
    SetFlag(OFN_HIDEREADONLY, !visible);
}

// "*.wav", ".wav" and "wav" all give "wav".
void clsComDlg::Extension(const std::string& extension)
{
    std::string kept;
    for (char c : extension) {
        if (c == '.' || c == '*')
            continue;
        if (kept.size() == 3)
            break;
        kept += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    defaultExtension_ = kept;
}

void clsComDlg::FileName(const std::string& initialName)
{
    if (CharacterCount(initialName) <= MaxFileNameLength)
        initialName_ = initialName;
}

// A description without its pattern at the end of the text is dropped.
void clsComDlg::Filter(const std::string& pairs)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0; !pairs.empty();) {
        const std::size_t bar = pairs.find('|', start);
        parts.push_back(pairs.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    fileTypes_.clear();
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        fileTypes_.push_back({parts[i], parts[i + 1]});
}

bool clsComDlg::ShowOpen()
{
    return ShowFileDialog(FileDialogs::Mode::Open);
}

bool clsComDlg::ShowSave()
{
    SetFlag(OFN_ALLOWMULTISELECT, false);
    SetFlag(OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true);
    return ShowFileDialog(FileDialogs::Mode::Save);
}

FileDialogs::FileRequest clsComDlg::FileRequest(FileDialogs::Mode mode) const
{
    const int32_t flags = flags_ | existFlags_;
    FileDialogs::FileRequest request;
    request.mode = mode;
    request.title = dialogTitle_;
    request.initialFolder = initialFolder_;
    request.initialName = initialName_;
    request.fileTypes = fileTypes_;
    request.filterIndex = filterIndex_;
    request.defaultExtension = defaultExtension_;
    request.pathMustExist = (flags & OFN_PATHMUSTEXIST) != 0;
    request.fileMustExist = (flags & OFN_FILEMUSTEXIST) != 0;
    request.overwritePrompt = (flags & OFN_OVERWRITEPROMPT) != 0;
    request.createPrompt = (flags & OFN_CREATEPROMPT) != 0;
    return request;
}

// Flags added through ExistFlags hold for this one dialog. Were they kept, a "file must
// exist" added for one caller's open dialog would refuse every new name typed later,
// the recorder's save dialog and the recordings folder picker included.
bool clsComDlg::ShowFileDialog(FileDialogs::Mode mode)
{
    const FileDialogs::FileRequest request = FileRequest(mode);
    existFlags_ = 0;
    const FileDialogs::FileResult result = FileDialogs::ShowFile(request);
    if (!result.chosen || result.path.empty())
        return false;
    chosenFile_ = result.path;
    chosenFolder_ = std::filesystem::path(result.path).parent_path().string();
    initialName_ = result.path;
    filterIndex_ = result.filterIndex;
    return true;
}

int32_t clsComDlg::SelectColour(QWidget* hWndParent, int32_t DefColor, bool ShowExpDlg)
{
    FileDialogs::ColourRequest request;
    request.owner = hWndParent;
    request.initialColour = static_cast<uint32_t>(DefColor) & White;
    request.customColours = customColours_;
    request.fullOpen = ShowExpDlg;
    const FileDialogs::ColourResult result = FileDialogs::ShowColour(request);
    for (int index = 0; index < FileDialogs::CustomColourCount; ++index)
        customColours_[index] = result.customColours[index] & White;
    if (!result.chosen)
        return ColourCancelled;
    return static_cast<int32_t>(result.colour & White);
}

clsComDlg& ComDlg()
{
    std::unique_ptr<clsComDlg>& instance = Instance();
    if (!instance)
        instance = std::make_unique<clsComDlg>();
    return *instance;
}

void ReleaseComDlg()
{
    std::unique_ptr<clsComDlg>& instance = Instance();
    if (!instance)
        return;
    TryStep([&] { instance->WriteCustomColours(); });
    instance.reset();
}
