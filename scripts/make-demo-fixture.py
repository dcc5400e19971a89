#!/usr/bin/env python3
"""Writes samples/demo.json, the demo practice: a small family practice whose
drug dictionary holds real drugs and whose patients' medications are typed the
way prescribers type them.

Every drug fact -- name, strength, dose form, RxNorm concept ID and term type,
package NDC -- is read from the public openFDA NDC/RxNorm extract
(openfda_ndc_rxnorm_flat.tsv, CC0). That file is not part of this repository:
a developer who changes the practice runs this script with the file at hand
and commits the fixture it writes.

    scripts/make-demo-fixture.py [--data FILE] [--build DIR] [--output FILE]
    scripts/make-demo-fixture.py --check FIXTURE [--build DIR]

The script decides no medication itself: it asks the built programs (hostkit
and dosewright-cli in DIR/bin, by default build/bin; build them first with
`cmake --build build --target hostkit dosewright-cli`). In a scratch folder it
builds practices with hostkit, runs `dosewright-cli report` on them and reads
Dosewright.csv, whose second column names the drug a medication was found as
(or -1, no such drug; -2, the texts cannot be described) and whose third
column holds the ID the scan gives it:

- which form code of the drug-knowledge vocabulary each drug's dose form is
  filed under, and which other spellings of its dose form, route and strength
  still find it: a dictionary that files every drug under every form code,
  and medications typed each way;
- what every medication of the finished practice comes to: a report on the
  practice itself, and one on a copy whose every medication carries an ID no
  drug has, so that every medication the scan can describe and find is
  reported with the drug it was found as.

The practice is built so that one report touches every situation a medication
can be in: no ID and no code, a text that cannot be described, a drug that is
not in the dictionary, a drug without NDC or without RxNorm candidates, one
candidate (same, other or no ID) and several candidates under each rule of the
term-type choice. Each drug with several candidates names the rule its
candidates fall under and whether that rule keeps its own concept or no ID;
the report must agree. The script refuses to write a practice that misses a
situation or in which the report disagrees with what the practice means to show.
With --check it writes nothing and makes the same check on a written practice
(the test suite runs it on samples/demo.json), so a change to the scan that
costs the demo a situation does not go unnoticed.
"""

import argparse
import collections
import csv
import json
import random
import re
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_DATA = ROOT.parent / "shared" / "data" / "openfda_ndc_rxnorm_flat.tsv"
DEFAULT_VOCABULARY = ROOT / "host" / "kelvar" / "DefaultVocabulary.tsv"
DEFAULT_BUILD = ROOT / "build"
DEFAULT_OUTPUT = ROOT / "samples" / "demo.json"

SEED = 20191031

# The route codes the dictionary files the demo's drugs under, by the route the
# drug is typed with. Whether the typed route finds them is the report's answer.
DICTIONARY_ROUTES = {"Oral": "OR", "Ophthalmic": "OP"}

# An RxNorm ID and a drug code no drug of any practice has.
ABSENT_ID = "0"
ABSENT_CODE = "0"
# The one candidate of a scratch drug that has none of its own.
STAND_IN_CANDIDATE = {"rxNormId": "1", "termType": "SCD"}


# --- The practice's drug dictionary --------------------------------------------------------

@dataclass
class Drug:
    """One drug of the dictionary. `concept` is the RxNorm concept whose
    description gives the drug's strength (none for a pack); `links` are the
    drug's RxNorm candidates, each a concept ID, optionally with the term type
    written as an old import wrote it (any other letter case than RxNorm's is
    not a term type the choice knows). A drug with several candidates names
    the `rule` of the term-type choice they fall under, and whether that rule
    keeps the drug's own concept (`keeps_id`) or leaves no ID."""
    name: str
    concept: str
    form: str                 # the dose form as prescribers type it
    route: str = "Oral"
    links: list = None        # None: linked to `concept` alone
    has_ndc: bool = True
    pack: bool = False        # a pack: filed without strength
    note: str = ""
    rule: int = 0
    keeps_id: bool = True


def link(concept, written=None):
    return (concept, written)


