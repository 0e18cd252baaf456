#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"

class QWidget;

// The program's one service for the file-open, file-save and colour dialogs. A caller
// sets what its dialog needs, shows it and reads the result; whatever a dialog leaves
// here (initial values, results, flags) is seen by the next caller. The colour dialog's
// 16 custom colours are kept in the settings section Name() from one run to the next.
class clsComDlg
{
public:
    // File-dialog flags, with the values callers pass to ExistFlags.
    static constexpr int32_t OFN_OVERWRITEPROMPT = 0x2;
    static constexpr int32_t OFN_HIDEREADONLY = 0x4;
    static constexpr int32_t OFN_NOCHANGEDIR = 0x8;
    static constexpr int32_t OFN_ALLOWMULTISELECT = 0x200;
    static constexpr int32_t OFN_PATHMUSTEXIST = 0x800;
    static constexpr int32_t OFN_FILEMUSTEXIST = 0x1000;
    static constexpr int32_t OFN_CREATEPROMPT = 0x2000;
    static constexpr int32_t OFN_EXPLORER = 0x80000;
    static constexpr int32_t OFN_LONGNAMES = 0x200000;

    static constexpr int32_t White = 0xFFFFFF;
    static constexpr int32_t ColourCancelled = -1;  // SelectColour's result after a cancel
    static constexpr std::size_t MaxFileNameLength = 260;

    clsComDlg();  // reads the custom colours from the settings store

    const std::string& Name() const { return name_; }
    void Name(const std::string& section) { name_ = section; }

    void AllowMultiSelect(bool allow);
    void DialogTitle(const std::string& title) { dialogTitle_ = title; }
    // Adds flags for the next file dialog only (see clsComDlg.cpp).
    void ExistFlags(int32_t flags) { existFlags_ |= flags; }

    const std::string& Directory() const { return chosenFolder_; }  // folder of the last chosen file
    void Directory(const std::string& initialFolder) { initialFolder_ = initialFolder; }

    void Extension(const std::string& extension);

    const std::string& FileName() const { return chosenFile_; }      // the last chosen file
    void FileName(const std::string& initialName);

    void RestoreCurDir(bool restore);
    void Filter(const std::string& pairs);  // "description|pattern|description|pattern"
    void ReadOnlyIsVisible(bool visible);

    bool ShowOpen();
    bool ShowSave();

    // The chosen colour (0x00BBGGRR), or ColourCancelled.
    int32_t SelectColour(QWidget* hWndParent, int32_t DefColor, bool ShowExpDlg = false);

private:
    friend void ReleaseComDlg();

    void ReadCustomColours();
    void WriteCustomColours() const;
    std::string CustomColourKey(int index) const;
    bool ShowFileDialog(FileDialogs::Mode mode);
    FileDialogs::FileRequest FileRequest(FileDialogs::Mode mode) const;
    void SetFlag(int32_t flag, bool on);

    std::string name_;
    int32_t flags_ = 0;
    int32_t existFlags_ = 0;
    std::string dialogTitle_;
    std::string initialFolder_;
    std::string initialName_;
    std::string defaultExtension_;
    std::vector<FileDialogs::FileType> fileTypes_;
    int32_t filterIndex_ = 0;
    std::string chosenFile_;
    std::string chosenFolder_;
    FileDialogs::CustomColours customColours_{};
};

// The process-wide instance, created on first use.
clsComDlg& ComDlg();

// Writes the custom colours to the settings store and ends the instance; the next
// ComDlg() creates a fresh one. Safe to call more than once.
void ReleaseComDlg();
