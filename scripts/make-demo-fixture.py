#!/usr/bin/env python3
"""Writes samples/demo.json, the demo practice: a small family practice whose
drug dictionary holds real drugs and whose patients' medications are typed the
way prescribers type them.

Every drug fact -- name, strength, dose form, RxNorm concept ID and term type,
package NDC -- is read from the public openFDA NDC/RxNorm extract
(openfda_ndc_rxnorm_flat.tsv, CC0). That file is not part of this repository:
a developer who changes the practice runs this script with the file at hand
and commits the fixture it writes. Nothing else ever needs the script.

    scripts/make-demo-fixture.py [--data FILE] [--vocabulary FILE] [--output FILE]

The drugs' form codes are what the drug-knowledge library's default vocabulary
(host/kelvar/DefaultVocabulary.tsv) gives for the dose form a prescriber types,
so run it again whenever that vocabulary changes.

The practice is built so that one report touches every situation a medication
can be in: no ID and no code, a text that cannot be described, a drug that is
not in the dictionary, a drug without NDC or without RxNorm candidates, one
candidate (same, other or no ID) and several candidates under each rule of the
term-type choice. The script checks this itself by deciding every medication
as the scan does and refuses to write a practice that misses a situation.
"""

import argparse
import collections
import csv
import json
import random
import re
import sys
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_DATA = ROOT.parent / "shared" / "data" / "openfda_ndc_rxnorm_flat.tsv"
DEFAULT_VOCABULARY = ROOT / "host" / "kelvar" / "DefaultVocabulary.tsv"
DEFAULT_OUTPUT = ROOT / "samples" / "demo.json"

SEED = 20191031

# The route names the utility knows, with their codes (its route code table).
ROUTE_CODES = {
    "buccal": "BU", "combination": "CO", "dental": "DT", "enteral": "EN", "epidural": "EP",
    "external": "EX", "extracorporeal": "EC", "hemodialysis": "HM", "implant": "IL",
    "inhalation": "IN", "injection": "IJ", "intra-arterial": "IA", "intra-articular": "IX",
    "intracardiac": "CA", "intracavernosal": "IC", "intracavitary": "CV", "intradermal": "ID",
    "intralesional": "LS", "intramuscular": "IM", "intraocular": "IO", "intraperitoneal": "IP",
    "intrapleural": "PL", "intrathecal": "IT", "intratracheal": "TR", "intrauterine": "IU",
    "intravenous": "IV", "intravesical": "IS", "intravitreal": "IZ", "in vitro": "VI",
    "iontophoresis": "PH", "irrigation": "IR", "mouth/throat": "MT", "nasal": "NA",
    "ophthalmic": "OP", "oral": "OR", "otic": "OT", "perfusion": "PF", "rectal": "RE",
    "subcutaneous": "SC", "sublingual": "SL", "transdermal": "TD", "translingual": "TL",
    "transmucosal": "TM", "urethral": "UR", "vaginal": "VA", "n/a": "XX",
}


# --- The practice's drug dictionary --------------------------------------------------------

@dataclass
class Drug:
    """One drug of the dictionary. `concept` is the RxNorm concept whose
    description gives the drug's strength (none for a pack); `links` are the
    drug's RxNorm candidates, each a concept ID, optionally with the term type
    written as an old import wrote it (any other letter case than RxNorm's is
    not a term type the choice knows)."""
    name: str
    concept: str
    form: str                 # the dose form as prescribers type it
    route: str = "Oral"
    links: list = None        # None: linked to `concept` alone
    has_ndc: bool = True
    pack: bool = False        # a pack: filed without strength
    note: str = ""


def link(concept, written=None):
    return (concept, written)


