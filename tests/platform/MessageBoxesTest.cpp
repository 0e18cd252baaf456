#include "platform/MessageBoxes.h"

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
