#pragma once

#include "bandplan/BandRecord.h"

#include <QFile>
#include <QString>

#include <string>

// Writes a band file (when text is given) and appends its band to BandPlans as the start-up
// finds it: unloaded, 18 sub-bands of 12 presets.
inline BandRecord& AddBandPlan(const std::string& fileName, const std::string& name, const char* text)
{
    if (text) {
        QFile file(QString::fromStdString(fileName));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }
    BandRecord band;
    band.Name = band.Caption = band.Description = name;
    band.Index = static_cast<int32_t>(BandPlans.size());
    band.SubBandCount = 18;
    band.PresetCount = 12;
    band.FileName = fileName;
    BandPlans.push_back(band);
    return BandPlans.back();
}