DRUGS = [
    # Generic drugs, each linked to its one clinical drug (SCD).
    Drug("Lisinopril", "314076", "Tablet"),
    Drug("Lisinopril", "314077", "Tablet"),
    Drug("Lisinopril", "311354", "Tablet"),
    Drug("Atenolol", "197381", "Tablet"),
    Drug("Simvastatin", "312961", "Tablet"),
    Drug("Metformin hydrochloride", "861004", "Tablet"),
    Drug("Amoxicillin", "308194", "Tablet"),
    Drug("Cephalexin", "309114", "Capsule"),
    Drug("Ciprofloxacin", "309309", "Tablet"),
    Drug("Clopidogrel", "309362", "Tablet"),
    Drug("Famotidine", "310273", "Tablet"),
    Drug("Fluoxetine", "310384", "Capsule"),
    Drug("Hydrochlorothiazide", "310798", "Tablet"),
    Drug("Ibuprofen", "197806", "Tablet"),
    Drug("Levothyroxine Sodium", "966221", "Tablet"),
    Drug("Loratadine", "311372", "Tablet"),
    Drug("Meloxicam", "311486", "Tablet"),
    Drug("Naproxen", "198014", "Tablet"),
    Drug("Omeprazole", "198051", "Capsule Delayed Release"),
    Drug("Pantoprazole", "314200", "Tablet Delayed Release"),
    Drug("Prednisone", "198145", "Tablet"),
    Drug("Sertraline", "312938", "Tablet"),
    Drug("Warfarin Sodium", "855324", "Tablet"),
    Drug("Tizanidine", "313413", "Tablet"),
    Drug("Quetiapine", "312743", "Tablet"),
    Drug("Cyclobenzaprine hydrochloride", "828348", "Tablet"),
    Drug("Pioglitazone", "312440", "Tablet"),
    Drug("Glyburide", "310537", "Tablet"),
    Drug("Baclofen", "197391", "Tablet"),
    Drug("Donepezil hydrochloride", "997220", "Orally Disintegrating Tablet"),
    Drug("Aspirin", "308416", "Tab EC"),
    # Drugs the host knows without NDC, or without RxNorm link.
    Drug("Terbinafine", "313222", "Tablet", has_ndc=False, note="no NDC record"),
    Drug("Venlafaxine", "313586", "Tablet", has_ndc=False, note="no NDC record"),
    Drug("Tranexamic Acid", "883826", "Tablet", links=[], note="no RxNorm link"),
    Drug("Minocycline", "197984", "Capsule", links=[], note="no RxNorm link"),
    # Branded drugs: their branded drug (SBD) and the clinical drug (SCD).
    Drug("Remeron", "211322", "Tablet", links=[link("211322"), link("311725")]),
    Drug("Prandin", "213219", "Tablet", links=[link("213219"), link("200256")]),
    Drug("Abilify", "352307", "Tablet", links=[link("352307"), link("349545")]),
    Drug("Namenda", "996563", "Tablet", links=[link("996563"), link("996561")]),
    Drug("Viagra", "213271", "Tablet", links=[link("213271"), link("314229")]),
    Drug("Casodex", "108828", "Tablet", links=[link("108828"), link("199123")]),
    Drug("Nuvigil", "805659", "Tablet", links=[link("805659"), link("724859")]),
    Drug("Sustiva", "352143", "Tablet", links=[link("352143"), link("349477")]),
    Drug("Mapap", "209890", "Capsule", links=[link("209890"), link("198439")]),
    Drug("Rifadin", "201867", "Capsule", links=[link("201867"), link("198201")]),
    Drug("Baraclude", "578457", "Tablet", links=[link("578457"), link("485434")]),
    Drug("Orfadin", "1790317", "Oral Suspension", links=[link("1790317"), link("1790310")]),
    Drug("Pred Forte", "1548724", "Eye Drops", route="Ophthalmic",
         links=[link("1548724"), link("1376336")]),
    # Linked as their labels are: every strength of the label.
    Drug("Amnesteem", "404058", "Capsule",
         links=[link("404058"), link("404061"), link("404064"), link("197843")],
         note="three branded drugs and a clinical drug: no ID"),
    Drug("Simvastatin", "198211", "Tablet",
         links=[link("198211"), link("312961"), link("314231")],
         note="three clinical drugs: no ID"),
    Drug("Entecavir", "485436", "Tablet", links=[link("485434"), link("485436")],
         note="two clinical drugs: no ID"),
    # Linked to a tablet and to a pack of it.
    Drug("Lamotrigine", "198430", "Orally Disintegrating Tablet",
         links=[link("198430"), link("851748")], note="clinical drug and generic pack: no ID"),
    # Packs.
    Drug("Ortho-Novum 7/7/7", "749853", "Tablet", pack=True,
         links=[link("749853"), link("749852")], note="branded and generic pack"),
    Drug("Tarina Fe 1/20", "1550536", "Tablet", pack=True,
         links=[link("1550536"), link("1358763")], note="branded and generic pack"),
    Drug("Natazia", "978950", "Tablet", pack=True,
         links=[link("978950"), link("978941"), link("978944"), link("978946"),
                link("978948"), link("748797")],
         note="branded pack and the clinical drugs in it"),
    # Rows of an old import that wrote the term type in its own letter case.
    Drug("Imitrex", "209169", "Tablet", links=[link("209169"), link("313161", "scd")],
         note="branded drug; the clinical drug's row is not read as one"),
    Drug("Lamotrigine", "252478", "Orally Disintegrating Tablet",
         links=[link("252478"), link("851752", "Gpck")],
         note="clinical drug; the pack's row is not read as one"),
    Drug("Lamotrigine ODT Titration Kit", "851750", "Kit", pack=True,
         links=[link("851750"), link("103968", "Scd")],
         note="generic pack; the tablet's row is not read as one"),
]

