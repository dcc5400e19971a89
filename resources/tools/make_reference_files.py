#!/usr/bin/env python3
"""Writes the eighteen e-prescribing reference files and the default dose-form vocabulary.

The committed files under resources/reference/ and host/kelvar/DefaultVocabulary.tsv are the
product; this script is how we keep them consistent with one another. Edit the tables in
reference_tables.py, run this script from anywhere, and commit what it writes:

    python3 resources/tools/make_reference_files.py [SPL-DOSE-FORM-LIST.tsv]

Given a published list of SPL dose forms (NCI code and name, tab-separated), it also checks that
every one of them has a form code and that the NCI codes agree.

Every reference file is single-byte Windows-1252 text with CR LF between rows. The spacing and
tabs around each bar belong to the data and are produced here exactly as the host's e-prescribing
interface expects them.
"""

import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import reference_tables as t  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
REFERENCE_DIR = os.path.join(ROOT, "resources", "reference")
VOCABULARY = os.path.join(ROOT, "host", "kelvar", "DefaultVocabulary.tsv")

TAB_WIDTH = 4          # the editor the lists are kept in shows a tab as four columns
TERM_BAR_COLUMN = 36   # the bar column of the prescriber-term file


def tabs_to(column, text_length):
    """Tabs that carry a text of text_length columns to the given tab stop (at least one)."""
    count = 0
    at = text_length
    while at < column or count == 0:
        at = (at // TAB_WIDTH + 1) * TAB_WIDTH
        count += 1
    return "\t" * count


def file_bytes(rows, ending):
    """Joins rows with CR LF. ending: 'none' (no break after the last row), 'crlf' (one),
    'empty-row' (the last row is followed by an empty row: two breaks)."""
    text = "\r\n".join(rows)
    if ending == "crlf":
        text += "\r\n"
    elif ending == "empty-row":
        text += "\r\n\r\n"
    elif ending != "none":
        raise ValueError(ending)
    return text.encode("cp1252")


# --- the form table: one entry per form code -------------------------------------------------

FORMS = t.FORMS
FORM_BY_CODE = {f.code: f for f in FORMS}


def check_forms():
    codes = [f.code for f in FORMS]
    assert len(codes) == len(set(codes)), "form code used twice"
    for f in FORMS:
        assert 2 <= len(f.code) <= 4 and f.code.isalnum() and f.code.isupper(), f.code
        assert f.unit in t.DISPENSING_UNITS, (f.code, f.unit)
    seen = set()
    for f in FORMS:
        for name in f.spl_names:
            assert name == name.upper() and name not in seen, name
            seen.add(name)


def check_against_spl_list(path):
    """Compares the form table with a published list of SPL dose forms (a tab-separated file
    of NCI code and name, with a heading row)."""
    spl = {}
    with open(path, encoding="utf-8") as source:
        for line in source.read().splitlines()[1:]:
            nci, name = line.split("\t")
            spl[name.upper()] = nci
    named = {name for f in FORMS for name in f.spl_names}
    missing = set(spl) - named
    unknown = named - set(spl)
    assert not missing and not unknown, (sorted(missing), sorted(unknown))
    for f in FORMS:
        # A form code that names SPL dose forms carries the NCI code of the first of them.
        if f.spl_names and spl[f.spl_names[0]] != f.nci:
            raise AssertionError(f"{f.code}: {f.nci} is not the code of {f.spl_names[0]}")
    print(f"form table agrees with the {len(spl)} SPL dose forms of {path}")


# --- the files --------------------------------------------------------------------------------

def disp_unit_code():
    rows = [f"{code} | {name}" for code, name in
            sorted(t.DISPENSING_UNITS.items(), key=lambda item: item[1].lower())]
    return rows, "none"


def disp_unit_drug_name():
    return ["LANCET | C120263", "PEN NEEDLE | C120216", "SPONGE | C53502", "SYR | C48540",
            "SYRINGE | C48540", "SYRINGE (or SYR) | C48540"], "crlf"


def disp_unit_form():
    rows = []
    for term, code in t.DISP_UNIT_FORM_TERMS:
        unit = FORM_BY_CODE[code].unit
        if term in t.DISP_UNIT_FORM_TAB_ROWS:
            gap = "\t"
        elif term in t.DISP_UNIT_FORM_TAB_SPACE_ROWS:
            gap = "\t "
        else:
            gap = " "
        rows.append(f"{term}{gap}| {unit}")
    return rows, "none"


def disp_unit_uom():
    return ["GM | C48155", "L | C48505", "MG | C28253", "ML | C28254", "VIAL | C48551"], "none"


def drug_norm():
    return [f"{word}  |  {abbreviation}" for word, abbreviation in t.DRUG_NORM], "crlf"


def error_code():
    rows = []
    for code, text in t.ERROR_CODES:
        gap = "    " if len(code) == 1 else "  "
        assert len(code) in (1, 3), code
        rows.append(f"{code}{gap}|  {text}")
    return rows, "none"


def event():
    return ["Medication|Medication", "RefillRequest|RefillRequest",
            "RxChangeRequest|ChangeRequest", "RxFill|Fill", "Status|Status", "Error|Status",
            "Verify|Status", "OVError|Status"], "none"


def med_forms_codes():
    rows = []
    for f in sorted(FORMS, key=lambda f: f.code):
        gap = "\t" if len(f.code) == 4 else "\t\t"
        trailing = "\t" if f.code in t.MED_FORMS_TRAILING_TAB else ""
        rows.append(f"{f.code}{gap}|\t{f.nci}{trailing}")
    return rows, "none"


def med_forms_provider_terms():
    rows = []
    for term, code in t.PROVIDER_TERMS:
        after = "   " if term in t.PROVIDER_TERMS_SPACED else "\t"
        rows.append(f"{term}{tabs_to(TERM_BAR_COLUMN, len(term))}|{after}{code}")
    return rows, "none"


def med_forms_routes_codes():
    rows = []
    for code, route in t.FORM_ROUTES:
        rows.append(f"{code}{route}\t\t|\t{FORM_BY_CODE[code].nci}")
    return rows, "none"


def medication_forms_out():
    return [f"{abbreviation} | {name}" for abbreviation, name in t.FORMS_OUT], "crlf"


def medication_units_in():
    rows = []
    for code, before, after, trailing, name in t.UNITS_IN:
        rows.append(f"{code}{' ' * before}|{' ' * after}{name}{' ' * trailing}")
    return rows, "crlf"


def medication_units_out():
    rows = []
    for name, before, after, trailing, code in t.UNITS_OUT:
        rows.append(f"{name}{' ' * before}|{' ' * after}{code}{' ' * trailing}")
    return rows, "crlf"


def phone_type():
    return ["BN  |  Pager", "CP  |  Cell", "FX  |  Fax", "HP  |  Home", "NP  |  Home",
            "TE  |  Primary", "WP  |  Work"], "none"


SPECIALTIES = [("006", "", "Cardiology"), ("007", "D", "Dermatology"),
               ("008", "FP", "Family Practice"), ("001", "GP", "General Practice"),
               ("002", "GS", "General Surgery"), ("038", "FPG", "Geriatric Medicine"),
               ("083", "HO", "Hematology/Oncology"), ("011", "IM", "Internal Medicine"),
               ("016", "OBG", "Obstetrics/Gynecology"), ("037", "PD", "Pediatric Medicine"),
               ("060", "", "Public Health"), ("066", "RHU", "Rheumatology"),
               ("034", "U", "Urology")]


def specialty():
    return [f"{number}  |  {letters}  |  {name}" for number, letters, name in SPECIALTIES], \
        "empty-row"


def specialty_am():
    rows = []
    for index, (number, letters, name) in enumerate(SPECIALTIES):
        if index == 4:  # the General Surgery row has always been kept number first
            rows.append(f"{number}  |  {letters}  |  {name}")
        else:
            rows.append(f"{letters}  |  {number}  |  {name}")
    return rows, "empty-row"


def status_code():
    return ["000  |  Transaction successful - accepted by receiver",
            "010  |  Transaction successful - accepted by ultimate",
            "600  |  Communication problem - try again later",
            "601  |  Receiver unable to process - do not retry",
            "602  |  Receiver System Error - try again later",
            "900  |  Transaction rejected - do not retry"], "none"


STRENGTH_CODES = [("%-MG", "C28253"), ("%-UNT", "C44278"), ("%", "C25613"),
                  ("-0.025 MG", "C28253"), ("GM", "C48155"), ("IU", "C48579"), ("L", "C48505"),
                  ("MCG", "C48152"), ("MCI", "C48511"), ("MEQ", "C48512"), ("MG", "C28253"),
                  ("MG/5ML", "C91131"), ("MG/ML", "C64572"), ("ML", "C28254"),
                  ("MMOLE", "C48513"), ("MU", "C67310"), ("PFU", "C44278"), ("PNU", "C44278"),
                  ("UNIT", "C44278"), ("UNT", "C44278")]


def strength_code():
    return [f"{text} | {code}" for text, code in STRENGTH_CODES], "none"


# (resource id, file name, builder, size as shipped, rows as shipped)
FILES = [
    (115, "SureScripts_DispUnit_Code.ref", disp_unit_code, 1455, 81),
    (116, "SureScripts_DispUnit_DrugName.ref", disp_unit_drug_name, 116, 6),
    (117, "SureScripts_DispUnit_Form.ref", disp_unit_form, 3820, 154),
    (118, "SureScripts_DispUnit_UOM.ref", disp_unit_uom, 64, 5),
    (119, "SureScripts_DrugNorm.ref", drug_norm, 1037, 63),
    (120, "SureScripts_ErrorCode.ref", error_code, 8545, 178),
    (121, "SureScripts_Event.ref", event, 154, 8),
    (122, "SureScripts_MedForms_Codes.ref", med_forms_codes, 2354, 151),
    (123, "SureScripts_MedForms_ProviderTerms.ref", med_forms_provider_terms, 4233, 152),
    (124, "SureScripts_MedForms_Routes_Codes.ref", med_forms_routes_codes, 1913, 107),
    (125, "SureScripts_MedicationFormsOut.ref", medication_forms_out, 5452, 240),
    (126, "SureScripts_MedicationUnitsIn.ref", medication_units_in, 590, 33),
    (127, "SureScripts_MedicationUnitsOut.ref", medication_units_out, 1982, 104),
    (140, "SureScripts_PhoneType.ref", phone_type, 92, 7),
    (141, "SureScripts_Specialty.ref", specialty, 412, 13),
    (142, "SureScripts_Specialty_AM.ref", specialty_am, 412, 13),
    (143, "SureScripts_StatusCode.ref", status_code, 302, 6),
    (144, "SureScripts_StrengthCode.ref", strength_code, 286, 20),
]


# --- the default vocabulary -------------------------------------------------------------------

def vocabulary_entries():
    """(kind, text, value) in file order; every text once, without regard to letter case."""
    entries = []
    seen = {}

    def add(kind, text, value):
        key = (kind, text.lower())
        if key in seen:
            if seen[key] != value:
                raise AssertionError(f"{kind} {text!r} would map to {seen[key]} and {value}")
            return
        seen[key] = value
        entries.append((kind, text, value))

    for f in FORMS:
        for name in f.spl_names:
            add("form", name, f.code)
    spl_count = len(entries)
    for term, code in t.PROVIDER_TERMS:
        add("form", term, code)
    for text, code in t.EVERYDAY_FORMS:
        add("form", text, code)
    for text, code in t.FORM_TEXTS_BY_ROUTE:
        add("form", text, code)
    for kind, text, value in entries[spl_count:]:
        # Upper-case texts are kept for the SPL names, so that they can be counted.
        assert text != text.upper(), f"{text!r}: spell it with a lower-case letter"
    for spelling, canonical in t.UNIT_SPELLINGS:
        add("unit", spelling, canonical)
    return entries, spl_count


def write_vocabulary():
    entries, spl_count = vocabulary_entries()
    forms = [e for e in entries if e[0] == "form"]
    units = [e for e in entries if e[0] == "unit"]
    for kind, text, value in entries:
        assert "\t" not in text and text.strip() == text and text.isascii(), text
        if kind == "form":
            assert value in FORM_BY_CODE, value
    canonicals = {value for _, _, value in units}
    spellings = {text.upper(): value for _, text, value in units}
    for canonical in canonicals:
        assert len(canonical) <= 10, canonical
        assert spellings.get(canonical) == canonical, f"{canonical} must spell itself"
    strength_texts = {text for text, _ in STRENGTH_CODES}
    for canonical in ("%", "GM", "IU", "L", "MCG", "MEQ", "MG", "MG/5ML", "MG/ML", "ML",
                      "UNIT"):
        assert canonical in strength_texts and canonical in canonicals, canonical

    lines = [
        "# Default vocabulary of the drug-knowledge library (Kelvar).",
        "# hostkit writes it into a host folder as KelvarVocabulary.tsv unless a fixture brings",
        "# its own dose forms. One entry a line, fields separated by a tab:",
        "#   form <TAB> dose-form text <TAB> form code (at most 4 characters)",
        "#   unit <TAB> unit spelling <TAB> unit as the drug dictionary writes it",
        "# Texts match without regard to letter case, so each is listed once.",
        "# The form codes are those of SureScripts_MedForms_Codes.ref; the upper-case texts are",
        f"# the {spl_count} SPL dose forms of the NCI Thesaurus, the others what prescribers type.",
        "# Written by resources/tools/make_reference_files.py; edit the tables there.",
        "",
        "# SPL dose forms",
    ]
    lines += [f"form\t{text}\t{value}" for _, text, value in forms[:spl_count]]
    lines += ["", "# Prescribers' terms and everyday spellings"]
    lines += [f"form\t{text}\t{value}" for _, text, value in forms[spl_count:]]
    lines += ["", "# Unit spellings"]
    lines += [f"unit\t{text}\t{value}" for _, text, value in units]
    with open(VOCABULARY, "wb") as out:
        out.write(("\n".join(lines) + "\n").encode("ascii"))
    return len(forms), spl_count, len(units)


# --- consistency between the files -----------------------------------------------------------

def check_cross_references():
    units = t.DISPENSING_UNITS
    for _, code in [("LANCET", "C120263"), ("PEN NEEDLE", "C120216"), ("SPONGE", "C53502"),
                    ("SYR", "C48540"), ("GM", "C48155"), ("L", "C48505"), ("MG", "C28253"),
                    ("ML", "C28254"), ("VIAL", "C48551")]:
        assert code in units, code
    terms = [term for term, _ in t.PROVIDER_TERMS]
    assert len(terms) == len(set(terms)), "prescriber term listed twice"
    assert {code for _, code in t.PROVIDER_TERMS} == set(FORM_BY_CODE), \
        "every form code needs a prescriber term and every term a known code"
    for term, code in t.DISP_UNIT_FORM_TERMS:
        assert code in FORM_BY_CODE, (term, code)
    for term in t.DISP_UNIT_FORM_TAB_ROWS + t.DISP_UNIT_FORM_TAB_SPACE_ROWS:
        assert term in dict(t.DISP_UNIT_FORM_TERMS), term
    for term in t.PROVIDER_TERMS_SPACED:
        assert term in dict(t.PROVIDER_TERMS), term
    combos = [code + route for code, route in t.FORM_ROUTES]
    assert len(combos) == len(set(combos)), "form-and-route code listed twice"
    for code, route in t.FORM_ROUTES:
        assert code in FORM_BY_CODE and route in t.ROUTE_CODES, (code, route)
    outgoing_codes = {code for _, _, _, _, code in t.UNITS_OUT}
    incoming_codes = {code for code, *_ in t.UNITS_IN}
    assert outgoing_codes <= incoming_codes, sorted(outgoing_codes - incoming_codes)


def main():
    check_forms()
    if len(sys.argv) > 1:
        check_against_spl_list(sys.argv[1])
    check_cross_references()
    os.makedirs(REFERENCE_DIR, exist_ok=True)
    worst = 0.0
    wrong_rows = []
    for resource_id, name, build, size, row_count in FILES:
        rows, ending = build()
        data = file_bytes(rows, ending)
        with open(os.path.join(REFERENCE_DIR, name), "wb") as out:
            out.write(data)
        off = (len(data) - size) / size * 100
        worst = max(worst, abs(off))
        flag = "" if len(rows) == row_count else f"  ROWS {len(rows)} != {row_count}"
        print(f"{resource_id} {name:42} {len(data):5} of {size:5} ({off:+5.1f}%){flag}")
        if len(rows) != row_count:
            wrong_rows.append(name)
    if wrong_rows:
        raise SystemExit(f"wrong number of rows: {', '.join(wrong_rows)}")
    forms, spl, units = write_vocabulary()
    print(f"vocabulary: {forms} form texts ({spl} SPL dose forms), {units} unit spellings")
    print(f"largest size difference {worst:.1f}%")


if __name__ == "__main__":
    main()
