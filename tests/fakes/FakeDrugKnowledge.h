// A drug-knowledge library whose answers a test sets and whose calls it reads
// back. Linking FakeDrugKnowledge.cpp into a test program defines
// OV_QueryCache and OV_SplitSizeToStrengthSUM in the program itself; those
// definitions take precedence over the ones of the shared library that the core
// links, both when the program is linked and when it is loaded, so the code under
// test calls the fake.
#pragma once

#include <cstdint>
#include <string>

struct FakeDrugKnowledge {
    // Answers.
    int32_t queryResult = 0;         // OV_QueryCache result
    std::string formCode = "TAB";    // written to the output by OV_QueryCache
    bool fillFormCodeOutput = false; // write formCode without a terminator, over the whole size
    int32_t splitResult = 1;         // OV_SplitSizeToStrengthSUM result
    std::string strengthValue = "10";
    std::string strengthUnit = "MG";
    bool unterminatedUnit = false; // write 26 non-zero bytes as the unit

    // Calls seen.
    int queryCalls = 0;
    int32_t queryNumber = -1;
    std::string queryKey;
    int32_t queryArgument = -1;
    int32_t queryOutputSize = -1;
    bool queryExtraGiven = false;

    int splitCalls = 0;
    std::string splitDrugName;
    std::string splitRouteCode;
    std::string splitFormCode;
    std::string splitStrengthText;
};

// The one fake the test program's library functions answer from; reset it in
// every test.
FakeDrugKnowledge& TheFakeDrugKnowledge();
void ResetFakeDrugKnowledge();