# Medications typed without any code: supplements and over-the-counter products.
FREE_TEXT = [
    ("Vitamin D3", "1000 units", "Capsule"), ("Fish Oil", "1000 mg", "Softgel"),
    ("Multivitamin", "", "Tablet"), ("Melatonin", "3 mg", "Tablet"),
    ("Probiotic", "", "Capsule"), ("Glucosamine", "1500 mg", "Tablet"),
    ("Coenzyme Q10", "100 mg", "Capsule"), ("Magnesium Oxide", "400 mg", "Tablet"),
    ("Calcium with Vitamin D", "600 mg", "Tablet"), ("Turmeric", "500 mg", "Capsule"),
]

SURNAMES = [
    "Abbott", "Alvarez", "Bennett", "Brooks", "Castillo", "Chen", "Coleman", "Delgado",
    "Dunn", "Ellis", "Fischer", "Foster", "Garcia", "Gordon", "Hansen", "Hayes", "Ibarra",
    "Jensen", "Kaur", "Keller", "Lambert", "Lopez", "Marsh", "Morgan", "Nguyen", "Novak",
    "Okafor", "Owens", "Patel", "Perry", "Quinn", "Ramos", "Reyes", "Sandoval", "Schmidt",
    "Tran", "Vance", "Walsh", "Weber", "Young",
]


# --- Facts from the data -------------------------------------------------------------------

@dataclass
class Concept:
    rxcui: str
    term_type: str
    description: str
    packages: list  # package NDCs of the products linked to it, in file order


def read_concepts(path):
    concepts = {}
    with open(path, newline="", encoding="utf-8") as file:
        for row in csv.DictReader(file, delimiter="\t"):
            concept = concepts.setdefault(
                row["rxcui"], Concept(row["rxcui"], row["tty"], row["rxstring"], []))
            if concept.term_type != row["tty"] or concept.description != row["rxstring"]:
                sys.exit(f"{path}: concept {row['rxcui']} is described twice differently")
            for package in row["package_ndcs"].split(";"):
                if package and package not in concept.packages:
                    concept.packages.append(package)
    return concepts


def read_vocabulary(path):
    forms, units = {}, {}
    for line in Path(path).read_text(encoding="latin-1").splitlines():
        if not line or line.startswith("#"):
            continue
        kind, text, code = line.split("\t")
        (forms if kind == "form" else units)[text.lower()] = code
    return forms, units