def branded(name, sbd, scd, form, **more):
    """A branded drug linked to its branded drug (SBD) and the clinical drug
    (SCD): the branded one is kept."""
    return Drug(name, sbd, form, links=[link(sbd), link(scd)], rule=2, **more)


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
    branded("Remeron", "211322", "311725", "Tablet"),
    branded("Prandin", "213219", "200256", "Tablet"),
    branded("Abilify", "352307", "349545", "Tablet"),
    branded("Namenda", "996563", "996561", "Tablet"),
    branded("Viagra", "213271", "314229", "Tablet"),
    branded("Casodex", "108828", "199123", "Tablet"),
    branded("Nuvigil", "805659", "724859", "Tablet"),
    branded("Sustiva", "352143", "349477", "Tablet"),
    branded("Mapap", "209890", "198439", "Capsule"),
    branded("Rifadin", "201867", "198201", "Capsule"),
    branded("Baraclude", "578457", "485434", "Tablet"),
    branded("Orfadin", "1790317", "1790310", "Oral Suspension"),
    branded("Pred Forte", "1548724", "1376336", "Eye Drops", route="Ophthalmic"),
    # Linked as their labels are: every strength of the label.
    Drug("Amnesteem", "404058", "Capsule",
         links=[link("404058"), link("404061"), link("404064"), link("197843")],
         note="three branded drugs and a clinical drug: no ID", rule=2, keeps_id=False),
    Drug("Simvastatin", "198211", "Tablet",
         links=[link("198211"), link("312961"), link("314231")],
         note="three clinical drugs: no ID", rule=8, keeps_id=False),
    Drug("Entecavir", "485436", "Tablet", links=[link("485434"), link("485436")],
         note="two clinical drugs: no ID", rule=8, keeps_id=False),
    # Linked to a tablet and to a pack of it.
    Drug("Lamotrigine", "198430", "Orally Disintegrating Tablet",
         links=[link("198430"), link("851748")], note="clinical drug and generic pack: no ID",
         rule=1, keeps_id=False),
    # Packs.
    Drug("Ortho-Novum 7/7/7", "749853", "Tablet", pack=True,
         links=[link("749853"), link("749852")], note="branded and generic pack", rule=3),
    Drug("Tarina Fe 1/20", "1550536", "Tablet", pack=True,
         links=[link("1550536"), link("1358763")], note="branded and generic pack", rule=3),
    Drug("Natazia", "978950", "Tablet", pack=True,
         links=[link("978950"), link("978941"), link("978944"), link("978946"),
                link("978948"), link("748797")],
         note="branded pack and the clinical drugs in it", rule=5),
    # Rows of an old import that wrote the term type in its own letter case.
    Drug("Imitrex", "209169", "Tablet", links=[link("209169"), link("313161", "scd")],
         note="branded drug; the clinical drug's row is not read as one", rule=4),
    Drug("Lamotrigine", "252478", "Orally Disintegrating Tablet",
         links=[link("252478"), link("851752", "Gpck")],
         note="clinical drug; the pack's row is not read as one", rule=6),
    Drug("Lamotrigine ODT Titration Kit", "851750", "Kit", pack=True,
         links=[link("851750"), link("103968", "Scd")],
         note="generic pack; the tablet's row is not read as one", rule=7),
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


def read_form_codes(path):
    """Every form code the vocabulary gives, once each, in its order."""
    codes = {}
    for line in Path(path).read_text(encoding="latin-1").splitlines():
        if line and not line.startswith("#"):
            kind, _, code = line.split("\t")
            if kind == "form":
                codes[code] = None
    return list(codes)


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


def read_dictionary(concepts):
    """The drugs of DRUGS with their facts from the data: strength, package NDCs
    (`codes`; filed as NDC records when `ndcs`) and RxNorm candidates."""
    drugs, used_packages = [], set()
    for number, entry in enumerate(DRUGS, start=1):
        concept = concepts.get(entry.concept)
        if concept is None:
            sys.exit(f"{entry.name}: concept {entry.concept} is not in the data")
        if entry.name.split()[0].lower() not in concept.description.lower():
            sys.exit(f"{entry.name}: concept {entry.concept} is {concept.description}")
        if entry.route not in DICTIONARY_ROUTES:
            sys.exit(f"{entry.name}: no route code of the dictionary for {entry.route!r}")
        strength, unit = ("", "") if entry.pack else strength_of(concept)
        packages = [p for p in concept.packages if p not in used_packages][:2]
        if not packages:
            sys.exit(f"{entry.name}: no package NDC of concept {entry.concept} left")
        used_packages.update(packages)
        links = [link(entry.concept)] if entry.links is None else entry.links
        candidates = []
        for rxcui, written in links:
            linked = concepts.get(rxcui)
            if linked is None:
                sys.exit(f"{entry.name}: linked concept {rxcui} is not in the data")
            if written is not None and written.upper() != linked.term_type:
                sys.exit(f"{entry.name}: {rxcui} is a {linked.term_type}, not {written}")
            candidates.append((rxcui, written or linked.term_type))
        if len(candidates) > 1 and not entry.rule:
            sys.exit(f"{entry.name}: several candidates, but no rule of the term-type choice")
        drugs.append({"drugId": 100 + number, "entry": entry, "strength": strength,
                      "strengthUnit": unit, "routeCode": DICTIONARY_ROUTES[entry.route],
                      "packages": packages, "ndcs": entry.has_ndc, "candidates": candidates,
                      "codes": [ndc11(p) for p in packages]})
    return drugs


