// SplitStrength through the real drug-knowledge library, with a small
// vocabulary in a database folder of its own, on any drug name, route, dose
// form and strength text of a medication's sizes. It returns 1 with both
// outputs zero-terminated in their buffers, or 0 only for a drug name that is
// empty once cut to 30 characters and trimmed, with both outputs untouched.
#include "FuzzCheck.h"
#include "repair/DrugKnowledge.h"
#include "repair/DrugTextSizes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kVocabulary = "form\tTablet\tTAB\n"
                                    "form\tCapsule\tCAP\n"
                                    "form\tTABLET, FILM COATED\tTBFC\n"
                                    "form\tSolution\tSOL\n"
                                    "unit\tMG\tMG\n"
                                    "unit\tmilligram\tMG\n"
                                    "unit\tMCG\tMCG\n"
                                    "unit\tML\tML\n"
                                    "unit\tUNIT\tUNIT\n"
                                    "unit\t%\tPCT\n";

// The part of `rest` before the next separator byte (0xFF), at most `limit`
// characters; `rest` moves past it.
std::string_view NextText(std::string_view& rest, std::size_t limit) {
    const std::size_t end = rest.find('\xFF');
    std::string_view text = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text.substr(0, limit);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/dosewright-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        std::abort();
    const std::string path = std::string(folder) + "/KelvarVocabulary.tsv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fputs(kVocabulary, file) < 0 || std::fclose(file) != 0)
        std::abort();
    setenv("ORVALE_DB", folder, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    // Trailing spaces are removed after the cut, as the scan hands them over.
    std::string_view drugName = NextText(rest, kDrugNameBufferSize - 1);
    std::string_view route = NextText(rest, kRouteBufferSize - 1);
    std::string_view doseForm = NextText(rest, kDoseFormBufferSize - 1);
    std::string_view strength = NextText(rest, kStrengthTextBufferSize - 1);

    std::array<char, kStrengthValueBufferSize + 8> value;
    std::array<char, kStrengthUnitBufferSize + 8> unit;
    value.fill('\x5A');
    unit.fill('\x5A');
    const int result = SplitStrength(drugName, route, doseForm, strength,
                                     std::span<char>(value.data(), kStrengthValueBufferSize),
                                     std::span<char>(unit.data(), kStrengthUnitBufferSize));

    for (std::size_t i = kStrengthValueBufferSize; i < value.size(); ++i)
        FUZZ_CHECK(value[i] == '\x5A');
    for (std::size_t i = kStrengthUnitBufferSize; i < unit.size(); ++i)
        FUZZ_CHECK(unit[i] == '\x5A');
    std::string_view name30 = drugName.substr(0, kLibraryDrugNameLength);
    while (!name30.empty() && name30.back() == ' ')
        name30.remove_suffix(1);
    if (result == 1) {
        FUZZ_CHECK(std::memchr(value.data(), '\0', kStrengthValueBufferSize) != nullptr);
        FUZZ_CHECK(std::memchr(unit.data(), '\0', kStrengthUnitBufferSize) != nullptr);
    } else {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(name30.empty());
        for (std::size_t i = 0; i < kStrengthValueBufferSize; ++i)
            FUZZ_CHECK(value[i] == '\x5A' && unit[i] == '\x5A');
    }
    return 0;
}