STRENGTH = re.compile(r"(\d+(?:\.\d+)?) (MG/ML|MG|MCG)\b")


def strength_of(concept):
    """The first strength of a single-ingredient description, as value and unit."""
    found = STRENGTH.findall(concept.description)
    if len(found) != 1:
        sys.exit(f"concept {concept.rxcui} ({concept.description}): not one strength")
    return found[0]


def ndc11(package):
    """A package NDC in the 11-digit form (5-4-2) used as a drug code."""
    labeler, product, pack = package.split("-")
    return labeler.zfill(5) + product.zfill(4) + pack.zfill(2)


# --- Deciding a medication as the scan does ------------------------------------------------

def parse_strength_text(text):
    """The utility's own split of a strength text into value and unit."""
    work = (text.replace(",", "") + "\0" * 26)[:26]
    value, unit = ["\0"] * 27, ["\0"] * 27
    value_ended, value_end, separator, opened, closed = False, 0, 0, False, False
    unit_ended, unit_length = False, 0
    for i, c in enumerate(work):
        if ((c.isdigit() or c in " -.()") and not value_ended and i < 16 and not opened
                and not closed) or (opened and not closed):
            opened = opened or c == "("
            closed = closed or c == ")"
            if c == " " and not opened:
                separator, value_ended, value_end = 1, True, i
            else:
                value[i] = c
        elif not unit_ended:
            if not value_ended:
                value_ended, value_end = True, i
            if c not in " \0" and i < value_end + 11:
                unit[i - value_end - separator] = c
            else:
                unit_length = i - value_end - separator
                if i >= value_end + 11:
                    break
                unit_ended = True
    value[value_end] = "\0"
    unit[unit_length] = "\0"
    return "".join(value).split("\0")[0], "".join(unit).split("\0")[0].upper()


NUMBER = re.compile(r"(\d{1,3}(?:,\d{3})+|\d+)(\.\d+)?")


def split_strength(text, units):
    """The drug-knowledge library's split, else the utility's own."""
    stripped = text.strip(" \t")
    number = NUMBER.match(stripped)
    if number:
        unit = units.get(stripped[number.end():].lstrip(" \t").lower())
        if unit is not None:
            return number.group(0).replace(",", ""), unit
    return parse_strength_text(text)


def decide(medication, dictionary, forms, units):
    """The scan's outcome for one medication: (situation, new RxNorm ID or None)."""
    old = medication["rxNormId"]
    if not old and not medication["drugCode"]:
        return "no ID and no code", None
    form = forms.get(medication["doseForm"].lower())
    route = ROUTE_CODES.get(medication["route"].lower())
    if not medication["drugName"] or not medication["route"] or form is None or route is None:
        return ("not describable, with ID" if old else "not describable, no ID"), (
            "" if old else None)
    value, unit = split_strength(medication["strength"], units)
    key = (medication["drugName"], form, route, value, unit)
    drug = dictionary.get(key) if len(medication["drugName"]) <= 30 else None
    if drug is None:
        return ("no such drug, with ID" if old else "no such drug, no ID"), ("" if old else None)
    if not drug["ndcs"]:
        return "drug without NDC", None
    candidates = drug["candidates"]
    if not candidates:
        return "drug without candidates", None
    if len(candidates) == 1:
        new = candidates[0][0]
        if new == old:
            return "one candidate, same ID", None
        return ("one candidate, other ID" if old else "one candidate, no ID"), new
    rule, new = choose(candidates)
    return f"several candidates, rule {rule}", (None if new == old else new)


def choose(candidates):
    tally = collections.OrderedDict((t, []) for t in ("SBD", "BPCK", "SCD", "GPCK"))
    for rxcui, term_type in candidates:
        if term_type in tally:
            tally[term_type].append(rxcui)
    present = {t: len(ids) >= 1 for t, ids in tally.items()}
    unique = {t: len(ids) == 1 for t, ids in tally.items()}
    if (present["SBD"] and present["BPCK"]) or (present["SCD"] and present["GPCK"]):
        return 1, ""
    if present["SBD"] and present["SCD"]:
        return 2, tally["SBD"][0] if unique["SBD"] else ""
    if present["BPCK"] and present["GPCK"]:
        return 3, tally["BPCK"][0] if unique["BPCK"] else ""
    for rule, term_type in ((4, "SBD"), (5, "BPCK"), (6, "SCD"), (7, "GPCK")):
        if unique[term_type]:
            return rule, tally[term_type][0]
    return 8, ""


