// The track panel: a header line and the list of a file's tracks, laid over the presets
// frame while a file is open. Each line carries the index in the track log of the track
// it shows (tracks shorter than a second are not listed), and every jump goes by that index.
#include "ui/main/frmMain.h"

#include "audio/TrackLog.h"
#include "audio/clsWavFile.h"
#include "core/PublicFuncs.h"
#include "core/TryStep.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/PictureBox.h"
#include "ui/main/RecorderTime.h"

#include <QLineEdit>
#include <QListWidget>

namespace {

constexpr int TrackIndexRole = Qt::UserRole;
constexpr uint32_t HeaderTextColour = 0x00FFFF;
const QString NoTracksHeader = "No Track Information Found";
const QString TracksHeader = " F(KHz)   Date      Time   Duration";

QString TrackLine(const TrackLogRecord& track, float seconds)
{
    return QString::fromStdString(PublicFuncs::PadNumber(track.F / 10000, 6, " ")) + ' ' +
           track.T.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + ' ' + RecorderTime::FormatDuration(seconds);
}

}   // namespace

void frmMain::CreateTrackPanel()
{
    picRecorderTrackList = new PictureBox(Frequency->frFreqCtl);
    picRecorderTrackList->setObjectName("picRecorderTrackList");
    picRecorderTrackList->hide();
    const QFont fixedPitch(QStringLiteral("Courier New"));
    txtRecordingLogHeaders = new QLineEdit(picRecorderTrackList);
    txtRecordingLogHeaders->setObjectName("txtRecordingLogHeaders");
    txtRecordingLogHeaders->setFont(fixedPitch);
    lstRecordingLogs = new QListWidget(picRecorderTrackList);
    lstRecordingLogs->setObjectName("lstRecordingLogs");
    lstRecordingLogs->setFont(fixedPitch);
}

// Covers the presets frame exactly; the list overlaps the lower three tenths of the header.
void frmMain::ShowTrackPanel()
{
    using FormUnits::PixelsToTwips;
    const QRect presets = frPresets->geometry();
    picRecorderTrackList->SetBackColor(FormControls::BackColour(frPresets));
    picRecorderTrackList->setGeometry(presets);
    picRecorderTrackList->show();
    picRecorderTrackList->raise();
    const int innerWidth = PixelsToTwips(picRecorderTrackList->contentsRect().width());

    QLineEdit* header = txtRecordingLogHeaders;
    FormControls::Place(header, 0, 0, innerWidth, PixelsToTwips(header->sizeHint().height()));
    header->show();
    header->raise();
    header->setReadOnly(true);
    header->setFont(lstRecordingLogs->font());
    FormControls::SetBackColour(header, FormControls::BackColour(lstRecordingLogs));
    FormControls::SetForeColour(header, HeaderTextColour);

    const int listTop = static_cast<int>(static_cast<float>(PixelsToTwips(header->y())) +
                                         0.7f * static_cast<float>(PixelsToTwips(header->height())));
    FormControls::Place(lstRecordingLogs, 0, listTop, innerWidth, PixelsToTwips(presets.height()) - listTop);
    lstRecordingLogs->show();
    lstRecordingLogs->raise();
}

// The file's tracks, one line each; a track that rounds to no whole second is left out.
void frmMain::WavFile_CatalogueLoaded(int32_t NumberOfTracks)
{
    lstRecordingLogs->clear();
    txtRecordingLogHeaders->setText(NoTracksHeader);
    if (NumberOfTracks < 1)
        return;
    txtRecordingLogHeaders->setText(TracksHeader);
    const int32_t rate = WavFile->WavSamplingRate();
    const int32_t bytesPerSample = WavFile->FileBitsPerSample() / 8;
    const auto tracks = std::min<std::size_t>(static_cast<std::size_t>(NumberOfTracks), TrackLog.size() - 1);
    for (std::size_t index = 0; index < tracks && rate > 0; ++index) {
        const TrackLogRecord& track = TrackLog[index];
        const float seconds = RecorderTime::TrackSeconds(track.S, track.E, rate, bytesPerSample);
        if (seconds <= 0.0f)
            continue;
        auto* line = new QListWidgetItem(TrackLine(track, seconds), lstRecordingLogs);
        line->setData(TrackIndexRole, static_cast<int>(index));
    }
    SelectTrackLine(0);
}

// The played position moved on: the line of the track that holds it is selected without
// a jump.
void frmMain::WavFile_DiskRead(int32_t RecordingOffsetInBytes)
{
    TryStep([&] {
        for (std::size_t index = 0; index + 1 < TrackLog.size(); ++index) {
            const TrackLogRecord& track = TrackLog[index];
            if (track.S > RecordingOffsetInBytes || RecordingOffsetInBytes > track.E)
                continue;
            for (int line = 0; line < lstRecordingLogs->count(); ++line) {
                if (TrackOfLine(line) != static_cast<int32_t>(index))
                    continue;
                InDiskReadSelect = true;
                SelectTrackLine(line);
                InDiskReadSelect = false;
            }
            return;
        }
    });
}

// A line chosen (by the user or by code): playback moves to the start of its track.
void frmMain::lstRecordingLogs_Click()
{
    if (InDiskReadSelect || !WavFile)
        return;
    const int32_t track = TrackOfLine(lstRecordingLogs->currentRow());
    if (track < 0)
        return;
    WavFile->NumSamples(0);
    WavFile->PlayFrom(track);
}

// Selecting a line from code runs the list's click, as the user's choice does.
void frmMain::SelectTrackLine(int line)
{
    if (line >= 0 && line < lstRecordingLogs->count())
        lstRecordingLogs->setCurrentRow(line);
}

// The track-log index a line shows; -1 for no line.
int32_t frmMain::TrackOfLine(int line) const
{
    const QListWidgetItem* item = line >= 0 ? lstRecordingLogs->item(line) : nullptr;
    return item ? item->data(TrackIndexRole).toInt() : -1;
}

// Next (+1) and Prev (-1): the neighbouring line, round the ends of the list. A file
// without listed tracks has nowhere to go.
void frmMain::StepTrackAction(int step)
{
    const int lines = lstRecordingLogs->count();
    if (lines == 0)
        return;
    int line = lstRecordingLogs->currentRow() + step;
    if (line > lines - 1)
        line = 0;
    if (line < 0)
        line = lines - 1;
    SelectTrackLine(line);
    WavFile->PlayFrom(TrackOfLine(line));
}
