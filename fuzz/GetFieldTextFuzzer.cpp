// GetFieldText on any record bytes, at any place and width inside the record:
// the text is the field's bytes up to the first zero, without trailing spaces,
// zero-terminated within width + 1 bytes, and nothing is read outside the field
// or written outside the buffer. A field outside the record, or a buffer too
// small, is refused with the exception the function documents.
#include "FuzzCheck.h"
#include "data/RecordField.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    // The first bytes choose the field; the rest is the record.
    const std::size_t offset = data[0] | (std::size_t{data[1]} << 8);
    const std::size_t width = data[2];
    const bool roomy = (data[3] & 1) != 0;
    const std::vector<std::byte> record(reinterpret_cast<const std::byte*>(data + 4),
                                        reinterpret_cast<const std::byte*>(data + size));
    // Exactly the bytes the caller owns: a read or write past them is reported.
    std::vector<char> buffer(roomy ? width + 1 : width);

    const bool inside = offset <= record.size() && width <= record.size() - offset;
    std::string_view text;
    try {
        text = GetFieldText(record, offset, width, buffer);
    } catch (const std::out_of_range&) {
        FUZZ_CHECK(!inside);
        return 0;
    } catch (const std::length_error&) {
        FUZZ_CHECK(inside && !roomy);
        return 0;
    }
    FUZZ_CHECK(inside && roomy);
    FUZZ_CHECK(text.data() == buffer.data());
    FUZZ_CHECK(text.size() <= width);
    FUZZ_CHECK(buffer[text.size()] == '\0');
    FUZZ_CHECK(text.empty() || text.back() != ' ');
    const auto* field = reinterpret_cast<const char*>(data + 4 + offset);
    const std::string_view whole(field, strnlen(field, width));
    FUZZ_CHECK(whole.starts_with(text));
    FUZZ_CHECK(whole.find_first_not_of(' ', text.size()) == std::string_view::npos);
    return 0;
}
