#include "platform/SerialLines.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

namespace SerialLines {

namespace {

namespace fs = std::filesystem;

std::string devFolder = "/dev";
std::string sysFolder = "/sys";

// "ttyUSB12" -> ("ttyUSB", 12); -1 when the name does not end in a number.
std::pair<std::string, long> KindAndNumber(const std::string& name)
{
    const size_t digits = name.find_first_of("0123456789");
    if (digits == std::string::npos || name.find_first_not_of("0123456789", digits) != std::string::npos)
        return {name, -1};
    return {name.substr(0, digits), std::stol(name.substr(digits, 9))};
}

// The 8250 driver makes a ttyS node for every possible port; only those whose port it
// found have a type other than 0 (PORT_UNKNOWN).
bool PortAnswers(const std::string& name)
{
    std::ifstream type(sysFolder + "/class/tty/" + name + "/type");
    int value = 0;
    return type >> value && value != 0;
}

bool IsPresent(const std::string& name)
{
    const auto [kind, number] = KindAndNumber(name);
    if (number < 0)
        return false;
    if (kind == "ttyUSB" || kind == "ttyACM")
        return true;
    return kind == "ttyS" && PortAnswers(name);
}

// The by-id links, by the device they lead to.
std::map<fs::path, std::string> ByIdLinks()
{
    std::map<fs::path, std::string> links;
    std::error_code error;
    for (const fs::directory_entry& link : fs::directory_iterator(devFolder + "/serial/by-id", error)) {
        const fs::path target = fs::canonical(link.path(), error);
        if (!error)
            links.emplace(target, link.path().string());
    }
    return links;
}

} // namespace

std::vector<PresentDevice> PresentDevices()
{
    std::vector<PresentDevice> devices;
    const std::map<fs::path, std::string> byId = ByIdLinks();
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(devFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (!IsPresent(name))
            continue;
        const fs::path target = fs::canonical(entry.path(), error);
        const auto link = error ? byId.end() : byId.find(target);
        devices.push_back({entry.path().string(), link == byId.end() ? std::string() : link->second});
    }
    const auto order = [](const PresentDevice& device) {
        const auto [kind, number] = KindAndNumber(fs::path(device.path).filename().string());
        const int kindRank = kind == "ttyS" ? 0 : kind == "ttyUSB" ? 1 : 2;
        return std::make_tuple(kindRank, number);
    };
    std::sort(devices.begin(), devices.end(),
              [&order](const PresentDevice& a, const PresentDevice& b) { return order(a) < order(b); });
    return devices;
}

void SetDeviceFolders(const std::string& dev, const std::string& sys)
{
    devFolder = dev.empty() ? "/dev" : dev;
    sysFolder = sys.empty() ? "/sys" : sys;
}

} // namespace SerialLines
