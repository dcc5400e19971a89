#include "data/MedicationRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A record in which no two neighbouring bytes are equal and no byte is a space,
// so that any byte changed by mistake differs from what was read.
_MRRX PatternedRecord() {
    _MRRX record;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i) {
        bytes[i] = static_cast<unsigned char>(0x41 + i % 53);
    }
    return record;
}

bool InRxNormFields(std::size_t offset) {
    return (offset >= kMrrxRxNormId.offset &&
            offset < kMrrxRxNormId.offset + kMrrxRxNormId.width) ||
           (offset >= kMrrxTermType.offset && offset < kMrrxTermType.offset + kMrrxTermType.width);
}

// Compares all 771 bytes: the two fields must hold what is expected and every
// other byte what was read.
void ExpectRecord(const _MRRX& before, const _MRRX& after, std::string_view rxNormId,
                  std::string_view termType) {
    ASSERT_EQ(rxNormId.size(), sizeof after.rxNormId);
    ASSERT_EQ(termType.size(), sizeof after.termType);
    EXPECT_EQ(std::string_view(after.rxNormId, sizeof after.rxNormId), rxNormId);
    EXPECT_EQ(std::string_view(after.termType, sizeof after.termType), termType);
    const auto* was = reinterpret_cast<const unsigned char*>(&before);
    const auto* is = reinterpret_cast<const unsigned char*>(&after);
    for (std::size_t i = 0; i < sizeof after; ++i) {
        if (!InRxNormFields(i)) {
            ASSERT_EQ(is[i], was[i]) << "byte " << i << " outside rxNormId and termType changed";
        }
    }
}

TEST(ClearRxNorm, BlanksBothFieldsAndNothingElse) {
    const _MRRX before = PatternedRecord();
    _MRRX record = before;
    ClearRxNorm(record);
    ExpectRecord(before, record, std::string(15, ' '), "   ");
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxRxNormId), "");
}

struct SetCase {
    std::string id;
    std::string candidateTermType;
    std::string storedId; // the 15 bytes of rxNormId
    std::string storedTermType;
};

std::ostream& operator<<(std::ostream& out, const SetCase& c) {
    return out << "'" << c.id << "', '" << c.candidateTermType << "'";
}

class SetRxNormTest : public testing::TestWithParam<SetCase> {};

TEST_P(SetRxNormTest, StoresTheIdAndItsTermType) {
    const SetCase& c = GetParam();
    const _MRRX before = PatternedRecord();
    _MRRX record = before;
    SetRxNorm(record, c.id, c.candidateTermType);
    ExpectRecord(before, record, c.storedId, c.storedTermType);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetRxNormTest,
    testing::Values(SetCase{"314076", "SCD", "314076         ", "SCD"},
                    SetCase{"123456789012345", "SBD", "123456789012345", "SBD"},
                    SetCase{"1234567890123456789", "GPCK", "123456789012345", "SCD"},
                    SetCase{"213269", "BPCK", "213269         ", "SBD"},
                    SetCase{"213269", "bpck", "213269         ", "SBD"},
                    SetCase{"213269", "sBd", "213269         ", "SBD"},
                    SetCase{"213269", "scd", "213269         ", "SCD"},
                    SetCase{"213269", "Gpck", "213269         ", "SCD"},
                    SetCase{"213269", "PSN", "213269         ", "   "},
                    SetCase{"213269", "SCDF", "213269         ", "   "},
                    SetCase{"213269", "SB", "213269         ", "   "},
                    SetCase{"213269", " SBD", "213269         ", "   "},
                    SetCase{"213269", "", "213269         ", "   "},
                    SetCase{"", "SCD", std::string(15, ' '), "SCD"},
                    SetCase{std::string("21") + '\0' + "3269", "SCD", "21             ", "SCD"}));

TEST(SetRxNorm, AFullIdReadsBackWithoutTheFollowingBytes) {
    _MRRX record = PatternedRecord();
    SetRxNorm(record, "123456789012345", "SCD");
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxRxNormId), "123456789012345");
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxTermType), "SCD");
}

TEST(SetRxNorm, ReplacesALongerIdStoredBefore) {
    _MRRX record = PatternedRecord();
    SetRxNorm(record, "123456789012345", "SBD");
    SetRxNorm(record, "42", "unknown");
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxRxNormId), "42");
    EXPECT_EQ(GetFieldText(RecordBytes(record), kMrrxTermType), "");
}

} // namespace
