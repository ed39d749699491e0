#include "sysinfo/FirmwareDisplay.h"

#include "sysinfo/FirmwareQuery.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The German texts by number, so that a wrong id shows as a wrong text.
std::string GermanText(unsigned id)
{
    static const std::map<unsigned, std::string> table = {
        {105, "nicht verf\xFCgbar"},
        {106, "Fehler"},
        {173, " kann nicht ge\xF6" "ffnet werden."},
        {174, "Die DLL"},
    };
    const auto it = table.find(id);
    return it == table.end() ? "<" + std::to_string(id) + ">" : it->second;
}

const std::string kNotAvailable = "nicht verf\xFCgbar";

struct DisplayCase {
    const char* name;
    FirmwareQueryStatus status;
    const char* firmware;  // what the query left in the buffers
    const char* emv;
    std::string shownFirmware;
    std::string shownEmv;
};

TEST(FirmwareDisplay, ShowsOnlyWhatTheStatusDelivers)
{
    const DisplayCase cases[] = {
        {"firmware and EMV", FwAndEmv, "1.02.03.04", "1.00.00.00", "1.02.03.04", "1.00.00.00"},
        {"firmware only: EMV not available even if the buffer holds text", FwOnly, "1.02.03.04",
         "9.99.99.99", "1.02.03.04", kNotAvailable},
        {"firmware only, value 0", FwOnly, "0.", "", "0.", kNotAvailable},
        {"library missing", FwLibraryMissing, "", "", kNotAvailable, kNotAvailable},
        {"query failed: stale texts are not shown", FwQueryFailed, "1.02.03.04", "1.00.00.00",
         kNotAvailable, kNotAvailable},
        {"entry missing", FwEntryMissing, "1.02.03.04", "1.00.00.00", kNotAvailable, kNotAvailable},
        {"unknown status", static_cast<FirmwareQueryStatus>(0), "1.02.03.04", "1.00.00.00",
         kNotAvailable, kNotAvailable},
    };
    for (const DisplayCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FirmwareFields fields = FirmwareDisplay(c.status, c.firmware, c.emv, GermanText);
        EXPECT_EQ(fields.firmware, c.shownFirmware);
        EXPECT_EQ(fields.emv, c.shownEmv);
    }
}

TEST(FirmwareDisplay, NullTextsShowEmpty)
{
    const FirmwareFields fields = FirmwareDisplay(FwAndEmv, nullptr, nullptr, GermanText);
    EXPECT_EQ(fields.firmware, "");
    EXPECT_EQ(fields.emv, "");
}

TEST(FirmwareDisplay, MissingDllMessageHasTwoBlanksBeforeVerb)
{
    EXPECT_EQ(VendorDllMissingMessage(GermanText),
              "Die DLL tvkscrfwcheck.dll  kann nicht ge\xF6" "ffnet werden.");
}

}  // namespace
