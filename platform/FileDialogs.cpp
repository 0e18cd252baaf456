#include "platform/FileDialogs.h"

#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QPointer>
#include <algorithm>

namespace FileDialogs {

namespace {

Backend* installedBackend = nullptr;

bool HaveWidgets()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "*.wav;*.bpl" gives "*.wav *.bpl"; "*.*" stands for every file, with or without a point.
std::string QtGlobs(const std::string& pattern)
{
    std::string globs;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t semicolon = pattern.find(';', start);
        if (semicolon == std::string::npos)
            semicolon = pattern.size();
        std::string glob = Trimmed(pattern.substr(start, semicolon - start));
        if (glob == "*.*")
            glob = "*";
        if (!glob.empty())
            globs += (globs.empty() ? "" : " ") + glob;
        start = semicolon + 1;
    }
    return globs.empty() ? "*" : globs;
}

bool HasWildcard(const std::string& name)
{
    return name.find_first_of("*?") != std::string::npos;
}

QColor ToQColor(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

uint32_t FromQColor(const QColor& colour)
{
    return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
           static_cast<uint32_t>(colour.blue()) << 16;
}

int CustomSlots()
{
    return std::min(CustomColourCount, QColorDialog::customCount());
}

int FilterIndexOf(const QFileDialog& dialog)
{
    return static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
}

// The checks a Qt dialog does not make itself. False sends the user back to the dialog.
bool Acceptable(const FileRequest& request, const QString& path)
{
    const QFileInfo file(path);
    const std::string title = request.title;
    if (request.pathMustExist && !file.dir().exists()) {
        MessageBoxes::MsgBox(path.toStdString() + "\r\nThe folder does not exist.\r\nCheck the folder name and try again.",
                             MessageBoxes::vbExclamation, title);
        return false;
    }
    if (request.mode != Mode::Open || file.exists())
        return true;
    if (request.fileMustExist) {
        MessageBoxes::MsgBox(path.toStdString() + "\r\nThe file does not exist.\r\nCheck the file name and try again.",
                             MessageBoxes::vbExclamation, title);
        return false;
    }
    if (request.createPrompt)
        return MessageBoxes::MsgBox(path.toStdString() + "\r\nThe file does not exist.\r\nDo you want to create it?",
                                    MessageBoxes::vbYesNo | MessageBoxes::vbExclamation, title) == MessageBoxes::vbYes;
    return true;
}

// The dialog belongs to its owner window; should that window go while the dialog is
// open, it takes the dialog with it, and the dialog counts as cancelled.
FileResult RunFileDialog(const QPointer<QFileDialog>& dialog, const FileRequest& request)
{
    while (dialog && dialog->exec() == QDialog::Accepted && dialog) {
        const QStringList files = dialog->selectedFiles();
        if (files.isEmpty())
            break;
        if (Acceptable(request, files.first()))
            return {true, QDir::cleanPath(files.first()).toStdString(), FilterIndexOf(*dialog)};
    }
    return {};
}

// Widens the dialog by what the list lacks; the dialog's layout shares the new width out
// later, so the list is measured again then until it shows every column or the screen is full.
void WidenForColumns(QFileDialog& dialog, QTreeView* list)
{
    const int missing = list->header()->length() - list->viewport()->width();
    const QScreen* screen = dialog.screen();
    const int widest = screen ? screen->availableGeometry().width() : dialog.width() + missing;
    if (missing <= 0 || dialog.width() >= widest)
        return;
    dialog.resize(std::min(widest, dialog.width() + missing), dialog.height());
    QTimer::singleShot(0, &dialog, [&dialog, list] { WidenForColumns(dialog, list); });
}

// The file list's columns as wide as what they show, and the dialog widened, within the
// screen, until the list shows every column whole.
void FitFileColumns(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QTreeView*>("treeView");
    if (!list)
        return;
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    QObject::connect(header, &QHeaderView::sectionResized, &dialog, [&dialog, list] { WidenForColumns(dialog, list); });
}

} // namespace

// Qt reads the globs from the brackets that end a filter, so a description's own
// bracketed list ("Sound Files (*.wav)") gives way to the globs of the pattern.
std::vector<std::string> NameFilters(const std::vector<FileType>& fileTypes)
{
    std::vector<std::string> filters;
    for (const FileType& type : fileTypes) {
        std::string description = Trimmed(type.description);
        const std::size_t bracket = description.rfind('(');
        if (!description.empty() && description.back() == ')' && bracket != std::string::npos)
            description = Trimmed(description.substr(0, bracket));
        filters.push_back(Trimmed(description + " (" + QtGlobs(type.pattern) + ")"));
    }
    return filters;
}

std::unique_ptr<QFileDialog> BuildFileDialog(const FileRequest& request, QWidget* owner)
{
    auto dialog = std::make_unique<QFileDialog>(owner, QString::fromStdString(request.title));
    const bool save = request.mode == Mode::Save;
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(!save && request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog->setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    FitFileColumns(*dialog);
    if (request.mode == Mode::Folder) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    }

    QStringList filters;
    for (const std::string& filter : NameFilters(request.fileTypes))
        filters << QString::fromStdString(filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog->selectNameFilter(filters[index - 1]);
    }

    const QString folder = QString::fromStdString(request.initialFolder);
    if (!folder.isEmpty() && QDir(folder).exists())
        dialog->setDirectory(folder);
    // A wildcard name such as "*.wav" only repeats the type list; the name box stays empty.
    if (!request.initialName.empty() && !HasWildcard(request.initialName))
        dialog->selectFile(QString::fromStdString(request.initialName));
    return dialog;
}

// Qt's colour dialog always shows its custom colours, so fullOpen changes nothing here.
// The custom colours are Qt's own, shared by every colour dialog of the process.
std::unique_ptr<QColorDialog> BuildColourDialog(const ColourRequest& request, QWidget* owner)
{
    for (int index = 0; index < CustomSlots(); ++index)
        QColorDialog::setCustomColor(index, ToQColor(request.customColours[index]));
    return std::make_unique<QColorDialog>(ToQColor(request.initialColour), owner);
}

FileResult ShowFile(const FileRequest& request)
{
    if (MessageBoxes::Unattended())
        return {};
    if (installedBackend)
        return installedBackend->ShowFile(request);
    if (!HaveWidgets())
        return {};
    const QPointer<QFileDialog> dialog =
        BuildFileDialog(request, request.owner ? request.owner : QApplication::activeWindow()).release();
    const FileResult result = RunFileDialog(dialog, request);
    delete dialog.data();
    return result;
}

ColourResult ShowColour(const ColourRequest& request)
{
    ColourResult result;
    result.customColours = request.customColours;
    if (MessageBoxes::Unattended())
        return result;
    if (installedBackend)
        return installedBackend->ShowColour(request);
    if (!HaveWidgets())
        return result;
    const QPointer<QColorDialog> dialog =
        BuildColourDialog(request, request.owner ? request.owner : QApplication::activeWindow()).release();
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return result;
    result.chosen = accepted;
    result.colour = FromQColor(dialog->selectedColor());
    for (int index = 0; index < CustomSlots(); ++index)
        result.customColours[index] = FromQColor(QColorDialog::customColor(index));
    delete dialog.data();
    return result;
}

void SetBackend(Backend* backend)
{
    installedBackend = backend;
}

} // namespace FileDialogs
