#include "platform/FileDialogs.h"

#include "fakes/FakeMessageBoxes.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

using namespace FileDialogs;

namespace {

// Plays the user: each time a modal dialog of type T is up, runs the next scripted step on it.
// A scripted step must close the dialog.
template <typename T>
class ScriptedUser
{
public:
    explicit ScriptedUser(std::deque<std::function<void(T&)>> steps) : steps_(std::move(steps))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (steps_.empty()) {  // an unexpected dialog fails the test instead of hanging it
                ADD_FAILURE() << "dialog shown once more than scripted";
                dialog->reject();
                return;
            }
            auto step = steps_.front();
            steps_.pop_front();
            step(*dialog);
        });
        timer_.start(5);
    }
    bool Done() const { return steps_.empty(); }

private:
    std::deque<std::function<void(T&)>> steps_;
    QTimer timer_;
};

std::function<void(QFileDialog&)> Choose(const QString& path)
{
    return [path](QFileDialog& dialog) {
        dialog.selectFile(path);
        QMetaObject::invokeMethod(&dialog, "accept");
    };
}

const std::function<void(QFileDialog&)> Cancel = [](QFileDialog& dialog) { dialog.reject(); };

} // namespace

TEST(FileDialogs, FileTypesBecomeQtNameFilters)
{
    const std::vector<FileType> types = {
        {"Sound Files (*.wav)", "*.wav"},
        {"Executables", "*.exe"},
        {"All Files (*.*)", "*.*"},
        {"Band plans", "*.bpl; *.BPL"},
        {"Nothing", ""},
    };
    EXPECT_EQ(NameFilters(types), (std::vector<std::string>{"Sound Files (*.wav)", "Executables (*.exe)",
                                                            "All Files (*)", "Band plans (*.bpl *.BPL)",
                                                            "Nothing (*)"}));
}

TEST(FileDialogs, OpenRequestShapesTheDialog)
{
    QTemporaryDir folder;
    FileRequest request;
    request.title = "Select Recording Filename";
    request.initialFolder = folder.path().toStdString();
    request.initialName = "take1.wav";
    request.fileTypes = {{"Sound Files (*.wav)", "*.wav"}, {"All Files", "*.*"}};
    request.filterIndex = 2;
    request.defaultExtension = "wav";
    request.fileMustExist = true;

    const auto dialog = BuildFileDialog(request, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Select Recording Filename");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->selectedNameFilter(), "All Files (*)");
    EXPECT_EQ(dialog->defaultSuffix(), "wav");
    EXPECT_EQ(dialog->directory().absolutePath(), folder.path());
    EXPECT_EQ(dialog->selectedFiles().value(0), folder.filePath("take1.wav"));

    request.mode = Mode::Save;
    request.overwritePrompt = true;
    const auto save = BuildFileDialog(request, nullptr);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->fileMode(), QFileDialog::AnyFile);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    request.overwritePrompt = false;
    EXPECT_TRUE(BuildFileDialog(request, nullptr)->testOption(QFileDialog::DontConfirmOverwrite));

    // A missing folder and a wildcard name are not forced on the dialog.
    request.initialFolder = "/no/such/folder/anywhere";
    request.initialName = "*.wav";
    const auto missing = BuildFileDialog(request, nullptr);
    EXPECT_TRUE(missing->directory().exists());
    for (const QString& selected : missing->selectedFiles())
        EXPECT_FALSE(selected.contains('*'));
}

TEST(FileDialogs, CreatePromptAsksForAMissingFileAndNoReturnsToTheDialog)
{
    QTemporaryDir folder;
    FakeMessageBoxes boxes;
    boxes.Answer(MessageBoxes::vbNo);
    boxes.Answer(MessageBoxes::vbYes);
    FileRequest request;
    request.title = "Save SDr Colour Theme Filename";
    request.createPrompt = true;
    request.fileTypes = {{"Themes", "*.thm"}, {"All Files", "*"}};
    request.filterIndex = 2;
    const QString missing = folder.filePath("night.thm");
    ScriptedUser<QFileDialog> user({Choose(missing), Choose(missing)});

    const FileResult result = ShowFile(request);
    EXPECT_TRUE(user.Done());
    EXPECT_TRUE(result.chosen);
    EXPECT_EQ(result.path, missing.toStdString());
    EXPECT_EQ(result.filterIndex, 2);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_NE(boxes.Last().prompt.find(missing.toStdString()), std::string::npos);
    EXPECT_EQ(boxes.Last().buttons, (std::vector<MessageBoxes::Result>{MessageBoxes::vbYes, MessageBoxes::vbNo}));
    EXPECT_EQ(boxes.Last().title, request.title);
}

TEST(FileDialogs, MissingFolderIsRefusedAndCancelChoosesNothing)
{
    QTemporaryDir folder;
    FakeMessageBoxes boxes;
    FileRequest request;
    request.mode = Mode::Save;
    request.pathMustExist = true;
    ScriptedUser<QFileDialog> user({Choose(folder.filePath("gone/take.wav")), Cancel});

    const FileResult result = ShowFile(request);
    EXPECT_FALSE(result.chosen);
    EXPECT_TRUE(result.path.empty());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().icon, MessageBoxes::vbExclamation);
}

TEST(FileDialogs, ColourDialogSpeaksBlueGreenRed)
{
    ColourRequest request;
    request.initialColour = 0x00332211;  // red 0x11, green 0x22, blue 0x33
    request.customColours.fill(0xFFFFFF);
    request.customColours[5] = 0x0000FF;
    const auto dialog = BuildColourDialog(request, nullptr);
    EXPECT_EQ(dialog->currentColor(), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(QColorDialog::customColor(5), QColor(0xFF, 0, 0));

    ScriptedUser<QColorDialog> user({[](QColorDialog& shown) {
        QColorDialog::setCustomColor(2, QColor(1, 2, 3));
        shown.setCurrentColor(QColor(0x40, 0x50, 0x60));
        shown.accept();
    }});
    const ColourResult chosen = ShowColour(request);
    EXPECT_TRUE(chosen.chosen);
    EXPECT_EQ(chosen.colour, 0x605040u);
    EXPECT_EQ(chosen.customColours[2], 0x030201u);
    EXPECT_EQ(chosen.customColours[5], 0x0000FFu);
}

// The file list shows its name, size, type and date columns whole, each as wide as what it
// holds, and all of them inside the list.
TEST(FileDialogs, TheFileListShowsEveryColumnWhole)
{
    QTemporaryDir folder;
    for (const char* name : {"TimeSig.bpl", "Recording of the evening net 2026-12-08.wav", "night.thm"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(123456, 'x'));
    }
    FileRequest request;
    request.title = "Select Filename";
    request.initialFolder = folder.path().toStdString();
    const auto dialog = BuildFileDialog(request, nullptr);
    dialog->show();
    QTreeView* list = dialog->findChild<QTreeView*>("treeView");
    ASSERT_NE(list, nullptr);
    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 3);
    QApplication::processEvents();

    QHeaderView* header = list->header();
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        const QString title = list->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column)) << title.toStdString();
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << title.toStdString();
    }
    QTRY_VERIFY(header->length() <= list->viewport()->width());
    dialog->grab().save(QDir(QCoreApplication::applicationDirPath()).filePath("FileDialog.png"));
}
