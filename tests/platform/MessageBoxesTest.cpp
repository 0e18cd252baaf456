#include "platform/MessageBoxes.h"
#include "platform/FileDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace MessageBoxes;

namespace {

struct StyleCase
{
    int style;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escapeButton;  // NoButton: left to Qt
};

} // namespace

TEST(MessageBoxes, StyleGivesButtonsIconDefaultAndEscape)
{
    const StyleCase cases[] = {
        {vbOKOnly, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
        {vbOKOnly | vbCritical, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
        {vbOKCancel | vbInformation, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information,
         QMessageBox::Ok, QMessageBox::Cancel},
        {vbYesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon, QMessageBox::Yes, QMessageBox::No},
        {vbYesNoCancel | vbQuestion | vbDefaultButton2, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Question, QMessageBox::No, QMessageBox::Cancel},
        {vbRetryCancel | vbExclamation | vbDefaultButton2, QMessageBox::Retry | QMessageBox::Cancel,
         QMessageBox::Warning, QMessageBox::Cancel, QMessageBox::Cancel},
        {vbAbortRetryIgnore | vbDefaultButton3, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
         QMessageBox::NoIcon, QMessageBox::Ignore, QMessageBox::NoButton},
        // a default button the box does not have falls back to the first; an unknown group shows OK
        {vbOKCancel | vbDefaultButton3, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon, QMessageBox::Ok,
         QMessageBox::Cancel},
        {7, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
    };
    for (const StyleCase& c : cases) {
        SCOPED_TRACE("style " + std::to_string(c.style));
        const auto box = BuildMessageBox("text", c.style, "title");
        EXPECT_EQ(box->standardButtons(), c.buttons);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
        if (c.escapeButton != QMessageBox::NoButton) {
            EXPECT_EQ(box->standardButton(box->escapeButton()), c.escapeButton);
        }
    }
}

TEST(MessageBoxes, TitleAndTextAreShownAsWritten)
{
    const auto untitled = BuildMessageBox("line one\r\nline two", vbOKOnly, "");
    EXPECT_EQ(untitled->windowTitle(), "ZOZEVERE");
    EXPECT_EQ(untitled->text(), "line one\nline two");

    // Text from files and devices may hold markup; it must not be interpreted.
    const auto titled = BuildMessageBox("<b>COM1</b> & <i>x</i>", vbOKOnly, "ZOZEVERE - No Bandplan found");
    EXPECT_EQ(titled->windowTitle(), "ZOZEVERE - No Bandplan found");
    EXPECT_EQ(titled->textFormat(), Qt::PlainText);
}

TEST(MessageBoxes, ResultNamesTheButtonPressedOrTheEscapeAnswer)
{
    const auto closed = BuildMessageBox("Retry ?", vbRetryCancel, "");
    EXPECT_EQ(ResultOf(*closed), vbCancel);

    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MsgBox("Current Recording Not Saved\r\nDo you want to Save it ?", vbYesNo), vbNo);
}

// A stop signal leaves nobody to answer: nothing is shown, the text goes to standard
// error and the log, and each box answers as if closed with Esc.
TEST(MessageBoxes, UnattendedBoxesAndDialogsAreNotShownButLoggedAndAnswerAsDismissed)
{
    std::vector<std::string> logged;
    SetLog([&](const std::string& line) { logged.push_back(line); });
    SetUnattended(true);
    ::testing::internal::CaptureStderr();
    struct Case { int style; Result answer; };
    for (const Case& c : {Case{vbOKOnly, vbOK}, Case{vbYesNo, vbNo}, Case{vbYesNoCancel | vbDefaultButton1, vbCancel},
                          Case{vbAbortRetryIgnore, vbCancel}})
        EXPECT_EQ(MsgBox("The settings could not be saved.\nCheck the folder", c.style), c.answer) << c.style;
    EXPECT_FALSE(FileDialogs::ShowFile({}).chosen);
    EXPECT_FALSE(FileDialogs::ShowColour({}).chosen);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    SetUnattended(false);
    SetLog(nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[0], "MessageBoxes.MsgBox:ZOZEVERE: The settings could not be saved. Check the folder");
    EXPECT_NE(printed.find("ZOZEVERE: The settings could not be saved. Check the folder\n"), std::string::npos);
}

// The box belongs to the active window; that window may go while the box is open.
TEST(MessageBoxes, ABoxWhoseWindowGoesCountsAsDismissedAndASplashStepsAsideMeanwhile)
{
    QWidget splash(nullptr, Qt::SplashScreen);
    splash.show();
    auto* owner = new QWidget;
    owner->show();
    owner->activateWindow();
    for (int tries = 0; tries < 100 && QApplication::activeWindow() != owner; ++tries)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(QApplication::activeWindow(), owner);
    bool splashHidden = false;
    QTimer::singleShot(0, [&] {
        splashHidden = !splash.isVisible();
        EXPECT_EQ(QApplication::activeModalWidget()->parentWidget(), owner);
        delete owner;
    });
    EXPECT_EQ(MsgBox("Unable to start the sound devices. Check the sound card and the sound server.", vbOKCancel), vbCancel);
    EXPECT_TRUE(splashHidden);
    EXPECT_TRUE(splash.isVisible());
}
