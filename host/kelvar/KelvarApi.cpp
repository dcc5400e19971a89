// The exported functions of the drug-knowledge library.
#include "kelvar/KelvarApi.h"

#include "common/CallCounter.h"

#include "kelvar/StrengthText.h"
#include "kelvar/VocabularyCache.h"

#include <cstring>

namespace {

kelvar::VocabularyCache g_vocabularies;

enum CountedFunction : std::size_t { kQueryCache, kSplitStrength };

void CountCall(CountedFunction function) {
    static hostcommon::CallCounter<2> counter({"OV_QueryCache", "OV_SplitSizeToStrengthSUM"});
    counter.Count(function);
}

void WriteExtra(void* extra, const kelvar::QueryCacheExtra& facts) {
    if (extra != nullptr) {
        std::memcpy(extra, &facts, sizeof facts);
    }
}

} // namespace

extern "C" {

int32_t HOST_CALL OV_QueryCache(int32_t queryNumber, const char* key, int32_t /*argument*/,
                                char* output, int32_t outputSize, void* extra) {
    CountCall(kQueryCache);
    kelvar::QueryCacheExtra facts{};
    if (queryNumber != kelvar::kQueryDoseFormToFormCode) {
        WriteExtra(extra, facts);
        return kelvar::kQueryUnknownQuery;
    }
    if (key == nullptr || output == nullptr || outputSize < 1) {
        WriteExtra(extra, facts);
        return kelvar::kQueryBadArgument;
    }

    const auto lock = g_vocabularies.Lock();
    const kelvar::Vocabulary& vocabulary = g_vocabularies.Current();
    facts.formCount = vocabulary.FormCount();
    facts.unitCount = vocabulary.UnitCount();
    facts.ignoredLines = vocabulary.IgnoredLines();

    const kelvar::VocabularyEntry* entry = vocabulary.FindForm(key);
    if (entry == nullptr) {
        WriteExtra(extra, facts);
        return kelvar::kQueryNotFound;
    }
    facts.line = entry->line;
    WriteExtra(extra, facts);
    if (entry->code.size() + 1 > static_cast<std::size_t>(outputSize)) {
        return kelvar::kQueryOutputTooSmall;
    }
    std::memcpy(output, entry->code.c_str(), entry->code.size() + 1);
    return kelvar::kQueryFound;
}

int32_t HOST_CALL OV_SplitSizeToStrengthSUM(const char* /*drugName*/, const char* /*routeCode*/,
                                            const char* /*formCode*/, const char* strengthText,
                                            char* strengthValue, char* strengthUnit) {
    CountCall(kSplitStrength);
    if (strengthText == nullptr || strengthValue == nullptr || strengthUnit == nullptr) {
        return kelvar::kSplitNotUnderstood;
    }
    const auto lock = g_vocabularies.Lock();
    const bool split =
        kelvar::SplitStrengthText(strengthText, g_vocabularies.Current(), strengthValue,
                                  strengthUnit, kelvar::kStrengthOutputSize);
    return split ? kelvar::kSplitDone : kelvar::kSplitNotUnderstood;
}

} // extern "C"
