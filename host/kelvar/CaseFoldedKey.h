// Hashing and comparing texts without regard to ASCII letter case, for hash
// maps that are searched with a string_view and no copy of the key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvar {

constexpr unsigned char FoldCase(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

struct CaseFoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
        for (const char c : text) {
            hash ^= FoldCase(static_cast<unsigned char>(c));
            hash *= 1099511628211ULL;
        }
        return static_cast<std::size_t>(hash);
    }
};

struct CaseFoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (FoldCase(static_cast<unsigned char>(a[i])) !=
                FoldCase(static_cast<unsigned char>(b[i]))) {
                return false;
            }
        }
        return true;
    }
};

} // namespace kelvar
