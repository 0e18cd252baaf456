#include "ui/config/SoundDeviceLists.h"

#include "audio/SoundDeviceChoice.h"

#include <QComboBox>

namespace {

constexpr int NameRole = Qt::UserRole;
constexpr int NotFoundRole = Qt::UserRole + 1;

// A device as the user knows it: its description, with the device's own name when it says
// something more.
QString DeviceEntry(const std::string& description, const std::string& name)
{
    const QString shown = QString::fromStdString(description.empty() ? name : description);
    if (name.empty() || description.empty() || description == name)
        return shown;
    return shown + "  [" + QString::fromStdString(name) + "]";
}

} // namespace

namespace SoundDeviceLists {

void Fill(QComboBox* list, const SoundDeviceChoice& choice, const std::string& wanted)
{
    list->clear();
    for (const SoundDeviceInfo& device : choice.Devices())
        list->addItem(DeviceEntry(device.Description, device.Name), QString::fromStdString(device.Name));
    if (choice.Missing()) {
        list->addItem(DeviceEntry(choice.Description(), choice.Name()) + "  (not found)",
                      QString::fromStdString(choice.Name()));
        list->setItemData(list->count() - 1, true, NotFoundRole);
    }
    int entry = wanted.empty() ? -1 : list->findData(QString::fromStdString(wanted), NameRole);
    if (entry < 0)
        entry = choice.Name().empty() ? choice.Index() - 1 : list->findData(QString::fromStdString(choice.Name()), NameRole);
    list->setCurrentIndex(entry);
}

std::string SelectedName(const QComboBox* list)
{
    return list->currentData(NameRole).toString().toStdString();
}

int32_t SelectedNumber(const QComboBox* list, int32_t chosenNumber)
{
    return list->currentData(NotFoundRole).toBool() ? chosenNumber : list->currentIndex() + 1;
}

} // namespace SoundDeviceLists
