#include "data/RecordField.h"

#include "data/MedicationRecord.h"
#include "data/PatientRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A record whose every byte is 'X' except the field under test, so that a read
// running past the field shows up as extra characters.
struct FieldCase {
    std::string bytes; // the field's bytes, exactly its width
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const FieldCase& c) {
    return out << "'" << c.expected << "'";
}

class GetFieldTextTest : public testing::TestWithParam<FieldCase> {};

TEST_P(GetFieldTextTest, ReadsUpToWidthOrZeroWithoutTrailingSpaces) {
    const FieldCase& c = GetParam();
    ASSERT_EQ(c.bytes.size(), kMrrxRxNormId.width);
    _MRRX record;
    std::memset(&record, 'X', sizeof record);
    std::memcpy(record.rxNormId, c.bytes.data(), c.bytes.size());

    std::array<char, kMrrxRxNormId.width + 1> text;
    text.fill('#');
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxRxNormId, text), c.expected);
    // Nothing read past the end of the text is left in the buffer.
    for (std::size_t i = c.expected.size(); i < text.size(); ++i) {
        EXPECT_EQ(text[i], '\0') << "byte " << i;
    }
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxRxNormId), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    RxNormIdField, GetFieldTextTest,
    testing::Values(FieldCase{"123456789012345", "123456789012345"},
                    FieldCase{"314076         ", "314076"},
                    FieldCase{std::string("31") + '\0' + "4076" + std::string(8, ' '), "31"},
                    FieldCase{std::string(15, ' '), ""}, FieldCase{std::string(15, '\0'), ""},
                    FieldCase{"  314076       ", "  314076"},
                    FieldCase{"31 40 76       ", "31 40 76"},
                    FieldCase{'\0' + std::string("314076") + std::string(8, ' '), ""},
                    FieldCase{"\xE9\xC9\xB5" + std::string(12, ' '), "\xE9\xC9\xB5"}));

TEST(GetFieldText, ReadsTheLastFieldOfARecord) {
    std::array<std::byte, 10> record;
    record.fill(std::byte{'Z'});
    std::array<char, 5> text{};
    EXPECT_EQ(GetFieldText(record, 6, 4, text), "ZZZZ");
    EXPECT_EQ(GetFieldText(record, 10, 0, text), "");
}

TEST(GetFieldText, RefusesAFieldOutsideTheRecordOrATooSmallBuffer) {
    std::array<std::byte, 10> record{};
    std::array<char, 5> text{};
    EXPECT_THROW(GetFieldText(record, 7, 4, text), std::out_of_range);
    EXPECT_THROW(GetFieldText(record, 11, 0, text), std::out_of_range);
    EXPECT_THROW(GetFieldText(record, SIZE_MAX, 2, text), std::out_of_range);
    EXPECT_THROW(GetFieldText(record, 2, SIZE_MAX, text), std::out_of_range);
    EXPECT_THROW(GetFieldText(record, 0, 5, text), std::length_error);
}

TEST(GetFieldText, ReadsThePatientReference) {
    _MRPT patient;
    std::memset(&patient, 'X', sizeof patient);
    patient.patientId = 7;
    std::memcpy(patient.patientRef, "DOE00070001", 11); // all 11 used, 'X' follows
    EXPECT_EQ(GetFieldText(RecordBytes(patient), kMrptPatientRef), "DOE00070001");
    std::memcpy(patient.patientRef, "DOE0007    ", 11);
    EXPECT_EQ(GetFieldText(RecordBytes(patient), kMrptPatientRef), "DOE0007");
}

TEST(RecordLayout, IntegersAreLittleEndianAtTheirOffsets) {
    std::vector<unsigned char> bytes(kMrrxRecordLength, 0);
    const unsigned char header[] = {0x01, 0x02, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF};
    std::memcpy(bytes.data(), header, sizeof header);
    _MRRX record;
    std::memcpy(&record, bytes.data(), sizeof record);
    EXPECT_EQ(record.entryId, 0x0201);
    EXPECT_EQ(record.patientId, -2);
}

} // namespace
