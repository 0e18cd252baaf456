#pragma once

#include <string>

// Message boxes. Buttons and icons combine as the flags below; the result names the
// button pressed. Tests install a backend that records the box and answers at once.
namespace MessageBoxes {

enum Style : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
};
enum Result : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

class Backend
{
public:
    virtual ~Backend() = default;
    virtual int Show(const std::string& prompt, int style, const std::string& title) = 0;
};

// An empty title shows the application title.
int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = "");

void SetBackend(Backend* backend);  // nullptr restores the real Qt boxes

} // namespace MessageBoxes
