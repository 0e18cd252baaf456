#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMessageBox;
class QWidget;

// Message boxes. Buttons, icon and default button combine as the flags below; the
// result names the button pressed. Tests install a backend that records the box and
// answers at once.
namespace MessageBoxes {

enum Style : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
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

// Nobody is there to answer (the program is ending on a stop signal): every later box,
// and every file or colour dialog, is not shown; its text goes to standard error and to
// the log, and it answers as a box closed with Esc would.
void SetUnattended(bool unattended);
bool Unattended();

// Where the text of every box goes (the trace log); nullptr: nowhere.
void SetLog(std::function<void(const std::string&)> log);

// The buttons a style shows, in their order on the box (OK before Cancel, Yes before No);
// an unknown button group shows OK alone.
std::vector<Result> Buttons(int style);

// The button that Enter presses: the one the default-button flags pick, the first when
// the box has fewer buttons.
Result DefaultResult(int style);

// The title the user sees for a given title.
std::string ShownTitle(const std::string& title);

// The real box, built but not shown, open to tests.
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& prompt, int style, const std::string& title,
                                             QWidget* parent = nullptr);

// The answer of a box that has closed; a box closed without a button (Esc, or its loop
// ended by a stop) gives its escape answer.
Result ResultOf(const QMessageBox& box);

// The answer of a box of that style that was closed without a button being pressed:
// Cancel, else No, else the only button; Cancel when the box has none of them.
Result DismissedResult(int style);

} // namespace MessageBoxes
