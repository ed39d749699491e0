#include "win/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    unsigned id;
    const char* expected;  // Windows-1252 bytes
};

// The ids by number on purpose: a wrong define in resource.h must not go unnoticed.
TEST(Text, LoadsTheGermanTableAsWindows1252)
{
    const TextCase cases[] = {
        {105, "nicht verf\xFC" "gbar"},
        {106, "Fehler"},
        {115, "Taktfrequenz (MHz)"},
        {116, "Konvention"},
        {117, "direkt"},
        {118, "invertiert"},
        {119, "Protokoll"},
        {120, "(TA1) Teiler F"},
        {121, "(TA1) \xDC" "bertragungsfaktor D"},
        {122, "(TA1) \xDC" "bertragungsrate (Bit/s)"},
        {123, "(TA1) Work etu (s/Bit)"},
        {124, "(TB1) VPP Versorgung"},
        {125, "nicht erforderlich"},
        {126, "5V, 50mA (Standard)"},
        {127, "(TC1) Zus\xE4tzliche Schutzzeit N"},
        {128, "(TA2) PTS"},
        {129, "Umschaltung negotiable mode/specific mode m\xF6glich"},
        {130, "Umschaltung negotiable mode/specific mode nicht m\xF6glich"},
        {131, "\xDC" "bertragungsparameter explizit definiert"},
        {132, "\xDC" "bertragungsparameter implizit definiert"},
        {133, "Verwenden: T="},
        {134, "(TB2) PI2 (1/10 V)"},
        {135, "(TC2) Wartezeit"},
        {136, "(TA3) IFSC (Byte)"},
        {137, "(TB3) CWT & BWT"},
        {138, "(TB3) CWT"},
        {139, "(TB3) BWT"},
        {140, "TC3"},
        {141, "(TA4) IFSC (Byte)"},
        {142, "(TB4) CWT & BWT"},
        {143, "(TB4) BWT"},
        {144, "(TB4) CWT"},
        {145, "TC4"},
        {146, "Historical Characters (Text)"},
        {147, "Historical Characters (Hex)"},
        {170, "Verwendeter Standard"},
        {171, "Kartenname"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(LoadText(c.id), c.expected);
    }
}

TEST(Text, IdWithoutTextIsEmpty)
{
    for (const unsigned id : {0u, 1u, 103u, 104u, 179u, 999u, 65535u, 4294967295u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(LoadText(id), "");
    }
}

}  // namespace
