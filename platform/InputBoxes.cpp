#include "platform/InputBoxes.h"

#include "platform/AppPaths.h"

#include <QApplication>
#include <QInputDialog>

namespace InputBoxes {

namespace {

Backend* installedBackend = nullptr;

std::optional<std::string> AskWithQt(const std::string& prompt, const std::string& title)
{
    bool confirmed = false;
    const QString shownTitle = QString::fromStdString(title.empty() ? std::string(AppPaths::ProductName) : title);
    const QString text = QInputDialog::getText(QApplication::activeWindow(), shownTitle, QString::fromStdString(prompt),
                                               QLineEdit::Normal, QString(), &confirmed);
    if (!confirmed)
        return std::nullopt;
    return text.toStdString();
}

} // namespace

std::string InputBox(const std::string& prompt, const std::string& title)
{
    const std::optional<std::string> answer =
        installedBackend ? installedBackend->Ask(prompt, title) : AskWithQt(prompt, title);
    return answer.value_or("");
}

void SetBackend(Backend* backend) { installedBackend = backend; }

} // namespace InputBoxes