def kept_id(drug):
    """The ID a drug with several candidates gives its medications, as it names it."""
    return drug["entry"].concept if drug["entry"].keeps_id else ""


# --- Asking the built programs -------------------------------------------------------------

Line = collections.namedtuple("Line", "code new old")


class Engine:
    """The built hostkit and dosewright-cli. Each practice is built in a
    scratch folder and reported on; the CSV report's lines are read by entry."""

    def __init__(self, build, scratch):
        self.hostkit = build / "bin" / "hostkit"
        self.cli = build / "bin" / "dosewright-cli"
        for program in (self.hostkit, self.cli):
            if not program.is_file():
                sys.exit(f"{program}: not found; build it first "
                         f"(cmake --build {build} --target hostkit dosewright-cli)")
        self.scratch = scratch

    def report(self, name, fixture):
        """The report's CSV lines by entry, and the summary it prints."""
        source = self.scratch / f"{name}.json"
        folder = self.scratch / name
        source.write_text(json.dumps(fixture), encoding="utf-8")
        self.run(name, [self.hostkit, "build", source, folder])
        printed = self.run(name, [self.cli, "-C", folder, "report"])
        lines = {}
        for text in (folder / "Dosewright.csv").read_bytes().decode("latin-1").splitlines():
            entry, code, new, old, _ = text.split(",", 4)
            if int(entry) in lines:
                sys.exit(f"{name} practice: entry {entry} is reported twice")
            lines[int(entry)] = Line(int(code), new, old)
        return lines, printed.splitlines()[0]

    @staticmethod
    def run(name, command):
        command = [str(part) for part in command]
        result = subprocess.run(command, capture_output=True, text=True, check=False)
        if result.returncode != 0:
            sys.exit(f"{name} practice: {' '.join(command)} ended with status "
                     f"{result.returncode}:\n{result.stderr}{result.stdout}")
        return result.stdout


# --- How prescribers type a drug -----------------------------------------------------------

UNIT_WORDS = {"MG": ["mg"] * 7 + ["MG"] * 2 + ["milligrams"], "MCG": ["mcg", "MCG"],
              "MG/ML": ["mg/mL", "mg/mL", "MG/ML"]}


def form_spellings(text):
    return [text, text.lower(), text.upper(), "Tab", "Tablets", "Caps", "Capsules"]


def route_spellings(route):
    return [route] * 7 + [route.lower()] * 2 + [route.upper()]


def strength_spelling(value, word, joined):
    shown = value
    if "." not in value and len(value) > 3:
        shown = f"{int(value):,}"
    return f"{shown}{'' if joined else ' '}{word}"


def strength_spellings(value, unit):
    if not value:
        return [""]
    return [strength_spelling(value, word, joined) for word in UNIT_WORDS[unit]
            for joined in ((False, True) if word == "mg" else (False,))]


def typed_as_filed(drug):
    """The drug typed with its own name, dose form, route and strength."""
    return {"drugName": drug["entry"].name,
            "strength": strength_spelling(drug["strength"], drug["strengthUnit"], False)
            if drug["strength"] else "",
            "doseForm": drug["entry"].form, "route": drug["entry"].route}


