// The route code table and its lookup.
#include "repair/RouteCodeTable.h"

#include "data/TextOps.h"
#include "repair/DrugTextSizes.h"

#include <stdexcept>
#include <string>

// std::to_array takes its size from the rows written here, so a missing or an
// extra row does not compile.
const std::array<RouteCodeRow, kRouteCodeRowCount> RouteCodeTable = std::to_array<RouteCodeRow>({
    {"Buccal", "BU"},
    {"Combination", "CO"},
    {"Dental", "DT"},
    {"Enteral", "EN"},
    {"Epidural", "EP"},
    {"External", "EX"},
    {"Extracorporeal", "EC"},
    {"Hemodialysis", "HM"},
    {"Implant", "IL"},
    {"Inhalation", "IN"},
    {"Injection", "IJ"},
    {"Intra-arterial", "IA"},
    {"Intra-articular", "IX"},
    {"Intracardiac", "CA"},
    {"Intracavernosal", "IC"},
    {"Intracavitary", "CV"},
    {"Intradermal", "ID"},
    {"Intralesional", "LS"},
    {"Intramuscular", "IM"},
    {"Intraocular", "IO"},
    {"Intraperitoneal", "IP"},
    {"Intrapleural", "PL"},
    {"Intrathecal", "IT"},
    {"Intratracheal", "TR"},
    {"Intrauterine", "IU"},
    {"Intravenous", "IV"},
    {"Intravesical", "IS"},
    {"Intravitreal", "IZ"},
    {"In vitro", "VI"},
    {"Iontophoresis", "PH"},
    {"Irrigation", "IR"},
    {"Mouth/throat", "MT"},
    {"Nasal", "NA"},
    {"Ophthalmic", "OP"},
    {"Oral", "OR"},
    {"Otic", "OT"},
    {"Perfusion", "PF"},
    {"Rectal", "RE"},
    {"Subcutaneous", "SC"},
    {"Sublingual", "SL"},
    {"Transdermal", "TD"},
    {"Translingual", "TL"},
    {"Transmucosal", "TM"},
    {"Urethral", "UR"},
    {"Vaginal", "VA"},
    {"N/A", "XX"},
});

bool LookupRouteCode(std::string_view routeName, std::span<char> routeCode) {
    if (routeCode.size() < kRouteCodeMinimumSize) {
        throw std::length_error("route code buffer is smaller than " +
                                std::to_string(kRouteCodeMinimumSize) + " bytes");
    }
    const std::string_view name = TextBeforeZero(routeName);
    for (const RouteCodeRow& row : RouteCodeTable) {
        if (EqualsIgnoringAsciiCase(name, row.name)) {
            CopyText(row.code, routeCode);
            return true;
        }
    }
    return false;
}
