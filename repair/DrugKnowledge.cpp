// Form-code lookup and strength split through the drug-knowledge library.
#include "repair/DrugKnowledge.h"

#include "data/HostLibraries.h"
#include "data/TextOps.h"
#include "repair/DrugTextSizes.h"
#include "repair/RouteCodeTable.h"
#include "repair/StrengthParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

void RequireBuffer(std::span<char> buffer, std::size_t size, const char* what) {
    if (buffer.size() < size) {
        throw std::length_error(std::string(what) + " buffer is smaller than " +
                                std::to_string(size) + " bytes");
    }
}

// The library promises zero-terminated answers that fit; one that does not is
// not used, so nothing ever reads past the buffer.
bool IsTerminatedWithin(const char* buffer, std::size_t size) {
    return std::memchr(buffer, '\0', size) != nullptr;
}

} // namespace

bool LookupFormCode(std::string_view doseForm, std::span<char> formCode) {
    RequireBuffer(formCode, kFormCodeBufferSize, "form code");
    std::array<char, kDoseFormBufferSize> key{};
    CopyText(TextBeforeZero(doseForm), key);
    std::fill_n(formCode.begin(), kFormCodeBufferSize, '\0');

    // Filled by the library, never read.
    std::array<unsigned char, host::kQueryCacheExtraSize> extra{};
    const int32_t result =
        OV_QueryCache(host::kQueryDoseFormToFormCode, key.data(), 0, formCode.data(),
                      static_cast<int32_t>(kFormCodeBufferSize), extra.data());
    return result == host::kQueryCacheFound &&
           IsTerminatedWithin(formCode.data(), kFormCodeBufferSize);
}

int SplitStrength(std::string_view drugName, std::string_view route, std::string_view doseForm,
                  std::string_view strengthText, std::span<char> strengthValue,
                  std::span<char> strengthUnit) {
    RequireBuffer(strengthValue, kStrengthValueBufferSize, "strength value");
    RequireBuffer(strengthUnit, kStrengthUnitBufferSize, "strength unit");
    const std::string_view name = TextBeforeZero(drugName);
    const std::string_view routeName = TextBeforeZero(route);
    std::array<char, kStrengthTextBufferSize> strength{};
    CopyText(TextBeforeZero(strengthText), strength);
    if (name.size() >= kDrugNameBufferSize) {
        throw std::length_error("drug name of " + std::to_string(name.size()) +
                                " characters is longer than a medication's");
    }
    if (routeName.size() >= kRouteBufferSize) {
        throw std::length_error("route of " + std::to_string(routeName.size()) +
                                " characters is longer than a medication's");
    }

    std::array<char, kFormCodeBufferSize> formCode{};
    std::array<char, kRouteCodeBufferSize> routeCode{};
    const bool codesFound = LookupFormCode(doseForm, formCode) &&
                            (routeName.empty() || LookupRouteCode(routeName, routeCode));
    if (codesFound) {
        return SplitStrengthByCodes(name, formCode.data(), routeCode.data(), TextInBuffer(strength),
                                    strengthValue, strengthUnit);
    }
    ParseStrengthText(TextInBuffer(strength), strengthValue, strengthUnit);
    return 1;
}

int SplitStrengthByCodes(std::string_view drugName, const char* formCode, const char* routeCode,
                         std::string_view strengthText, std::span<char> strengthValue,
                         std::span<char> strengthUnit) {
    RequireBuffer(strengthValue, kStrengthValueBufferSize, "strength value");
    RequireBuffer(strengthUnit, kStrengthUnitBufferSize, "strength unit");
    const std::string_view name = TextBeforeZero(drugName);
    if (name.size() >= kDrugNameBufferSize) {
        throw std::length_error("drug name of " + std::to_string(name.size()) +
                                " characters is longer than a medication's");
    }
    std::array<char, kStrengthTextBufferSize> strength{};
    CopyText(TextBeforeZero(strengthText), strength);
    std::array<char, kLibraryDrugNameLength + 1> libraryName{};
    CopyText(name.substr(0, kLibraryDrugNameLength), libraryName);
    if (TrimTrailing(kTrimSpace, libraryName) == 0) {
        return 0;
    }
    std::fill_n(strengthValue.begin(), kStrengthValueBufferSize, '\0');
    std::fill_n(strengthUnit.begin(), kStrengthUnitBufferSize, '\0');
    const int32_t result =
        OV_SplitSizeToStrengthSUM(libraryName.data(), routeCode, formCode, strength.data(),
                                  strengthValue.data(), strengthUnit.data());
    if (result == host::kSplitSucceeded &&
        IsTerminatedWithin(strengthValue.data(), kStrengthValueBufferSize) &&
        IsTerminatedWithin(strengthUnit.data(), kStrengthUnitBufferSize)) {
        return 1;
    }
    ParseStrengthText(TextInBuffer(strength), strengthValue, strengthUnit);
    return 1;
}