def learn_filings(engine, drugs, form_codes):
    """Gives every drug the form code its typed dose form is filed under and the
    spellings of its dose form, route and strength that find that filing. Drugs
    that would share a filing are asked about in separate rounds."""
    rounds = collections.defaultdict(list)
    seen = collections.Counter()
    for drug in drugs:
        filing = (drug["entry"].name, drug["routeCode"], drug["strength"], drug["strengthUnit"])
        rounds[seen[filing]].append(drug)
        seen[filing] += 1
    for number, members in sorted(rounds.items()):
        probe_filings(engine, f"filings-{number}", members, form_codes)


def probe_filings(engine, name, drugs, form_codes):
    """One round of learn_filings: every drug filed under every form code, each
    filing with an NDC record and one candidate, and the drug typed as filed and
    in every other spelling, each medication with an ID no drug has, so that the
    report names the filing each spelling finds."""
    fixture = {"drugs": [], "ndcs": [], "rxnorm": [],
               "patients": [{"patientId": 1, "patientRef": "PROBE"}], "medications": []}
    filings = {}  # scratch drug ID -> (drug, form code)
    for n, drug in enumerate(drugs):
        for m, code in enumerate(form_codes):
            drug_id = 1 + n * len(form_codes) + m
            filings[drug_id] = (drug, code)
            fixture["drugs"].append(
                {"drugId": drug_id, "drugName": drug["entry"].name, "formCode": code,
                 "routeCode": drug["routeCode"], "strength": drug["strength"],
                 "strengthUnit": drug["strengthUnit"]})
            fixture["ndcs"].append({"drugId": drug_id})
            fixture["rxnorm"].append(dict(sourceKind=4, sourceId=str(drug_id),
                                          **STAND_IN_CANDIDATE))
    typed = []  # (drug, field varied or None, texts)
    for drug in drugs:
        filed = typed_as_filed(drug)
        typed.append((drug, None, filed))
        for field, spellings in (
                ("doseForm", form_spellings(drug["entry"].form)),
                ("route", route_spellings(drug["entry"].route)),
                ("strength", strength_spellings(drug["strength"], drug["strengthUnit"]))):
            for text in dict.fromkeys(spellings):
                if text != filed[field]:
                    typed.append((drug, field, dict(filed, **{field: text})))
    for entry_id, (_, _, texts) in enumerate(typed, start=1):
        fixture["medications"].append(
            dict({"entryId": entry_id, "patientId": 1}, **texts, drugCode=ABSENT_CODE,
                 rxNormId=ABSENT_ID, termType=""))

    lines, _ = engine.report(name, fixture)
    found_as = {}
    for entry_id, (drug, field, texts) in enumerate(typed, start=1):
        line = lines.get(entry_id)
        found = line.code if line is not None else None
        if field is None:
            if found not in filings or filings[found][0] is not drug:
                sys.exit(f"{drug['entry'].name}: typed as {texts}, the report finds it under "
                         f"no form code (resolution {found})")
            drug["formCode"] = filings[found][1]
            drug["spellings"] = {key: {texts[key]} for key in ("doseForm", "route", "strength")}
            found_as[drug["drugId"]] = found
        elif found == found_as[drug["drugId"]]:
            drug["spellings"][field].add(texts[field])


# --- The practice ---------------------------------------------------------------------------

def typed_form(rng, drug):
    """Another way prescribers type the same dose form, now and then."""
    text = drug["entry"].form
    spellings = [t for t in form_spellings(text) if t in drug["spellings"]["doseForm"]]
    return text if rng.random() < 0.7 else rng.choice(spellings)


def typed_strength(rng, drug):
    value = drug["strength"]
    if not value:
        return ""
    word = rng.choice(UNIT_WORDS[drug["strengthUnit"]])
    typed = strength_spelling(value, word, rng.random() < 0.1 and word == "mg")
    return typed if typed in drug["spellings"]["strength"] else typed_as_filed(drug)["strength"]


def typed_route(rng, drug):
    typed = rng.choice(route_spellings(drug["entry"].route))
    return typed if typed in drug["spellings"]["route"] else drug["entry"].route


def medication_of(rng, drug, rxnorm_id):
    return {"drugName": drug["entry"].name,
            "strength": typed_strength(rng, drug),
            "doseForm": typed_form(rng, drug),
            "route": typed_route(rng, drug),
            "drugCode": rng.choice(drug["codes"]),
            "rxNormId": rxnorm_id}


