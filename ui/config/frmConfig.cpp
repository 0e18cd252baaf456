#include "ui/config/frmConfig.h"

#include "core/DoEvents.h"
#include "ui/common/ClickRule.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QWindow>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>

frmConfig* frmConfig::Loaded()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* config = qobject_cast<frmConfig*>(window); config && config->objectName() == "frmConfig")
            return config;
    return nullptr;
}

void frmConfig::cmdConfig_Click(frmMain& main)
{
    if (ConfigFormOpen)
        return;
    frmConfig* window = Loaded();
    const bool load = window == nullptr;
    if (load)
        window = new frmConfig(main);
    window->SoundCard = main.SoundCard.get();
    ConfigFormOpen = true;   // also when a hidden window is shown again
    if (load)
        window->Form_Load();
    else
        window->LoadSoundDevices();
    window->show();
    window->raise();
    DoEvents();
}

// The window is a top-level window of its own, kept above the main window, not one of its
// controls: the main window's colour scheme reaches every control it holds. It goes with
// the main window.
frmConfig::frmConfig(frmMain& main) : main_(main)
{
    setObjectName("frmConfig");
    setWindowTitle("ZOZEVERE - Configuration");
    setModal(false);
    CreateControls();
    winId();
    if (main.windowHandle())
        windowHandle()->setTransientParent(main.windowHandle());
    connect(&main, &QObject::destroyed, this, [this] { delete this; });
}

void frmConfig::ConnectHandlers()
{
    connect(TabStrip1, &QTabBar::currentChanged, this, [this](int) { TabStrip1_Click(); });
    connect(cboSDRModel, &QComboBox::currentIndexChanged, this, [this](int) { cboSDRModel_Click(); });
    optIF.OnClick([this](int index) { optIF_Click(index); });
    ClickRule::Connect(chkEnableEncoder, [this] { chkEnableEncoder_Click(); });
    connect(cboIOUPDBitNo, &QComboBox::currentIndexChanged, this,
            [this](int index) { SelIOUPDBitNo = static_cast<uint8_t>(std::max(index, 0)); });
    connect(cboSCLCKBitNo, &QComboBox::currentIndexChanged, this,
            [this](int index) { SelSCLCKBitNo = static_cast<uint8_t>(std::max(index, 0)); });
    connect(cboSDATABitNo, &QComboBox::currentIndexChanged, this,
            [this](int index) { SelSDATABitNo = static_cast<uint8_t>(std::max(index, 0)); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdBitPeriodDefault, &QPushButton::clicked, this, [this] { cmdBitPeriodDefault_Click(); });
    connect(cmdParallelPortDefaults, &QPushButton::clicked, this, [this] { cmdParallelPortDefaults_Click(); });
    connect(cmdDreamDefault, &QPushButton::clicked, this, [this] { cmdDreamDefault_Click(); });
    connect(cmdFindDREAM, &QPushButton::clicked, this, [this] { cmdFindDREAM_Click(); });
    connect(cmdSavePath, &QPushButton::clicked, this, [this] { cmdSavePath_Click(); });
    connect(cmdCalDDS, &QPushButton::clicked, this, [this] { cmdCalDDS_Click(); });
}

// The close box unloads the window; the next showing loads it afresh.
void frmConfig::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
    setObjectName("frmConfigUnloaded");   // the next showing loads a new window
    deleteLater();
}

void frmConfig::Form_Unload()
{
    ConfigFormOpen = false;
}
