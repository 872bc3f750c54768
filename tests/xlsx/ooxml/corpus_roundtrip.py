#!/usr/bin/env python3
"""Round trip of every XML part of the corpus workbooks through the schema classes.

Usage: corpus_roundtrip.py TOOL CORPUS_DIR SCHEMA_DIR

Every part of every corpus/xlsx file whose root is one of the seven roots is read and
written back by TOOL (roundtrip_tool), which also checks that a second round trip
gives the same bytes. This script then checks, with its own reading of the input and
of the schemas (not with our code), that every element and attribute of the input
that the schemas model is in the output with the same value, and it validates with
xmllint the outputs whose inputs validate. It also validates the sample parts the
tool builds from scratch. Exit 77 (skipped) when the corpus is absent.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

XS = "{http://www.w3.org/2001/XMLSchema}"
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
DML = "http://schemas.openxmlformats.org/drawingml/2006/main"
XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
CT = "http://schemas.openxmlformats.org/package/2006/content-types"
PR = "http://schemas.openxmlformats.org/package/2006/relationships"

# Root element -> (namespace, the namespaces its schema models, schema file for xmllint).
ROOTS = {
    "Types": (CT, {CT}, "opc-contentTypes.xsd"),
    "Relationships": (PR, {PR}, "opc-relationships.xsd"),
    "workbook": (MAIN, {MAIN}, "sml-sheet.xsd"),
    "worksheet": (MAIN, {MAIN}, "sml-sheet.xsd"),
    "sst": (MAIN, {MAIN}, "sml-sheet.xsd"),
    "styleSheet": (MAIN, {MAIN}, "sml-sheet.xsd"),
    # xmllint keeps only the first import of a namespace, so it cannot compile the
    # drawing schemas, which import the DrawingML namespace from five files.
    "wsDr": (XDR, {XDR, DML}, None),
}


# Parts the schema classes refuse on purpose, with the code they refuse them with:
# values outside their type that the published rules say must fail.
EXPECTED_FAILURES = {
}


def schema_model(schema_dir):
    """Element name -> (attribute names, child element names) declared for it in
    the schemas, over every declaration of that name."""
    docs = {}
    for name in os.listdir(schema_dir):
        if name.endswith(".xsd"):
            docs[name] = ET.parse(os.path.join(schema_dir, name)).getroot()
    complex_types, groups, attribute_groups = {}, {}, {}
    for root in docs.values():
        for child in root:
            kinds = {XS + "complexType": complex_types, XS + "group": groups, XS + "attributeGroup": attribute_groups}
            if child.tag in kinds:
                kinds[child.tag][child.get("name")] = child

    def ref(node):
        return (node.get("name") or node.get("ref")).split(":")[-1]

    def attributes_of(node, seen):
        names = set()
        for a in node.iter():
            if a.tag == XS + "attribute":
                names.add(ref(a))
            elif a.tag == XS + "attributeGroup" and a.get("ref") and ref(a) not in seen:
                seen.add(ref(a))
                names |= attributes_of(attribute_groups[ref(a)], seen)
        return names

    def children_of(node, seen):
        names = set()
        for e in node:
            if e.tag == XS + "element":
                names.add(ref(e))
            elif e.tag == XS + "group" and e.get("ref"):
                if ref(e) not in seen:
                    seen.add(ref(e))
                    names |= children_of(groups[ref(e)], seen)
            elif e.tag in (XS + "sequence", XS + "choice", XS + "all"):
                names |= children_of(e, seen)
        return names

    model = {}
    for root in docs.values():
        for e in root.iter(XS + "element"):
            if not e.get("name"):
                continue
            attrs, children = model.setdefault(e.get("name"), (set(), set()))
            ct = complex_types.get((e.get("type") or "").split(":")[-1])
            if ct is None:
                continue
            for child in ct:
                if child.tag == XS + "attribute":
                    attrs.add(ref(child))
                elif child.tag in (XS + "attributeGroup", XS + "simpleContent"):
                    attrs |= attributes_of(child, set())
                elif child.tag in (XS + "sequence", XS + "choice", XS + "all", XS + "group"):
                    children |= children_of(ct, set())
    return model


def split(tag):
    if tag.startswith("{"):
        ns, local = tag[1:].split("}", 1)
        return ns, local
    return "", tag


def same_value(a, b):
    if a == b or a.split() == b.split():
        return True
    booleans = {"1": "true", "0": "false", "true": "true", "false": "false"}
    if a in booleans and b in booleans:
        return booleans[a] == booleans[b]
    try:
        x, y = float(a), float(b)
        return x == y or abs(x - y) <= 1e-13 * max(abs(x), abs(y))
    except ValueError:
        pass
    return a.lower() == b.lower() and all(c in "0123456789abcdefABCDEF" for c in a)


def keyed(root, namespaces, model):
    """(path -> element) for the elements the schemas model, with their position
    among same-named siblings, so that reordering of differently named siblings
    (written back in schema order) does not count as a difference."""
    out = {}

    def walk(element, path):
        counts = {}
        for child in element:
            ns, local = split(child.tag)
            parent = split(element.tag)[1]
            if ns not in namespaces or local not in model[parent][1]:
                continue  # unknown elements are passed over on reading, with their content
            index = counts.get(child.tag, 0)
            counts[child.tag] = index + 1
            key = path + ((child.tag, index),)
            out[key] = child
            walk(child, key)

    out[()] = root
    walk(root, ())
    return out


def compare(input_path, output_path, root_name, model, stats, problems):
    namespaces = ROOTS[root_name][1]
    source = keyed(ET.parse(input_path).getroot(), namespaces, model)
    result = keyed(ET.parse(output_path).getroot(), namespaces, model)
    for key, element in source.items():
        stats["elements"] += 1
        other = result.get(key)
        if other is None:
            problems.append("%s: element %s missing" % (input_path, "/".join(split(t)[1] for t, _ in key)))
            continue
        local = split(element.tag)[1]
        if (element.text or "").strip() and (element.text or "") != (other.text or "") and len(element) == 0:
            problems.append("%s: text of %s differs: %r / %r" % (input_path, local, element.text, other.text))
        for name, value in element.attrib.items():
            ns, attr = split(name)
            if ns not in ("", REL) or attr not in model[local][0]:
                continue
            if local == "c" and attr == "r" and not re.fullmatch(r"[A-Z]{1,3}[0-9]+", value):
                continue  # a reference naming no cell is rewritten from the cell's place
            written = other.attrib.get(name)
            if written is None and re.fullmatch(r"\d{3,}", value):
                continue  # an optional number beyond its type is left out
            stats["attributes"] += 1
            if written is None or not same_value(value, written):
                problems.append("%s: %s/@%s %r written as %r" % (input_path, local, attr, value, written))


def without_space_marks(path):
    """A copy of the part without xml:space attributes. The schemas do not declare
    xml:space on strings, but consumers need it to keep leading and trailing blanks,
    so we write it; it is the one known difference from the schemas."""
    with open(path, "rb") as f:
        data = f.read()
    copy = path + ".lint.xml"
    with open(copy, "wb") as f:
        f.write(re.sub(rb'\s+xml:space="preserve"', b"", data))
    return copy


def xmllint(schema, files):
    """The files that validate against the schema."""
    valid = set()
    copies = {without_space_marks(f): f for f in files}
    names = list(copies)
    for start in range(0, len(names), 200):
        batch = names[start:start + 200]
        run = subprocess.run(["xmllint", "--noout", "--schema", schema] + batch, capture_output=True, text=True)
        for line in run.stderr.splitlines():
            if line.endswith(" validates"):
                valid.add(copies[line[: -len(" validates")]])
            elif os.environ.get("KARVO_SHOW_LINT") and " validity error " in line:
                print(line)
    return valid


def root_of(data):
    try:
        for _, element in ET.iterparse(__import__("io").BytesIO(data), events=("start",)):
            return split(element.tag)
    except ET.ParseError:
        return None
    return None


def main():
    tool, corpus, schema_dir = sys.argv[1:4]
    folder = os.path.join(corpus, "xlsx")
    if not os.path.isdir(folder):
        print("corpus not found at %s: skipped" % folder)
        return 77
    model = schema_model(schema_dir)
    work = tempfile.mkdtemp(prefix="karvo-roundtrip-")
    try:
        jobs = []
        for name in sorted(os.listdir(folder)):
            try:
                package = zipfile.ZipFile(os.path.join(folder, name))
                entries = package.namelist()
            except (zipfile.BadZipFile, OSError):
                continue
            for index, entry in enumerate(entries):
                try:
                    data = package.read(entry)
                except Exception:
                    continue
                found = root_of(data)
                if not found or found[1] not in ROOTS or ROOTS[found[1]][0] != found[0]:
                    continue
                base = os.path.join(work, "%s.%d" % (name, index))
                with open(base + ".in.xml", "wb") as f:
                    f.write(data)
                jobs.append((found[1], base + ".in.xml", base + ".out.xml", name + ":" + entry))
        run = subprocess.run([tool], input="".join("%s %s %s\n" % j[:3] for j in jobs), capture_output=True,
                             text=True)
        results = run.stdout.splitlines()
        if len(results) != len(jobs):
            print("tool stopped after %d of %d parts: %s" % (len(results), len(jobs), run.stderr[-2000:]))
            return 1
        stats = {"parts": 0, "elements": 0, "attributes": 0}
        problems = []
        by_schema = {}
        refused = 0
        for (root, source, output, label), result in zip(jobs, results):
            if result != "ok":
                expected = EXPECTED_FAILURES.get(label)
                if expected and result.startswith("fail Error: " + expected):
                    refused += 1
                else:
                    problems.append("%s (%s): %s" % (label, root, result))
                continue
            stats["parts"] += 1
            compare(source, output, root, model, stats, problems)
            schema = ROOTS[root][2]
            if schema:
                by_schema.setdefault(schema, []).append((source, output))
        validated = checked = 0
        for schema, pairs in by_schema.items():
            path = os.path.join(schema_dir, schema)
            inputs_valid = xmllint(path, [s for s, _ in pairs])
            outputs = [o for s, o in pairs if s in inputs_valid]
            outputs_valid = xmllint(path, outputs)
            checked += len(outputs)
            validated += len(outputs_valid)
            problems += ["%s: valid input, invalid output" % o for o in outputs if o not in outputs_valid]
        samples = os.path.join(work, "samples")
        os.makedirs(samples)
        subprocess.run([tool, "--samples", samples], check=True)
        sample_files = [f for f in sorted(os.listdir(samples)) if ROOTS[f.split(".")[0]][2]]
        for sample in sample_files:
            schema = ROOTS[sample.split(".")[0]][2]
            if not xmllint(os.path.join(schema_dir, schema), [os.path.join(samples, sample)]):
                problems.append("new part %s does not validate" % sample)
        print("parts %d of %d round-tripped (%d refused as expected); elements compared %d, attributes compared %d"
              % (stats["parts"], len(jobs), refused, stats["elements"], stats["attributes"]))
        print("xmllint: %d re-written parts whose input validates, %d of them validate; %d new parts checked (not the drawing: xmllint cannot compile its schemas)"
              % (checked, validated, len(sample_files)))
        for p in problems[:60]:
            print("PROBLEM " + p)
        print("%d problems" % len(problems))
        return 1 if problems else 0
    finally:
        if not os.environ.get("KARVO_KEEP_WORK"):
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
