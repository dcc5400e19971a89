// Reading the values of a fixture, each refusal naming the place of the value
// in the fixture ("medications[3].drugName").
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace hostkit {

// Throws std::runtime_error "PLACE: PROBLEM".
[[noreturn]] void Refuse(const std::string& place, const std::string& problem);

// The place of a member of the object at `place` ("" is the fixture itself).
std::string MemberPlace(const std::string& place, std::string_view name);
std::string ElementPlace(const std::string& place, std::size_t index);

// "an integer", "a string", "null", ...
std::string DescribeType(const nlohmann::json& value);

void RequireObject(const nlohmann::json& value, const std::string& place);
void RequireArray(const nlohmann::json& value, const std::string& place);

// Refuses the first member of `object` whose name is not in `known`.
void RefuseUnknownMembers(const nlohmann::json& object, const std::string& place,
                          std::initializer_list<std::string_view> known);

int32_t ReadInt32(const nlohmann::json& value, const std::string& place);
bool ReadBoolean(const nlohmann::json& value, const std::string& place);

// A JSON string as Windows-1252 bytes; refuses characters without such a byte.
std::string ReadText(const nlohmann::json& value, const std::string& place);

// ReadText, refusing a text of more than `capacity` characters.
std::string ReadTextOfCapacity(const nlohmann::json& value, const std::string& place,
                               std::size_t capacity);

} // namespace hostkit
