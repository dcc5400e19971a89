// Sizes, in bytes including the terminating zero, of the text buffers that the
// drug-knowledge lookups read and write. Every caller fills them with zero bytes
// before use.
#pragma once

#include <cstddef>

// Inputs: the medication's texts, trailing spaces removed.
inline constexpr std::size_t kDoseFormBufferSize = 51;     // doseForm, <= 50 characters
inline constexpr std::size_t kRouteBufferSize = 21;        // route, <= 20 characters
inline constexpr std::size_t kDrugNameBufferSize = 36;     // drugName, <= 35 characters
inline constexpr std::size_t kStrengthTextBufferSize = 26; // strength, <= 25 characters

// Outputs.
inline constexpr std::size_t kFormCodeBufferSize = 51;      // form code from the library
inline constexpr std::size_t kRouteCodeBufferSize = 21;     // route code as callers hold it
inline constexpr std::size_t kRouteCodeMinimumSize = 3;     // two letters and the zero
inline constexpr std::size_t kStrengthValueBufferSize = 26; // strength value, <= 25 characters
inline constexpr std::size_t kStrengthUnitBufferSize = 26;  // strength unit, <= 25 characters

// The drug-knowledge library is given at most this many characters of the drug name.
inline constexpr std::size_t kLibraryDrugNameLength = 30;