SITUATIONS = [
    "no ID and no code", "not describable, no ID", "not describable, with ID",
    "no such drug, no ID", "no such drug, with ID", "drug without NDC",
    "drug without candidates", "one candidate, same ID", "one candidate, other ID",
    "one candidate, no ID",
] + [f"several candidates, rule {rule}" for rule in range(1, 9)]


# --- Building the practice ------------------------------------------------------------------

def build_dictionary(concepts, forms):
    drugs, ndcs, rxnorm, used_packages = [], [], [], set()
    for number, entry in enumerate(DRUGS, start=1):
        drug_id = 100 + number
        concept = concepts.get(entry.concept)
        if concept is None:
            sys.exit(f"{entry.name}: concept {entry.concept} is not in the data")
        if entry.name.split()[0].lower() not in concept.description.lower():
            sys.exit(f"{entry.name}: concept {entry.concept} is {concept.description}")
        form_code = forms.get(entry.form.lower())
        if form_code is None:
            sys.exit(f"{entry.name}: the vocabulary has no dose form {entry.form!r}")
        strength, unit = ("", "") if entry.pack else strength_of(concept)
        drugs.append({"drugId": drug_id, "drugName": entry.name, "formCode": form_code,
                      "routeCode": ROUTE_CODES[entry.route.lower()], "strength": strength,
                      "strengthUnit": unit})
        packages = [p for p in concept.packages if p not in used_packages][:2]
        if not packages:
            sys.exit(f"{entry.name}: no package NDC of concept {entry.concept} left")
        used_packages.update(packages)
        if entry.has_ndc:
            ndcs += [{"drugId": drug_id, "ndc": package} for package in packages]
        links = [link(entry.concept)] if entry.links is None else entry.links
        candidates = []
        for rxcui, written in links:
            linked = concepts.get(rxcui)
            if linked is None:
                sys.exit(f"{entry.name}: linked concept {rxcui} is not in the data")
            if written is not None and written.upper() != linked.term_type:
                sys.exit(f"{entry.name}: {rxcui} is a {linked.term_type}, not {written}")
            term_type = written or linked.term_type
            rxnorm.append({"sourceKind": 4, "sourceId": str(drug_id), "rxNormId": rxcui,
                           "termType": term_type})
            candidates.append((rxcui, term_type))
        # What the practice plan and the check need to know of the drug besides its record.
        facts = dict(drugs[-1], ndcs=entry.has_ndc, candidates=candidates,
                     codes=[ndc11(p) for p in packages], entry=entry)
        drugs[-1] = (drugs[-1], facts)
    return drugs, ndcs, rxnorm


def typed_form(rng, text, forms):
    """Another way prescribers type the same dose form, now and then."""
    code = forms[text.lower()]
    spellings = [t for t in (text, text.lower(), text.upper(), "Tab", "Tablets", "Caps",
                             "Capsules") if forms.get(t.lower()) == code]
    return text if rng.random() < 0.7 else rng.choice(spellings)


def typed_strength(rng, value, unit):
    if not value:
        return ""
    shown = value
    if "." not in value and len(value) > 3:
        shown = f"{int(value):,}"
    spelled = {"MG": ["mg"] * 7 + ["MG"] * 2 + ["milligrams"], "MCG": ["mcg", "MCG"],
               "MG/ML": ["mg/mL", "mg/mL", "MG/ML"]}[unit]
    word = rng.choice(spelled)
    return f"{shown}{'' if rng.random() < 0.1 and word == 'mg' else ' '}{word}"


