#include "platform/MessageBoxes.h"

#include "platform/AppPaths.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <cstdio>

namespace MessageBoxes {

namespace {

Backend* installedBackend = nullptr;
bool unattended = false;
std::function<void(const std::string&)>& LogSink()
{
    static std::function<void(const std::string&)> sink;
    return sink;
}

constexpr int ButtonGroupMask = 0xF;
constexpr int IconMask = 0x70;
constexpr int DefaultButtonMask = 0x300;
constexpr int DefaultButtonShift = 8;

QMessageBox::StandardButton StandardButtonOf(Result result)
{
    switch (result) {
    case vbOK: return QMessageBox::Ok;
    case vbCancel: return QMessageBox::Cancel;
    case vbAbort: return QMessageBox::Abort;
    case vbRetry: return QMessageBox::Retry;
    case vbIgnore: return QMessageBox::Ignore;
    case vbYes: return QMessageBox::Yes;
    case vbNo: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

bool ResultOfButton(QMessageBox::StandardButton button, Result& result)
{
    for (Result candidate : {vbOK, vbCancel, vbAbort, vbRetry, vbIgnore, vbYes, vbNo}) {
        if (StandardButtonOf(candidate) == button) {
            result = candidate;
            return true;
        }
    }
    return false;
}

QMessageBox::Icon IconOf(int style)
{
    switch (style & IconMask) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Esc answers Cancel, else No, else the only button; a box without any of these
// (Abort, Retry, Ignore) is left to Qt.
QMessageBox::StandardButton EscapeButtonOf(const std::vector<Result>& buttons)
{
    for (Result preferred : {vbCancel, vbNo})
        for (Result button : buttons)
            if (button == preferred)
                return StandardButtonOf(button);
    return buttons.size() == 1 ? StandardButtonOf(buttons.front()) : QMessageBox::NoButton;
}

// Prompts break lines with CR LF; Qt wants LF alone.
QString PlainText(const std::string& prompt)
{
    QString text = QString::fromStdString(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// One line, as the log and a terminal want it: each run of line breaks becomes a blank.
std::string OneLine(const std::string& title, const std::string& prompt)
{
    std::string line = ShownTitle(title);
    line.append(": ");
    bool inBreak = false;
    for (const char c : prompt) {
        const bool isBreak = c == '\r' || c == '\n';
        if (!isBreak)
            line.push_back(c);
        else if (!inBreak)
            line.push_back(' ');
        inBreak = isBreak;
    }
    return line;
}

// A splash window stays on top of every other window: while a box is open it steps aside.
class SplashesAside
{
public:
    SplashesAside()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->windowType() == Qt::SplashScreen) {
                window->hide();
                hidden_.emplace_back(window);
            }
        }
    }
    ~SplashesAside()
    {
        for (const QPointer<QWidget>& window : hidden_)
            if (window)
                window->show();
    }
    SplashesAside(const SplashesAside&) = delete;
    SplashesAside& operator=(const SplashesAside&) = delete;

private:
    std::vector<QPointer<QWidget>> hidden_;
};

void Log(const std::string& line)
{
    if (LogSink())
        LogSink()("MessageBoxes.MsgBox:" + line);
}

} // namespace

std::vector<Result> Buttons(int style)
{
    switch (style & ButtonGroupMask) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

Result DefaultResult(int style)
{
    const std::vector<Result> buttons = Buttons(style);
    const std::size_t index = static_cast<std::size_t>((style & DefaultButtonMask) >> DefaultButtonShift);
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::string ShownTitle(const std::string& title)
{
    return title.empty() ? std::string(AppPaths::ApplicationTitle) : title;
}

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& prompt, int style, const std::string& title,
                                             QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromStdString(ShownTitle(title)));
    box->setTextFormat(Qt::PlainText);  // a prompt holding "<" is shown as written
    box->setText(PlainText(prompt));
    box->setIcon(IconOf(style));
    const std::vector<Result> buttons = Buttons(style);
    for (Result button : buttons)
        box->addButton(StandardButtonOf(button));
    box->setDefaultButton(StandardButtonOf(DefaultResult(style)));
    const QMessageBox::StandardButton escape = EscapeButtonOf(buttons);
    if (escape != QMessageBox::NoButton)
        box->setEscapeButton(escape);
    return box;
}

Result ResultOf(const QMessageBox& box)
{
    Result result = vbCancel;
    if (ResultOfButton(box.standardButton(box.clickedButton()), result))
        return result;
    ResultOfButton(box.standardButton(box.escapeButton()), result);
    return result;
}

Result DismissedResult(int style)
{
    const QMessageBox::StandardButton escape = EscapeButtonOf(Buttons(style));
    Result result = vbCancel;
    ResultOfButton(escape, result);
    return result;
}

int MsgBox(const std::string& prompt, int style, const std::string& title)
{
    const std::string line = OneLine(title, prompt);
    Log(line);
    if (unattended) {
        std::fprintf(stderr, "%s\n", line.c_str());
        return DismissedResult(style);
    }
    if (installedBackend)
        return installedBackend->Show(prompt, style, title);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No window system yet: the message still reaches the user on the terminal.
        std::fprintf(stderr, "%s\n", line.c_str());
        return DefaultResult(style);
    }
    // The box belongs to the active window; should that window go while the box is open,
    // it takes the box with it, and the box counts as dismissed.
    const SplashesAside splashesAside;
    QPointer<QMessageBox> box = BuildMessageBox(prompt, style, title, QApplication::activeWindow()).release();
    box->exec();
    if (!box)
        return DismissedResult(style);
    const Result result = ResultOf(*box);
    delete box.data();
    return result;
}

void SetBackend(Backend* backend)
{
    installedBackend = backend;
}

void SetUnattended(bool value)
{
    unattended = value;
}

bool Unattended()
{
    return unattended;
}

void SetLog(std::function<void(const std::string&)> log)
{
    LogSink() = std::move(log);
}

} // namespace MessageBoxes
