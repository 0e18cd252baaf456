#include "ui/main/frmMain.h"

#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"
#include "ui/main/PanelBuilder.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

using namespace PanelBuilder;

namespace {

constexpr int BarTop = 6690;

// The recorder's buttons: left edges in twips (a wider gap before Open), tool tips and
// pictures.
struct WavButton
{
    int left;
    const char* toolTip;
    QStyle::StandardPixmap picture;
};
constexpr WavButton WavButtons[10] = {
    {60, "Record", QStyle::SP_DialogNoButton},           {370, "Play", QStyle::SP_MediaPlay},
    {680, "Pause", QStyle::SP_MediaPause},               {990, "Stop", QStyle::SP_MediaStop},
    {1300, "Next Track", QStyle::SP_MediaSkipForward},   {1610, "Previous Track", QStyle::SP_MediaSkipBackward},
    {1920, "Continuous Looping Playback", QStyle::SP_BrowserReload},
    {2400, "Load Wav File", QStyle::SP_DirOpenIcon},     {2760, "Save Recording", QStyle::SP_DialogSaveButton},
    {3120, "Close Recorder", QStyle::SP_DialogCloseButton}};

}   // namespace

// The recorder bar, the bit-depth buttons, the configuration button and the receiver's
// clock, IF and version.
void frmMain::CreateRecorderBar(QWidget* form)
{
    picRecorder = Make<PictureBox>(form, "picRecorder", {60, BarTop, 9660, 480});
    picRecorder->SetBackColor(0x303030);
    cmdWavCtls = ButtonArray(picRecorder, "cmdWavCtls", ButtonArray::Kind::Command, 10);
    for (int index = 0; index < 10; ++index) {
        QAbstractButton* button = cmdWavCtls[index];
        button->setToolTip(WavButtons[index].toolTip);
        button->setIcon(QApplication::style()->standardIcon(WavButtons[index].picture));
        FormControls::Place(button, WavButtons[index].left, 90, 300, 300);
        button->setEnabled(index == 0 || index == 7);
    }
    picWavCtlsOffFocus = Make<PictureBox>(picRecorder, "picWavCtlsOffFocus", {3450, 90, 15, 15});
    picWavCtlsOffFocus->setFocusPolicy(Qt::StrongFocus);
    txtRecordFileName = Make<QLineEdit>(picRecorder, "txtRecordFileName", {3510, 90, 1200, 300});
    txtRecordFileName->setToolTip("Filename for recording");
    txtRecordFileName->setReadOnly(true);
    // A name longer than the field shows its start, where the names differ.
    connect(txtRecordFileName, &QLineEdit::textChanged, txtRecordFileName, [field = txtRecordFileName] {
        if (!field->hasFocus())
            field->setCursorPosition(0);
    });
    shpLooping = Make<Shape>(picRecorder, "shpLooping", {2010, 30, 90, 90});
    shpLooping->SetFillStyle(0);
    shpLooping->SetFillColor(0x0000FF);
    shpLooping->hide();

    frRecordSampling = MakeFrame(picRecorder, "frRecordSampling", "Rate", {4770, 0, 2880, 480});
    optRecordSampleRate = MakeArray(frRecordSampling, "optRecordSampleRate", ButtonArray::Kind::Option,
                                    {{"48K", "", {60, 210, 600, 240}},
                                     {"24K", "", {660, 210, 600, 240}},
                                     {"12K", "", {1260, 210, 600, 240}},
                                     {"6K", "", {1860, 210, 510, 240}},
                                     {"3k", "", {2370, 210, 480, 240}}});
    lblRecordMBytesPerHr = MakeLabel(picRecorder, "lblRecordMBytesPerHr", "120", {7665, 150, 300, 195});
    lblRecordMBytesPerHr->setToolTip("MBytes per hour");
    lblRecordTime = MakeLabel(picRecorder, "lblRecordTime", "00:00:00", {7995, 150, 690, 195});
    lblRecordSize = MakeLabel(picRecorder, "lblRecordSize", "000,000,000", {8700, 150, 960, 195});

    frRecordBitsPerSample = MakeFrame(form, "frRecordBitsPerSample", "Bits", {9780, BarTop - 15, 990, 495});
    optRecordSamplePerBit = MakeArray(frRecordBitsPerSample, "optRecordSamplePerBit", ButtonArray::Kind::Option,
                                      {{"16", "", {60, 210, 510, 240}}, {"8", "", {570, 210, 390, 240}}});
    cmdConfig = MakeCommand(form, "cmdConfig", "Config", "", {10800, BarTop + 45, 780, 390});
    lblCLKINFreq = MakeLabel(form, "lblCLKINFreq", "", {11610, BarTop, 975, 165}, "Oscillator clock, Hz");
    lblIFFreq = MakeLabel(form, "lblIFFreq", "", {11610, BarTop + 165, 975, 165}, "IF, Hz");
    lblVer = MakeLabel(form, "lblVer", "", {11610, BarTop + 330, 975, 165});
}

// Each display size's client area ends at one of these lines.
void frmMain::CreateMarkerLines(QWidget* form)
{
    auto marker = [form](const char* name, int y) {
        auto* line = new Line(form);
        line->setObjectName(name);
        line->SetEnds(0, y, 12600, y);
        line->hide();
        return line;
    };
    linCompact = marker("linCompact", 1280);
    linNormal = marker("linNormal", 3650);
    linExtended = marker("linExtended", 6660);
    linConfig = marker("linConfig", 7200);
}
