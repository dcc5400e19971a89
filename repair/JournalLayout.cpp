#include "repair/JournalLayout.h"

#include "platform/PathSeparator.h"

namespace journal {

uint32_t GetU32(const unsigned char* bytes, Field field) {
    const unsigned char* at = bytes + field.offset;
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint64_t GetU64(const unsigned char* bytes, Field field) {
    return static_cast<uint64_t>(GetU32(bytes, {field.offset, 4})) |
           static_cast<uint64_t>(GetU32(bytes, {field.offset + 4, 4})) << 32;
}

void PutU32(unsigned char* bytes, Field field, uint32_t value) {
    unsigned char* at = bytes + field.offset;
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void PutU64(unsigned char* bytes, Field field, uint64_t value) {
    PutU32(bytes, {field.offset, 4}, static_cast<uint32_t>(value));
    PutU32(bytes, {field.offset + 4, 4}, static_cast<uint32_t>(value >> 32));
}

void Checksum(const unsigned char* bytes, std::size_t size, uint32_t& s0, uint32_t& s1) {
    s0 = 0;
    s1 = 0;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        s0 += GetU32(bytes, {i, 4}) + s1;
        s1 += GetU32(bytes, {i + 4, 4}) + s0;
    }
}

void Seal(unsigned char* bytes, Field field) {
    uint32_t s0 = 0;
    uint32_t s1 = 0;
    Checksum(bytes, field.offset, s0, s1);
    PutU32(bytes, {field.offset, 4}, s0);
    PutU32(bytes, {field.offset + 4, 4}, s1);
}

bool IsSealed(const unsigned char* bytes, Field field) {
    uint32_t s0 = 0;
    uint32_t s1 = 0;
    Checksum(bytes, field.offset, s0, s1);
    return GetU32(bytes, {field.offset, 4}) == s0 && GetU32(bytes, {field.offset + 4, 4}) == s1;
}

} // namespace journal

std::string JournalFolder(std::string_view databasePath) {
    std::string folder(databasePath);
    folder += journal::kFolderName;
    folder += platform::kPathSeparator;
    return folder;
}
