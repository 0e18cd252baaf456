#pragma once

#include "core/PublicVars.h"
#include "fakes/FakeFileDialogs.h"
#include "platform/SerialLines.h"
#include "ui/config/frmConfig.h"
#include "ui/main/MainWindowRig.h"

#include <QComboBox>
#include <QPushButton>

// The configuration window opened by the main window's Config button, over the main
// window rig (fake sound card, a model without a port).
class ConfigRig : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        frmMain::OpenConfiguration = frmConfig::cmdConfig_Click;
        // The Serial I/F tab lists the devices of an empty folder, not the machine's.
        SerialLines::SetDeviceFolders(home.file("dev"), home.file("sys"));
    }

    void TearDown() override
    {
        frmMain::OpenConfiguration = nullptr;
        SerialLines::SetDeviceFolders("", "");
        ConfigFormOpen = false;
        SDRModelNo = 0;
        PublicVars::SetColourSchemeDefaults();
        MainWindowRig::TearDown();
    }

    frmConfig* Open()
    {
        window->cmdConfig->click();
        return frmConfig::Loaded();
    }

    // Selects the list entry whose text begins with the given text.
    static void Choose(QComboBox* list, const QString& text)
    {
        const int index = list->findText(text, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << text.toStdString();
        list->setCurrentIndex(index);
    }

    FakeFileDialogs dialogs;
};
