#include "radio/OscillatorChip.h"

#include "RadioTestRig.h"
#include "radio/clsAD9835.h"
#include "radio/clsAD9850.h"
#include "radio/clsAD9851.h"
#include "radio/clsAD9951.h"
#include "radio/clsCY27EE16.h"
#include "radio/clsDDSSerialIF.h"
#include "radio/clsSoftDDS.h"

#include <memory>
#include <string>

// What every driver shares: its clock, its settings and its start.
namespace {

using DriverFactory = std::function<std::unique_ptr<OscillatorChip>()>;

template <typename Driver>
std::pair<std::string, DriverFactory> Kind(const char* name)
{
    return {name, [] { return std::make_unique<Driver>(); }};
}

const std::pair<std::string, DriverFactory> Drivers[] = {
    Kind<clsAD9835>("AD9835"), Kind<clsAD9850>("AD9850"),     Kind<clsAD9851>("AD9851"),
    Kind<clsAD9951>("AD9951"), Kind<clsCY27EE16>("CY27EE16"), Kind<clsSoftDDS>("SoftDDS")};

class OscillatorDrivers : public RadioTestRig
{
protected:
    OscillatorDrivers()
    {
        transport->Initialise();
        transport->OpenPort();
    }

    std::unique_ptr<OscillatorChip> Wired(const DriverFactory& make, const std::string& section = Section)
    {
        auto chip = make();
        chip->RxName(section);
        chip->IFHandler(transport);
        return chip;
    }

    std::shared_ptr<clsDDSSerialIF> transport = std::make_shared<clsDDSSerialIF>();
};

TEST_F(OscillatorDrivers, AClockOfZeroIsRefusedAndChangesNothing)
{
    for (const auto& [name, make] : Drivers) {
        SCOPED_TRACE(name);
        const auto chip = make();
        const double clock = chip->ClkIn();
        const double maxFreq = chip->MaxFreq();
        EXPECT_THROW(chip->ClkIn(0), RuntimeError);
        EXPECT_EQ(chip->ClkIn(), clock);
        EXPECT_EQ(chip->MaxFreq(), maxFreq);
    }
}

TEST_F(OscillatorDrivers, ChipsSendNothingBeforeInitialise)
{
    for (const auto& [name, make] : Drivers) {
        if (name == "SoftDDS")
            continue;   // it has no chip and tunes from the start
        SCOPED_TRACE(name);
        const auto chip = Wired(make);
        lines.ClearTrace();
        EXPECT_EQ(chip->SetFrequency(70'000'000), std::nullopt);
        EXPECT_TRUE(lines.Trace().empty());
    }
}

TEST_F(OscillatorDrivers, ACalibratedClockSavedAtTheEndIsRestoredAtTheNextStart)
{
    for (const auto& [name, make] : Drivers) {
        SCOPED_TRACE(name);
        settings.values.clear();
        {
            const auto previousRun = Wired(make);
            previousRun->Initialise();
            previousRun->ClkIn(99'999'999.6);
            previousRun->BaseFrequency(-5);
        }
        EXPECT_EQ(Stored("CLKIn"), "100000000");
        Store("CLKIn", "180000123");
        const auto chip = Wired(make);
        chip->ClkIn(100'000'000);   // the model's clock, from the set-up
        chip->Initialise();
        EXPECT_EQ(chip->ClkIn(), 180'000'123);
        EXPECT_EQ(chip->BaseFrequency(), -5);

        // A malformed value keeps the current one.
        Store("ClkIn", "fast");
        chip->ClkIn(50'000'000);
        chip->Initialise();
        EXPECT_EQ(chip->ClkIn(), 50'000'000);
    }
}

TEST_F(OscillatorDrivers, NothingIsSavedBeforeInitialiseOrWithoutASection)
{
    for (const auto& [name, make] : Drivers) {
        SCOPED_TRACE(name);
        Wired(make);
        Wired(make, "")->Initialise();
    }
    EXPECT_EQ(settings.writeCount, 0);
}

} // namespace
