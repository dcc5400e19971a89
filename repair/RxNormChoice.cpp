#include "repair/RxNormChoice.h"

#include <array>
#include <cstring>

namespace {

enum TermKind { kSbd, kBpck, kScd, kGpck, kKindCount };
constexpr std::array<std::string_view, kKindCount> kTermTypes = {"SBD", "BPCK", "SCD", "GPCK"};

struct Tally {
    int count = 0;
    const _MRDRXN* first = nullptr;
    bool present() const { return count >= 1; }
    bool unique() const { return count == 1; }
};

// A text field of the candidate, up to its first zero byte or its width.
template <std::size_t N> std::string_view FieldView(const char (&field)[N]) {
    const void* zero = std::memchr(field, '\0', N);
    return {field, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N};
}

RxNormChoice Take(const Tally& tally) {
    return {true, FieldView(tally.first->rxNormId), FieldView(tally.first->termType)};
}

} // namespace

RxNormChoice ChooseRxNorm(const RxNormCandidateList& candidates) {
    std::array<Tally, kKindCount> tally{};
    for (const _MRDRXN& candidate : candidates) {
        const std::string_view termType = FieldView(candidate.termType);
        for (int kind = 0; kind < kKindCount; ++kind) {
            if (termType == kTermTypes[kind]) {
                if (++tally[kind].count == 1)
                    tally[kind].first = &candidate;
                break;
            }
        }
    }

    const Tally& sbd = tally[kSbd];
    const Tally& bpck = tally[kBpck];
    const Tally& scd = tally[kScd];
    const Tally& gpck = tally[kGpck];
    if ((sbd.present() && bpck.present()) || (scd.present() && gpck.present()))
        return {};
    if (sbd.present() && scd.present())
        return sbd.unique() ? Take(sbd) : RxNormChoice{};
    if (bpck.present() && gpck.present())
        return bpck.unique() ? Take(bpck) : RxNormChoice{};
    for (const Tally* type : {&sbd, &bpck, &scd, &gpck}) {
        if (type->unique())
            return Take(*type);
    }
    return {};
}