def typed_route(rng, route):
    return rng.choice([route] * 7 + [route.lower()] * 2 + [route.upper()])


def medication_of(rng, facts, forms, rxnorm_id):
    entry = facts["entry"]
    return {"drugName": entry.name,
            "strength": typed_strength(rng, facts["strength"], facts["strengthUnit"]),
            "doseForm": typed_form(rng, entry.form, forms),
            "route": typed_route(rng, entry.route),
            "drugCode": rng.choice(facts["codes"]),
            "rxNormId": rxnorm_id}


def term_type_of(rxcui, concepts):
    if not rxcui:
        return ""
    return {"SBD": "SBD", "BPCK": "SBD", "SCD": "SCD", "GPCK": "SCD"}[concepts[rxcui].term_type]


def other_ids_for(facts, concepts):
    """Real RxNorm IDs that are wrong for this drug: the same ingredient in
    another strength or form, as a prescriber picks it from a list."""
    own = {rxcui for rxcui, _ in facts["candidates"]}
    name = facts["entry"].name.split()[0].lower()
    return sorted(c.rxcui for c in concepts.values()
                  if c.rxcui not in own and c.term_type in ("SCD", "SBD")
                  and c.description.lower().startswith(name))


def plan_medications(rng, drugs, concepts, forms):
    """Medications in the situations the practice must show, several of each."""
    facts = [f for _, f in drugs]
    by_note = collections.defaultdict(list)
    for f in facts:
        by_note[f["entry"].note].append(f)
    single = [f for f in facts if len(f["candidates"]) == 1 and f["ndcs"]]
    several = [f for f in facts if len(f["candidates"]) > 1]
    plans = []

    def add(f, rxnorm_id, **changes):
        medication = medication_of(rng, f, forms, rxnorm_id)
        medication.update(changes)
        plans.append(medication)

    # Most medications are right: one candidate and its ID, or the ID the choice keeps.
    for _ in range(120):
        f = rng.choice(single)
        add(f, f["candidates"][0][0])
    for f in several:
        rule, chosen = choose(f["candidates"])
        for _ in range(3 if chosen else 1):
            add(f, chosen)
    # One candidate, another ID stored, or none.
    mistaken = [f for f in single if other_ids_for(f, concepts)]
    for _ in range(16):
        f = rng.choice(mistaken)
        add(f, rng.choice(other_ids_for(f, concepts)))
    for _ in range(12):
        add(rng.choice(single), "")
    # Several candidates: stored IDs the choice changes or removes, and none stored.
    for f in several:
        rule, chosen = choose(f["candidates"])
        others = [rxcui for rxcui, _ in f["candidates"] if rxcui != chosen]
        for rxcui in others[:2]:
            add(f, rxcui)
        add(f, "")
    # Drugs without NDC or candidates, with and without an ID.
    for note in ("no NDC record", "no RxNorm link"):
        for f in by_note[note]:
            add(f, f["entry"].concept)
            add(f, "")
    # Texts the lookups cannot describe.
    for _ in range(14):
        f = rng.choice(single)
        rxnorm_id = f["candidates"][0][0] if rng.random() < 0.6 else ""
        spoil = rng.choice([{"route": "PO"}, {"route": "by mouth"}, {"route": ""},
                            {"doseForm": "Pill"}])
        add(f, rxnorm_id, **spoil)
    # Drugs the dictionary does not have as typed.
    for _ in range(14):
        f = rng.choice(single)
        rxnorm_id = f["candidates"][0][0] if rng.random() < 0.6 else ""
        name = f["entry"].name
        spoil = rng.choice([
            {"drugName": name.lower()},
            {"drugName": name + "e" if not name.endswith("e") else name[:-1]},
            {"strength": "15 mg"},
            {"doseForm": "Capsule" if f["entry"].form == "Tablet" else "Tablet"},
        ])
        add(f, rxnorm_id, **spoil)
    # Levothyroxine written in micrograms is not the dictionary's 0.05 MG.
    levothyroxine = next(f for f in facts if f["entry"].name == "Levothyroxine Sodium")
    add(levothyroxine, levothyroxine["candidates"][0][0], strength="50 mcg")
    # Supplements typed without any code.
    for name, strength, form in FREE_TEXT + rng.sample(FREE_TEXT, 4):
        plans.append({"drugName": name, "strength": strength, "doseForm": form,
                      "route": "Oral", "drugCode": "", "rxNormId": ""})

    for medication in plans:
        medication["termType"] = term_type_of(medication["rxNormId"], concepts)
    return plans


