#include "FixtureValues.h"

#include "Windows1252.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace hostkit {

void Refuse(const std::string& place, const std::string& problem) {
    throw std::runtime_error((place.empty() ? std::string("fixture") : place) + ": " + problem);
}

std::string MemberPlace(const std::string& place, std::string_view name) {
    return place.empty() ? std::string(name) : place + "." + std::string(name);
}

std::string ElementPlace(const std::string& place, std::size_t index) {
    return place + "[" + std::to_string(index) + "]";
}

std::string DescribeType(const nlohmann::json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        return "null";
    case nlohmann::json::value_t::object:
        return "an object";
    case nlohmann::json::value_t::array:
        return "an array";
    case nlohmann::json::value_t::string:
        return "a string";
    case nlohmann::json::value_t::boolean:
        return "a boolean";
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
        return "an integer";
    case nlohmann::json::value_t::number_float:
        return "a fractional number";
    default:
        return "a value of another kind";
    }
}

namespace {

[[noreturn]] void RefuseType(const nlohmann::json& value, const std::string& place,
                             const char* expected) {
    Refuse(place, std::string("expected ") + expected + ", found " + DescribeType(value));
}

} // namespace

void RequireObject(const nlohmann::json& value, const std::string& place) {
    if (!value.is_object()) {
        RefuseType(value, place, "an object");
    }
}

void RequireArray(const nlohmann::json& value, const std::string& place) {
    if (!value.is_array()) {
        RefuseType(value, place, "an array");
    }
}

void RefuseUnknownMembers(const nlohmann::json& object, const std::string& place,
                          std::initializer_list<std::string_view> known) {
    for (const auto& member : object.items()) {
        if (std::find(known.begin(), known.end(), member.key()) == known.end()) {
            Refuse(MemberPlace(place, member.key()), "unknown field");
        }
    }
}

int32_t ReadInt32(const nlohmann::json& value, const std::string& place) {
    if (!value.is_number_integer()) {
        RefuseType(value, place, "an integer");
    }
    constexpr auto kMin = std::numeric_limits<int32_t>::min();
    constexpr auto kMax = std::numeric_limits<int32_t>::max();
    if (value.is_number_unsigned()) {
        const auto number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(kMax)) {
            Refuse(place, std::to_string(number) + " is outside the 32-bit integer range");
        }
        return static_cast<int32_t>(number);
    }
    const auto number = value.get<int64_t>();
    if (number < kMin || number > kMax) {
        Refuse(place, std::to_string(number) + " is outside the 32-bit integer range");
    }
    return static_cast<int32_t>(number);
}

bool ReadBoolean(const nlohmann::json& value, const std::string& place) {
    if (!value.is_boolean()) {
        RefuseType(value, place, "a boolean");
    }
    return value.get<bool>();
}

std::string ReadText(const nlohmann::json& value, const std::string& place) {
    if (!value.is_string()) {
        RefuseType(value, place, "a string");
    }
    try {
        return Utf8ToWindows1252(value.get_ref<const std::string&>());
    } catch (const std::invalid_argument& e) {
        Refuse(place, e.what());
    }
}

std::string ReadTextOfCapacity(const nlohmann::json& value, const std::string& place,
                               std::size_t capacity) {
    std::string text = ReadText(value, place);
    if (text.size() > capacity) {
        Refuse(place, std::to_string(text.size()) + " characters do not fit the " +
                          std::to_string(capacity) + "-character field");
    }
    return text;
}

} // namespace hostkit
