// The drug-knowledge library's two functions, answering from TheFakeDrugKnowledge().
#include "fakes/FakeDrugKnowledge.h"

#include "data/HostLibraries.h"

#include <algorithm>
#include <cstring>

FakeDrugKnowledge& TheFakeDrugKnowledge() {
    static FakeDrugKnowledge fake;
    return fake;
}

void ResetFakeDrugKnowledge() {
    TheFakeDrugKnowledge() = FakeDrugKnowledge{};
}

extern "C" int32_t HOST_CALL OV_QueryCache(int32_t queryNumber, const char* key, int32_t argument,
                                           char* output, int32_t outputSize, void* extra) {
    FakeDrugKnowledge& fake = TheFakeDrugKnowledge();
    ++fake.queryCalls;
    fake.queryNumber = queryNumber;
    fake.queryKey = key;
    fake.queryArgument = argument;
    fake.queryOutputSize = outputSize;
    fake.queryExtraGiven = extra != nullptr;
    if (extra != nullptr) {
        std::memset(extra, 0x5A, host::kQueryCacheExtraSize);
    }
    if (fake.fillFormCodeOutput) {
        std::memset(output, 'F', static_cast<std::size_t>(outputSize));
    } else if (fake.formCode.size() < static_cast<std::size_t>(outputSize)) {
        std::memcpy(output, fake.formCode.c_str(), fake.formCode.size() + 1);
    }
    return fake.queryResult;
}

extern "C" int32_t HOST_CALL OV_SplitSizeToStrengthSUM(const char* drugName, const char* routeCode,
                                                       const char* formCode,
                                                       const char* strengthText,
                                                       char* strengthValue, char* strengthUnit) {
    constexpr std::size_t kOutputSize = 26;
    FakeDrugKnowledge& fake = TheFakeDrugKnowledge();
    ++fake.splitCalls;
    fake.splitDrugName = drugName;
    fake.splitRouteCode = routeCode;
    fake.splitFormCode = formCode;
    fake.splitStrengthText = strengthText;
    // Written whatever the result, as a library may leave partial output behind.
    const std::size_t valueLength = std::min(fake.strengthValue.size(), kOutputSize - 1);
    std::memcpy(strengthValue, fake.strengthValue.c_str(), valueLength);
    strengthValue[valueLength] = '\0';
    if (fake.unterminatedUnit) {
        std::memset(strengthUnit, 'U', kOutputSize);
    } else {
        const std::size_t unitLength = std::min(fake.strengthUnit.size(), kOutputSize - 1);
        std::memcpy(strengthUnit, fake.strengthUnit.c_str(), unitLength);
        strengthUnit[unitLength] = '\0';
    }
    return fake.splitResult;
}