def term_type_of(rxcui, concepts):
    """The term type a prescription files with an RxNorm ID."""
    if not rxcui:
        return ""
    return {"SBD": "SBD", "BPCK": "SBD", "SCD": "SCD", "GPCK": "SCD"}[concepts[rxcui].term_type]


def other_ids_for(drug, concepts):
    """Real RxNorm IDs that are wrong for this drug: the same ingredient in
    another strength or form, as a prescriber picks it from a list."""
    own = {rxcui for rxcui, _ in drug["candidates"]}
    name = drug["entry"].name.split()[0].lower()
    return sorted(c.rxcui for c in concepts.values()
                  if c.rxcui not in own and c.term_type in ("SCD", "SBD")
                  and c.description.lower().startswith(name))


def plan_medications(rng, drugs, concepts):
    """Medications in the situations the practice must show, several of each."""
    by_note = collections.defaultdict(list)
    for drug in drugs:
        by_note[drug["entry"].note].append(drug)
    single = [d for d in drugs if len(d["candidates"]) == 1 and d["ndcs"]]
    several = [d for d in drugs if len(d["candidates"]) > 1]
    plans = []

    def add(drug, rxnorm_id, **changes):
        medication = medication_of(rng, drug, rxnorm_id)
        medication.update(changes)
        plans.append(medication)

    # Most medications are right: one candidate and its ID, or the ID the choice keeps.
    for _ in range(120):
        drug = rng.choice(single)
        add(drug, drug["candidates"][0][0])
    for drug in several:
        for _ in range(3 if kept_id(drug) else 1):
            add(drug, kept_id(drug))
    # One candidate, another ID stored, or none.
    mistaken = [d for d in single if other_ids_for(d, concepts)]
    for _ in range(16):
        drug = rng.choice(mistaken)
        add(drug, rng.choice(other_ids_for(drug, concepts)))
    for _ in range(12):
        add(rng.choice(single), "")
    # Several candidates: stored IDs the choice changes or removes, and none stored.
    for drug in several:
        others = [rxcui for rxcui, _ in drug["candidates"] if rxcui != kept_id(drug)]
        for rxcui in others[:2]:
            add(drug, rxcui)
        add(drug, "")
    # Drugs without NDC or candidates, with and without an ID.
    for note in ("no NDC record", "no RxNorm link"):
        for drug in by_note[note]:
            add(drug, drug["entry"].concept)
            add(drug, "")
    # Texts the lookups cannot describe.
    for _ in range(14):
        drug = rng.choice(single)
        rxnorm_id = drug["candidates"][0][0] if rng.random() < 0.6 else ""
        spoil = rng.choice([{"route": "PO"}, {"route": "by mouth"}, {"route": ""},
                            {"doseForm": "Pill"}])
        add(drug, rxnorm_id, **spoil)
    # Drugs the dictionary does not have as typed.
    for _ in range(14):
        drug = rng.choice(single)
        rxnorm_id = drug["candidates"][0][0] if rng.random() < 0.6 else ""
        name = drug["entry"].name
        spoil = rng.choice([
            {"drugName": name.lower()},
            {"drugName": name + "e" if not name.endswith("e") else name[:-1]},
            {"strength": "15 mg"},
            {"doseForm": "Capsule" if drug["entry"].form == "Tablet" else "Tablet"},
        ])
        add(drug, rxnorm_id, **spoil)
    # Levothyroxine written in micrograms is not the dictionary's 0.05 MG.
    levothyroxine = next(d for d in drugs if d["entry"].name == "Levothyroxine Sodium")
    add(levothyroxine, levothyroxine["candidates"][0][0], strength="50 mcg")
    # Supplements typed without any code.
    for name, strength, form in FREE_TEXT + rng.sample(FREE_TEXT, 4):
        plans.append({"drugName": name, "strength": strength, "doseForm": form,
                      "route": "Oral", "drugCode": "", "rxNormId": ""})

    for medication in plans:
        medication["termType"] = term_type_of(medication["rxNormId"], concepts)
    return plans


# --- What the report makes of the practice --------------------------------------------------

SITUATIONS = [
    "no ID and no code", "not describable, no ID", "not describable, with ID",
    "no such drug, no ID", "no such drug, with ID", "drug without NDC",
    "drug without candidates", "one candidate, same ID", "one candidate, other ID",
    "one candidate, no ID",
] + [f"several candidates, rule {rule}" for rule in range(1, 9)]


