#include "PracticeCatalog.h"

#include <algorithm>
#include <stdexcept>

namespace hostkit {
namespace {

// Bits of Ingredient::kinds, in the order of ProductKinds().
enum KindBit : uint32_t {
    kOralSolid = 1u << 0,
    kSublingual = 1u << 1,
    kOralLiquid = 1u << 2,
    kInjection = 1u << 3,
    kTopical = 1u << 4,
    kOphthalmic = 1u << 5,
    kOtic = 1u << 6,
    kInhalation = 1u << 7,
    kNasal = 1u << 8,
    kTransdermal = 1u << 9,
    kRectal = 1u << 10,
};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

} // namespace

const std::vector<ProductKind>& ProductKinds() {
    static const std::vector<ProductKind> kinds = {
        {"oral solid",
         {"OR"},
         {"TAB", "CAP", "TBER", "CPER", "TBDR", "CPDR", "TCHW", "TBOD", "TBFC"},
         "MG",
         {"0.5", "1",   "2",   "2.5", "4",   "5",   "10",  "12.5", "15",  "20",
          "25",  "30",  "40",  "50",  "60",  "75",  "80",  "100",  "120", "150",
          "200", "250", "300", "325", "400", "500", "600", "750",  "800", "1000"}},
        {"sublingual",
         {"SL", "BU"},
         {"TAB", "FILM", "LOZ", "TBOD"},
         "MG",
         {"0.3", "0.4", "0.5", "1", "2", "4", "8", "10", "12"}},
        {"oral liquid",
         {"OR"},
         {"SOL", "SUSP", "SYRP", "ELIX"},
         "MG/ML",
         {"0.5", "1", "2", "4", "5", "10", "20", "25", "40", "50", "100"}},
        {"injection",
         {"IV", "IM", "SC", "IJ"},
         {"INJ", "IJSL", "IJSS"},
         "MG/ML",
         {"1", "2", "4", "10", "20", "25", "40", "50", "100", "200", "250"}},
        {"topical",
         {"EX"},
         {"CRM", "OINT", "GEL", "LOT", "SOL", "SPRY"},
         "%",
         {"0.025", "0.05", "0.1", "0.5", "1", "2", "2.5", "5", "10"}},
        {"ophthalmic",
         {"OP"},
         {"DROP", "SSDR", "OINT", "GEL"},
         "%",
         {"0.1", "0.15", "0.2", "0.3", "0.5", "1"}},
        {"otic", {"OT"}, {"DROP", "SSDR"}, "%", {"0.1", "0.2", "0.3", "1", "2"}},
        {"inhalation",
         {"IN"},
         {"AEMD", "PWMD"},
         "MCG/ACTUAT",
         {"44", "45", "50", "90", "100", "108", "110", "160", "220", "230", "250", "500"}},
        {"nasal", {"NA"}, {"SPRY", "SPMD"}, "MCG/ACTUAT", {"27.5", "32", "42", "50", "55", "137"}},
        {"transdermal",
         {"TD"},
         {"PTER", "PTCH"},
         "MCG/HR",
         {"12", "25", "37.5", "50", "75", "100"}},
        {"rectal", {"RE"}, {"SUPP"}, "MG", {"10", "25", "100", "120", "325", "650"}},
    };
    return kinds;
}

const std::vector<Ingredient>& Ingredients() {
    static const std::vector<Ingredient> ingredients = {
        {"Lisinopril", kOralSolid, kOralLiquid, "MG", {"2.5", "5", "10", "20", "30", "40"}},
        {"Amlodipine", kOralSolid, kOralLiquid, "MG", {"2.5", "5", "10"}},
        {"Metformin", kOralSolid, kOralLiquid, "MG", {"500", "750", "850", "1000"}},
        {"Atorvastatin", kOralSolid, 0, "MG", {"10", "20", "40", "80"}},
        {"Simvastatin", kOralSolid, 0, "MG", {"5", "10", "20", "40", "80"}},
        {"Rosuvastatin", kOralSolid, 0, "MG", {"5", "10", "20", "40"}},
        {"Pravastatin", kOralSolid, 0, "MG", {"10", "20", "40", "80"}},
        {"Losartan", kOralSolid, 0, "MG", {"25", "50", "100"}},
        {"Valsartan", kOralSolid, kOralLiquid, "MG", {"40", "80", "160", "320"}},
        {"Irbesartan", kOralSolid, 0, "MG", {"75", "150", "300"}},
        {"Olmesartan", kOralSolid, 0, "MG", {"5", "20", "40"}},
        {"Metoprolol Tartrate", kOralSolid, kInjection, "MG", {"25", "37.5", "50", "75", "100"}},
        {"Metoprolol Succinate", kOralSolid, 0, "MG", {"25", "50", "100", "200"}},
        {"Carvedilol", kOralSolid, 0, "MG", {"3.125", "6.25", "12.5", "25"}},
        {"Atenolol", kOralSolid, 0, "MG", {"25", "50", "100"}},
        {"Propranolol",
         kOralSolid,
         kOralLiquid | kInjection,
         "MG",
         {"10", "20", "40", "60", "80", "120", "160"}},
        {"Hydrochlorothiazide", kOralSolid, 0, "MG", {"12.5", "25", "50"}},
        {"Chlorthalidone", kOralSolid, 0, "MG", {"25", "50"}},
        {"Furosemide", kOralSolid, kOralLiquid | kInjection, "MG", {"20", "40", "80"}},
        {"Spironolactone", kOralSolid, kOralLiquid, "MG", {"25", "50", "100"}},
        {"Levothyroxine",
         kOralSolid,
         kInjection,
         "MCG",
         {"25", "50", "75", "88", "100", "112", "125", "137", "150", "175", "200"}},
        {"Omeprazole", kOralSolid, kOralLiquid, "MG", {"10", "20", "40"}},
        {"Pantoprazole", kOralSolid, kInjection, "MG", {"20", "40"}},
        {"Esomeprazole", kOralSolid, 0, "MG", {"20", "40"}},
        {"Famotidine", kOralSolid, kOralLiquid | kInjection, "MG", {"10", "20", "40"}},
        {"Sertraline", kOralSolid, kOralLiquid, "MG", {"25", "50", "100"}},
        {"Escitalopram", kOralSolid, kOralLiquid, "MG", {"5", "10", "20"}},
        {"Citalopram", kOralSolid, kOralLiquid, "MG", {"10", "20", "40"}},
        {"Fluoxetine", kOralSolid, kOralLiquid, "MG", {"10", "20", "40", "60"}},
        {"Paroxetine", kOralSolid, 0, "MG", {"10", "20", "30", "40"}},
        {"Bupropion", kOralSolid, 0, "MG", {"75", "100", "150", "200", "300"}},
        {"Trazodone", kOralSolid, 0, "MG", {"50", "100", "150", "300"}},
        {"Mirtazapine", kOralSolid, 0, "MG", {"7.5", "15", "30", "45"}},
        {"Venlafaxine", kOralSolid, 0, "MG", {"37.5", "75", "150", "225"}},
        {"Duloxetine", kOralSolid, 0, "MG", {"20", "30", "60"}},
        {"Gabapentin", kOralSolid, kOralLiquid, "MG", {"100", "300", "400", "600", "800"}},
        {"Pregabalin", kOralSolid, kOralLiquid, "MG", {"25", "50", "75", "150", "300"}},
        {"Tramadol", kOralSolid, 0, "MG", {"50", "100", "200", "300"}},
        {"Oxycodone", kOralSolid, kOralLiquid, "MG", {"5", "10", "15", "20", "30"}},
        {"Morphine Sulfate",
         kOralSolid,
         kOralLiquid | kInjection | kRectal,
         "MG",
         {"15", "30", "60", "100"}},
        {"Acetaminophen",
         kOralSolid,
         kOralLiquid | kRectal | kInjection,
         "MG",
         {"325", "500", "650"}},
        {"Ibuprofen", kOralSolid, kOralLiquid, "MG", {"200", "400", "600", "800"}},
        {"Naproxen", kOralSolid, kOralLiquid, "MG", {"220", "250", "375", "500"}},
        {"Meloxicam", kOralSolid, 0, "MG", {"7.5", "15"}},
        {"Celecoxib", kOralSolid, 0, "MG", {"50", "100", "200"}},
        {"Diclofenac", kOralSolid, kTopical | kOphthalmic, "MG", {"25", "50", "75", "100"}},
        {"Prednisone", kOralSolid, kOralLiquid, "MG", {"1", "2.5", "5", "10", "20", "50"}},
        {"Prednisolone", kOralLiquid, kOphthalmic, "MG/ML", {"1", "3", "5"}},
        {"Methylprednisolone", kOralSolid, kInjection, "MG", {"4", "8", "16", "32"}},
        {"Dexamethasone",
         kOralSolid,
         kInjection | kOphthalmic | kOtic,
         "MG",
         {"0.5", "0.75", "1", "1.5", "2", "4", "6"}},
        {"Montelukast", kOralSolid, 0, "MG", {"4", "5", "10"}},
        {"Cetirizine", kOralSolid, kOralLiquid, "MG", {"5", "10"}},
        {"Loratadine", kOralSolid, kOralLiquid, "MG", {"10"}},
        {"Amoxicillin", kOralSolid, kOralLiquid, "MG", {"250", "500", "875"}},
        {"Azithromycin",
         kOralSolid,
         kOralLiquid | kInjection | kOphthalmic,
         "MG",
         {"250", "500", "600"}},
        {"Cephalexin", kOralSolid, kOralLiquid, "MG", {"250", "500", "750"}},
        {"Ciprofloxacin",
         kOralSolid,
         kInjection | kOphthalmic | kOtic,
         "MG",
         {"100", "250", "500", "750"}},
        {"Doxycycline Hyclate", kOralSolid, kInjection, "MG", {"20", "50", "75", "100", "150"}},
        {"Clindamycin", kOralSolid, kTopical | kInjection, "MG", {"75", "150", "300"}},
        {"Nitrofurantoin", kOralSolid, kOralLiquid, "MG", {"25", "50", "100"}},
        {"Metronidazole", kOralSolid, kTopical | kInjection, "MG", {"250", "375", "500"}},
        {"Warfarin", kOralSolid, 0, "MG", {"1", "2", "2.5", "3", "4", "5", "6", "7.5", "10"}},
        {"Apixaban", kOralSolid, 0, "MG", {"2.5", "5"}},
        {"Rivaroxaban", kOralSolid, 0, "MG", {"2.5", "10", "15", "20"}},
        {"Clopidogrel", kOralSolid, 0, "MG", {"75", "300"}},
        {"Glipizide", kOralSolid, 0, "MG", {"2.5", "5", "10"}},
        {"Glimepiride", kOralSolid, 0, "MG", {"1", "2", "4"}},
        {"Sitagliptin", kOralSolid, 0, "MG", {"25", "50", "100"}},
        {"Pioglitazone", kOralSolid, 0, "MG", {"15", "30", "45"}},
        {"Allopurinol", kOralSolid, 0, "MG", {"100", "300"}},
        {"Tamsulosin", kOralSolid, 0, "MG", {"0.4"}},
        {"Finasteride", kOralSolid, 0, "MG", {"1", "5"}},
        {"Alprazolam", kOralSolid, kSublingual, "MG", {"0.25", "0.5", "1", "2"}},
        {"Lorazepam", kOralSolid, kOralLiquid | kInjection | kSublingual, "MG", {"0.5", "1", "2"}},
        {"Clonazepam", kOralSolid, 0, "MG", {"0.125", "0.25", "0.5", "1", "2"}},
        {"Zolpidem", kOralSolid, kSublingual, "MG", {"1.75", "3.5", "5", "6.25", "10", "12.5"}},
        {"Quetiapine", kOralSolid, 0, "MG", {"25", "50", "100", "200", "300", "400"}},
        {"Aripiprazole", kOralSolid, kOralLiquid, "MG", {"2", "5", "10", "15", "20", "30"}},
        {"Risperidone", kOralSolid, kOralLiquid, "MG", {"0.25", "0.5", "1", "2", "3", "4"}},
        {"Lamotrigine", kOralSolid, 0, "MG", {"25", "100", "150", "200"}},
        {"Levetiracetam",
         kOralSolid,
         kOralLiquid | kInjection,
         "MG",
         {"250", "500", "750", "1000"}},
        {"Topiramate", kOralSolid, 0, "MG", {"25", "50", "100", "200"}},
        {"Donepezil", kOralSolid, 0, "MG", {"5", "10", "23"}},
        {"Memantine", kOralSolid, kOralLiquid, "MG", {"5", "7", "10", "14", "28"}},
        {"Ondansetron", kOralSolid, kSublingual | kInjection | kOralLiquid, "MG", {"4", "8", "24"}},
        {"Cyclobenzaprine", kOralSolid, 0, "MG", {"5", "7.5", "10"}},
        {"Baclofen", kOralSolid, kOralLiquid, "MG", {"5", "10", "20"}},
        {"Tizanidine", kOralSolid, 0, "MG", {"2", "4", "6"}},
        {"Potassium Chloride", kOralSolid, kOralLiquid | kInjection, "MEQ", {"8", "10", "20"}},
        {"Cholecalciferol", kOralSolid, 0, "UNIT", {"400", "1000", "2000", "5000", "50000"}},
        {"Folic Acid", kOralSolid, kInjection, "MG", {"0.4", "0.8", "1"}},
        {"Cyanocobalamin", kOralSolid, kInjection | kNasal, "MCG", {"100", "500", "1000"}},
        {"Nitroglycerin", kSublingual, kTransdermal | kTopical, "MG", {"0.3", "0.4", "0.6"}},
        {"Buprenorphine", kSublingual, kTransdermal | kInjection, "MG", {"2", "8"}},
        {"Fentanyl", kTransdermal, kInjection | kNasal, "MCG/HR", {"12", "25", "50", "75", "100"}},
        {"Nicotine", kTransdermal, kSublingual, "MG/HR", {"7", "14", "21"}},
        {"Estradiol", kOralSolid, kTransdermal | kTopical, "MG", {"0.5", "1", "2"}},
        {"Insulin Glargine", kInjection, 0, "UNIT/ML", {"100", "300"}},
        {"Insulin Lispro", kInjection, 0, "UNIT/ML", {"100", "200"}},
        {"Insulin Aspart", kInjection, 0, "UNIT/ML", {"100"}},
        {"Heparin Sodium", kInjection, 0, "UNIT/ML", {"1000", "5000", "10000"}},
        {"Enoxaparin", kInjection, 0, "MG/ML", {"100", "150"}},
        {"Ceftriaxone", kInjection, 0, "MG/ML", {"100", "250", "350"}},
        {"Vancomycin", kInjection, kOralSolid, "MG/ML", {"5", "10", "50"}},
        {"Ketorolac", kInjection, kOralSolid | kOphthalmic, "MG/ML", {"15", "30"}},
        {"Epinephrine", kInjection, 0, "MG/ML", {"0.15", "0.3", "1"}},
        {"Medroxyprogesterone", kInjection, kOralSolid, "MG/ML", {"104", "150", "400"}},
        {"Testosterone Cypionate", kInjection, 0, "MG/ML", {"100", "200"}},
        {"Albuterol", kInhalation, kOralSolid | kOralLiquid, "MCG/ACTUAT", {"90", "108"}},
        {"Fluticasone", kInhalation, kNasal | kTopical, "MCG/ACTUAT", {"44", "110", "220"}},
        {"Budesonide", kInhalation, kNasal | kOralSolid, "MCG/ACTUAT", {"80", "160", "180"}},
        {"Beclomethasone", kInhalation, kNasal, "MCG/ACTUAT", {"40", "80"}},
        {"Tiotropium", kInhalation, 0, "MCG/ACTUAT", {"1.25", "2.5", "18"}},
        {"Ipratropium", kInhalation, kNasal, "MCG/ACTUAT", {"17", "21", "42"}},
        {"Mometasone", kNasal, kTopical | kInhalation, "MCG/ACTUAT", {"50", "100", "200"}},
        {"Azelastine", kNasal, kOphthalmic, "MCG/ACTUAT", {"137", "205.5"}},
        {"Triamcinolone", kTopical, kNasal | kInjection, "%", {"0.025", "0.1", "0.5"}},
        {"Hydrocortisone", kTopical, kOralSolid | kRectal, "%", {"0.5", "1", "2.5"}},
        {"Clobetasol", kTopical, 0, "%", {"0.05"}},
        {"Betamethasone Dipropionate", kTopical, 0, "%", {"0.05"}},
        {"Mupirocin", kTopical, 0, "%", {"2"}},
        {"Ketoconazole", kTopical, kOralSolid, "%", {"1", "2"}},
        {"Clotrimazole", kTopical, kSublingual, "%", {"1"}},
        {"Lidocaine", kTopical, kInjection | kTransdermal, "%", {"0.5", "1", "2", "4", "5"}},
        {"Silver Sulfadiazine", kTopical, 0, "%", {"1"}},
        {"Tretinoin", kTopical, 0, "%", {"0.025", "0.05", "0.1"}},
        {"Timolol", kOphthalmic, kOralSolid, "%", {"0.25", "0.5"}},
        {"Latanoprost", kOphthalmic, 0, "%", {"0.005"}},
        {"Brimonidine", kOphthalmic, 0, "%", {"0.1", "0.15", "0.2"}},
        {"Dorzolamide", kOphthalmic, 0, "%", {"2"}},
        {"Ofloxacin", kOphthalmic, kOtic | kOralSolid, "%", {"0.3"}},
        {"Moxifloxacin", kOphthalmic, kOralSolid | kInjection, "%", {"0.5"}},
        {"Tobramycin", kOphthalmic, kInjection | kInhalation, "%", {"0.3"}},
        {"Neomycin/Polymyxin B", kOphthalmic, kOtic, "%", {"0.35"}},
        {"Promethazine",
         kRectal,
         kOralSolid | kOralLiquid | kInjection,
         "MG",
         {"12.5", "25", "50"}},
        {"Bisacodyl", kRectal, kOralSolid, "MG", {"5", "10"}},
        {"Mesalamine", kRectal, kOralSolid, "MG", {"400", "800", "1000", "1200"}},
        {"Lisinopril/Hydrochlorothiazide", kOralSolid, 0, "MG", {"10-12.5", "20-12.5", "20-25"}},
        {"Losartan/Hydrochlorothiazide", kOralSolid, 0, "MG", {"50-12.5", "100-12.5", "100-25"}},
        {"Valsartan/Hydrochlorothiazide",
         kOralSolid,
         0,
         "MG",
         {"80-12.5", "160-12.5", "160-25", "320-25"}},
        {"Amlodipine/Benazepril",
         kOralSolid,
         0,
         "MG",
         {"2.5-10", "5-10", "5-20", "10-20", "10-40"}},
        {"Hydrocodone/Acetaminophen",
         kOralSolid,
         kOralLiquid,
         "MG",
         {"5-325", "7.5-325", "10-325"}},
        {"Oxycodone/Acetaminophen", kOralSolid, 0, "MG", {"5-325", "7.5-325", "10-325"}},
        {"Amoxicillin/Clavulanate",
         kOralSolid,
         kOralLiquid,
         "MG",
         {"250-125", "500-125", "875-125"}},
        {"Sulfamethoxazole/Trimethoprim", kOralSolid, kOralLiquid, "MG", {"400-80", "800-160"}},
        {"Sitagliptin/Metformin", kOralSolid, 0, "MG", {"50-500", "50-1000"}},
        {"Fluticasone/Salmeterol", kInhalation, 0, "MCG/ACTUAT", {"100-50", "250-50", "500-50"}},
        {"Budesonide/Formoterol", kInhalation, 0, "MCG/ACTUAT", {"80-4.5", "160-4.5"}},
        {"Carbidopa/Levodopa", kOralSolid, 0, "MG", {"10-100", "25-100", "25-250"}},
    };
    return ingredients;
}

const std::vector<TermTypePattern>& TermTypePatterns() {
    static const std::vector<TermTypePattern> patterns = {
        {{}, -1, 8},
        {{"SCD"}, 0, 20},
        {{"SBD"}, 0, 10},
        {{"GPCK"}, 0, 2},
        {{"BPCK"}, 0, 2},
        {{"SY"}, 0, 2},
        {{"scd"}, 0, 1},
        {{"SCD", "SBD"}, 1, 15},
        {{"SCD", "SY"}, 0, 5},
        {{"SCD", "IN"}, 0, 5},
        {{"SBD", "SY", "IN"}, 0, 3},
        {{"BPCK", "SCD"}, 0, 2},
        {{"BPCK", "GPCK"}, 0, 2},
        {{"SCD", "SBD", "SY", "IN"}, 1, 4},
        {{"SCD", "SCD", "SBD", "IN"}, 2, 1},
        {{"SBD", "SBD", "GPCK"}, 2, 2},
        {{"BPCK", "BPCK", "SCD"}, 2, 2},
        {{"SBD", "BPCK"}, -1, 3},
        {{"SCD", "GPCK"}, -1, 3},
        {{"SBD", "SBD", "SCD"}, -1, 2},
        {{"SCD", "SCD"}, -1, 2},
        {{"sbd", "SY"}, -1, 1},
        {{"SBD", "SCD", "GPCK", "SY"}, -1, 1},
    };
    return patterns;
}

std::string_view RecordedTermType(std::string_view candidateTermType) {
    const std::string type = Upper(candidateTermType);
    if (type == "SBD" || type == "BPCK") {
        return "SBD";
    }
    if (type == "SCD" || type == "GPCK") {
        return "SCD";
    }
    return "   ";
}

std::span<const RouteName> RouteNames() {
    static constexpr RouteName names[] = {
        {"Oral", "OR"},        {"Sublingual", "SL"},    {"Buccal", "BU"},
        {"Intravenous", "IV"}, {"Intramuscular", "IM"}, {"Subcutaneous", "SC"},
        {"Injection", "IJ"},   {"External", "EX"},      {"Ophthalmic", "OP"},
        {"Otic", "OT"},        {"Inhalation", "IN"},    {"Nasal", "NA"},
        {"Transdermal", "TD"}, {"Rectal", "RE"},
    };
    return names;
}

std::span<const std::string_view> UnknownRouteNames() {
    static constexpr std::string_view names[] = {
        "Topical", "By Mouth", "PO", "Intravenous Push", "Per G-Tube", "Subcut", "Eye", "Both Ears",
    };
    return names;
}

std::span<const std::string_view> UnknownDoseForms() {
    static constexpr std::string_view forms[] = {
        "Device",    "Misc",       "Tab Film Coated ER 24 Hr",
        "Cartridge", "Pen Needle", "Each",
        "Box",       "Test Strip", "Lancets",
        "Supply",
    };
    return forms;
}

std::span<const std::string_view> UnfiledBrandNames() {
    static constexpr std::string_view names[] = {
        "Zestril", "Norvasc",   "Glucophage", "Lipitor",      "Zocor",    "Crestor",
        "Cozaar",  "Lopressor", "Toprol XL",  "Synthroid",    "Prilosec", "Zoloft",
        "Lexapro", "Neurontin", "Ultram",     "Coumadin",     "Eliquis",  "Plavix",
        "Xanax",   "Seroquel",  "Lantus",     "Ventolin HFA", "Flonase",
    };
    return names;
}

std::span<const std::string_view> Surnames() {
    static constexpr std::string_view names[] = {
        "Smith",    "Johnson",   "Williams", "Brown",     "Jones",   "Garcia",   "Miller",
        "Davis",    "Rodriguez", "Martinez", "Hernandez", "Lopez",   "Gonzalez", "Wilson",
        "Anderson", "Thomas",    "Taylor",   "Moore",     "Jackson", "Martin",   "Lee",
        "Perez",    "Thompson",  "White",    "Harris",    "Sanchez", "Clark",    "Ramirez",
        "Lewis",    "Robinson",  "Walker",   "Young",     "Allen",   "King",     "Wright",
        "Scott",    "Torres",    "Nguyen",   "Hill",      "Flores",
    };
    return names;
}

VocabularyIndex::VocabularyIndex(std::string_view vocabulary) {
    constexpr std::size_t kLongestDoseForm = 50; // the medication's field
    while (!vocabulary.empty()) {
        const std::size_t end = vocabulary.find('\n');
        std::string_view line = vocabulary.substr(0, end);
        vocabulary =
            end == std::string_view::npos ? std::string_view() : vocabulary.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t first = line.find('\t');
        const std::size_t second = first == line.npos ? line.npos : line.find('\t', first + 1);
        if (second == line.npos) {
            continue;
        }
        const std::string_view kind = line.substr(0, first);
        const std::string text(line.substr(first + 1, second - first - 1));
        const std::string code(line.substr(second + 1));
        if (kind == "form") {
            m_foldedForms.push_back(Upper(text));
            if (text.size() <= kLongestDoseForm) {
                m_formTexts[code].push_back(text);
            }
        } else if (kind == "unit") {
            m_unitSpellings[code].push_back(text);
        }
    }
    std::sort(m_foldedForms.begin(), m_foldedForms.end());
}

const std::vector<std::string>& VocabularyIndex::FormTexts(std::string_view formCode) const {
    const auto found = m_formTexts.find(std::string(formCode));
    if (found == m_formTexts.end()) {
        throw std::logic_error("the vocabulary has no dose form for the code " +
                               std::string(formCode));
    }
    return found->second;
}

const std::vector<std::string>& VocabularyIndex::UnitSpellings(std::string_view unit) const {
    const auto found = m_unitSpellings.find(std::string(unit));
    if (found == m_unitSpellings.end()) {
        throw std::logic_error("the vocabulary has no spelling of the unit " + std::string(unit));
    }
    return found->second;
}

bool VocabularyIndex::KnowsForm(std::string_view text) const {
    return std::binary_search(m_foldedForms.begin(), m_foldedForms.end(), Upper(text));
}

} // namespace hostkit