def build(concepts, forms, units):
    rng = random.Random(SEED)
    drugs, ndcs, rxnorm = build_dictionary(concepts, forms)
    keys = collections.Counter(
        (d["drugName"], d["formCode"], d["routeCode"], d["strength"], d["strengthUnit"])
        for d, _ in drugs)
    if max(keys.values()) > 1:
        sys.exit("two drugs of the dictionary share name, form, route and strength")

    patients = []
    for number, surname in enumerate(SURNAMES[:36], start=1):
        patients.append({"patientId": 5000 + number,
                         "patientRef": f"{surname[:6].upper()}{number * 37 % 1000:04d}"})
    plans = plan_medications(rng, drugs, concepts, forms)
    rng.shuffle(plans)
    medications = []
    for number, plan in enumerate(plans, start=1):
        patient = patients[rng.randrange(len(patients))]
        medications.append(dict({"entryId": 10000 + number, "patientId": patient["patientId"]},
                                **plan))
    # A medication left behind by a patient record that was removed.
    medications[len(medications) // 2]["patientId"] = 4999

    dictionary = {(d["drugName"], d["formCode"], d["routeCode"], d["strength"],
                   d["strengthUnit"]): f for d, f in drugs}
    situations = collections.Counter()
    affected = 0
    for medication in medications:
        situation, new = decide(medication, dictionary, forms, units)
        situations[situation] += 1
        affected += new is not None
    missing = [s for s in SITUATIONS if situations[s] == 0]
    if missing:
        sys.exit("the practice shows no medication in: " + "; ".join(missing))
    if len({m["patientId"] for m in medications}) < 30:
        sys.exit("fewer than 30 patients have medications")

    fixture = {
        "drugs": [d for d, _ in drugs],
        "ndcs": ndcs,
        "rxnorm": rxnorm,
        "patients": patients,
        "medications": medications,
    }
    return fixture, situations, affected


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", default=DEFAULT_DATA, type=Path)
    parser.add_argument("--vocabulary", default=DEFAULT_VOCABULARY, type=Path)
    parser.add_argument("--output", default=DEFAULT_OUTPUT, type=Path)
    arguments = parser.parse_args()
    if not arguments.data.is_file():
        sys.exit(f"{arguments.data}: not found; give the openFDA extract with --data")

    concepts = read_concepts(arguments.data)
    forms, units = read_vocabulary(arguments.vocabulary)
    fixture, situations, affected = build(concepts, forms, units)

    arguments.output.parent.mkdir(parents=True, exist_ok=True)
    with open(arguments.output, "w", encoding="utf-8", newline="\n") as file:
        file.write("{\n")
        members = list(fixture.items())
        for index, (name, records) in enumerate(members):
            file.write(f'  "{name}": [\n')
            file.write(",\n".join("    " + json.dumps(r, ensure_ascii=False) for r in records))
            file.write("\n  ]" + ("," if index + 1 < len(members) else "") + "\n")
        file.write("}\n")

    medications = len(fixture["medications"])
    print(f"{arguments.output}: {len(fixture['drugs'])} drugs, {len(fixture['ndcs'])} NDCs, "
          f"{len(fixture['rxnorm'])} RxNorm links, {len(fixture['patients'])} patients, "
          f"{medications} medications; a report finds {affected}/{medications}")
    for situation in SITUATIONS:
        print(f"  {situations[situation]:4d}  {situation}")


if __name__ == "__main__":
    main()