def with_every_drug_reported(fixture, drugs):
    """The practice with an ID no drug has on every medication (and a code on
    those without), every drug given an NDC and, lacking one, a candidate: the
    report then names, for every medication, the drug it finds or why it finds
    none, and the ID the choice gives that drug."""
    copy = dict(fixture)
    copy["medications"] = [dict(m, rxNormId=ABSENT_ID, drugCode=m["drugCode"] or ABSENT_CODE)
                           for m in fixture["medications"]]
    copy["ndcs"] = fixture["ndcs"] + [{"drugId": d["drugId"]} for d in drugs if not d["ndcs"]]
    copy["rxnorm"] = fixture["rxnorm"] + [
        dict(sourceKind=4, sourceId=str(d["drugId"]), **STAND_IN_CANDIDATE)
        for d in drugs if not d["candidates"]]
    return copy


def situation_of(medication, line, found, drugs_by_id):
    """The situation of one medication, from its report line (None: not
    reported) and its line in the report on the copy with every drug reported."""
    old = medication["rxNormId"]
    name = f"entry {medication['entryId']} ({medication['drugName']})"
    if not old and not medication["drugCode"]:
        situation, new = "no ID and no code", old
    elif found is None:
        sys.exit(f"{name}: not reported even with an ID no drug has")
    elif found.code in (-2, -1):
        kind = "not describable" if found.code == -2 else "no such drug"
        situation, new = f"{kind}, {'with ID' if old else 'no ID'}", ""
    elif found.code in drugs_by_id:
        drug = drugs_by_id[found.code]
        candidates = drug["candidates"]
        new = found.new
        if not drug["ndcs"]:
            situation, new = "drug without NDC", old
        elif not candidates:
            situation, new = "drug without candidates", old
        elif len(candidates) == 1:
            if found.new != candidates[0][0]:
                sys.exit(f"{name}: the report gives {found.new!r}, not its one candidate")
            situation = ("one candidate, same ID" if old == new
                         else "one candidate, other ID" if old else "one candidate, no ID")
        else:
            rule = drug["entry"].rule
            if found.new != kept_id(drug):
                sys.exit(f"{name}: the report gives {found.new or 'no ID'}; rule {rule} of the "
                         f"term-type choice was to give {kept_id(drug) or 'no ID'}")
            situation = f"several candidates, rule {rule}"
    else:
        sys.exit(f"{name}: the report finds drug {found.code}, which the practice does not have")

    expected = None if new == old else Line(found.code, new, old)
    if line != expected:
        sys.exit(f"{name}, {situation}: the report's line is {line}, not {expected}")
    return situation


def settle(engine, fixture, drugs):
    """The situations of the practice's medications, how many the report
    finds, and the summary it prints."""
    lines, summary = engine.report("practice", fixture)
    found, _ = engine.report("found", with_every_drug_reported(fixture, drugs))
    drugs_by_id = {d["drugId"]: d for d in drugs}
    situations = collections.Counter()
    for medication in fixture["medications"]:
        entry_id = medication["entryId"]
        situations[situation_of(medication, lines.get(entry_id), found.get(entry_id),
                                drugs_by_id)] += 1
    return situations, len(lines), summary


def read_practice(fixture):
    """The drugs of a written practice with what their situations depend on:
    the entry of DRUGS each one is, whether it has an NDC record, its candidates."""
    with_ndc = {n["drugId"] for n in fixture["ndcs"]}
    candidates = collections.defaultdict(list)
    for row in fixture["rxnorm"]:
        candidates[row["sourceId"]].append((row["rxNormId"], row["termType"]))
    drugs = []
    for record in fixture["drugs"]:
        drug_id = record["drugId"]
        number = drug_id - 100
        if not 1 <= number <= len(DRUGS) or DRUGS[number - 1].name != record["drugName"]:
            sys.exit(f"drug {drug_id} ({record['drugName']}) is none of this script's drugs")
        drugs.append({"drugId": drug_id, "entry": DRUGS[number - 1], "ndcs": drug_id in with_ndc,
                      "candidates": candidates[str(drug_id)]})
    return drugs


def require_every_situation(situations, medications):
    missing = [s for s in SITUATIONS if situations[s] == 0]
    if missing:
        sys.exit("the practice shows no medication in: " + "; ".join(missing))
    if len({m["patientId"] for m in medications}) < 30:
        sys.exit("fewer than 30 patients have medications")


def build(concepts, form_codes, engine):
    rng = random.Random(SEED)
    drugs = read_dictionary(concepts)
    learn_filings(engine, drugs, form_codes)
    records = [{"drugId": d["drugId"], "drugName": d["entry"].name, "formCode": d["formCode"],
                "routeCode": d["routeCode"], "strength": d["strength"],
                "strengthUnit": d["strengthUnit"]} for d in drugs]
    keys = collections.Counter(
        (d["drugName"], d["formCode"], d["routeCode"], d["strength"], d["strengthUnit"])
        for d in records)
    if max(keys.values()) > 1:
        sys.exit("two drugs of the dictionary share name, form, route and strength")

    patients = []
    for number, surname in enumerate(SURNAMES[:36], start=1):
        patients.append({"patientId": 5000 + number,
                         "patientRef": f"{surname[:6].upper()}{number * 37 % 1000:04d}"})
    plans = plan_medications(rng, drugs, concepts)
    rng.shuffle(plans)
    medications = []
    for number, plan in enumerate(plans, start=1):
        patient = patients[rng.randrange(len(patients))]
        medications.append(dict({"entryId": 10000 + number, "patientId": patient["patientId"]},
                                **plan))
    # A medication left behind by a patient record that was removed.
    medications[len(medications) // 2]["patientId"] = 4999

    fixture = {
        "drugs": records,
        "ndcs": [{"drugId": d["drugId"], "ndc": p} for d in drugs if d["ndcs"]
                 for p in d["packages"]],
        "rxnorm": [{"sourceKind": 4, "sourceId": str(d["drugId"]), "rxNormId": rxcui,
                    "termType": term_type} for d in drugs for rxcui, term_type in d["candidates"]],
        "patients": patients,
        "medications": medications,
    }
    situations, affected, summary = settle(engine, fixture, drugs)
    require_every_situation(situations, medications)
    return fixture, situations, affected, summary


def write_fixture(fixture, path):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as file:
        file.write("{\n")
        members = list(fixture.items())
        for index, (name, records) in enumerate(members):
            file.write(f'  "{name}": [\n')
            file.write(",\n".join("    " + json.dumps(r, ensure_ascii=False) for r in records))
            file.write("\n  ]" + ("," if index + 1 < len(members) else "") + "\n")
        file.write("}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", default=DEFAULT_DATA, type=Path)
    parser.add_argument("--vocabulary", default=DEFAULT_VOCABULARY, type=Path,
                        help="the vocabulary hostkit writes into a host folder")
    parser.add_argument("--build", default=DEFAULT_BUILD, type=Path,
                        help="the build folder holding bin/hostkit and bin/dosewright-cli")
    parser.add_argument("--output", default=DEFAULT_OUTPUT, type=Path)
    parser.add_argument("--check", metavar="FIXTURE", type=Path,
                        help="write nothing; check that the built programs still find every "
                             "situation in this written practice (needs no --data)")
    arguments = parser.parse_args()
    if arguments.check is None and not arguments.data.is_file():
        sys.exit(f"{arguments.data}: not found; give the openFDA extract with --data")

    with tempfile.TemporaryDirectory(prefix="demo-practice-") as scratch:
        engine = Engine(arguments.build.resolve(), Path(scratch))
        if arguments.check is not None:
            fixture = json.loads(arguments.check.read_text(encoding="utf-8"))
            situations, affected, summary = settle(engine, fixture, read_practice(fixture))
            require_every_situation(situations, fixture["medications"])
            shown = arguments.check
        else:
            concepts = read_concepts(arguments.data)
            form_codes = read_form_codes(arguments.vocabulary)
            fixture, situations, affected, summary = build(concepts, form_codes, engine)
            write_fixture(fixture, arguments.output)
            shown = arguments.output

    medications = len(fixture["medications"])
    print(f"{shown}: {len(fixture['drugs'])} drugs, {len(fixture['ndcs'])} NDCs, "
          f"{len(fixture['rxnorm'])} RxNorm links, {len(fixture['patients'])} patients, "
          f"{medications} medications; a report finds {affected}/{medications}")
    print(f"  dosewright-cli report: {summary}")
    for situation in SITUATIONS:
        print(f"  {situations[situation]:4d}  {situation}")


if __name__ == "__main__":
    main()
