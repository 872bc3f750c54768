#!/usr/bin/env python3
"""Generates the schema classes of the XML parts from the published schemas.

For each unit (one part's schema) every complex type reachable from the unit's
root element becomes a plain struct of typed members plus one static table that
describes the members to the runtime's generic unmarshal and marshal
(xlsx/lmx/schema.h). Usage:

    schema_classes.py SCHEMA_DIR OUTPUT_DIR

writes OUTPUT_DIR/xlsx/ooxml/<unit>.h and <unit>[N].cpp. Standard library only.
"""

import os
import re
import sys
import xml.etree.ElementTree as ET

XS = "http://www.w3.org/2001/XMLSchema"
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
DML = "http://schemas.openxmlformats.org/drawingml/2006/main"
XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
CT_URI = "http://schemas.openxmlformats.org/package/2006/content-types"
PR_URI = "http://schemas.openxmlformats.org/package/2006/relationships"


class Unit:
    def __init__(self, name, namespace, schema, root, root_ns, table, parts, unclaimed):
        self.name = name            # file name of the unit
        self.namespace = namespace  # C++ namespace
        self.schema = schema        # entry schema file
        self.root = root            # root element name
        self.root_ns = root_ns
        self.table = table          # [(id, prefix, uri)]
        self.parts = parts          # number of .cpp files the tables are split into
        self.unclaimed = unclaimed  # types that keep attributes they have no member for


# Roots keep unclaimed attributes (namespace declarations and markup-compatibility
# attributes other producers put there); rows and the sheet format keep theirs,
# which carry other producers' extensions.
UNITS = [
    Unit("opc-contentTypes", "contentypes", "opc-contentTypes.xsd", "Types", CT_URI,
         [(1000, "", CT_URI)], 1, {"CT_Types"}),
    Unit("opc-relationships", "relationships", "opc-relationships.xsd", "Relationships", PR_URI,
         [(1000, "", PR_URI)], 1, {"CT_Relationships"}),
    Unit("sml-workbook", "workbook", "sml-workbook.xsd", "workbook", MAIN,
         [(1000, "r", REL), (1001, "", MAIN)], 1, {"CT_Workbook"}),
    Unit("sml-sheet", "sheet", "sml-sheet.xsd", "worksheet", MAIN,
         [(1000, "", MAIN), (1001, "r", REL)], 3, {"CT_Worksheet", "CT_Row", "CT_SheetFormatPr"}),
    Unit("sml-sharedStringTable", "sharedStringTable", "sml-sharedStringTable.xsd", "sst", MAIN,
         [(1000, "", MAIN)], 1, {"CT_Sst"}),
    Unit("sml-styles", "styles", "sml-styles.xsd", "styleSheet", MAIN,
         [(1000, "", MAIN)], 1, {"CT_Stylesheet"}),
    Unit("dml-spreadsheetDrawing", "drawing", "dml-spreadsheetDrawing.xsd", "wsDr", XDR,
         [(1000, "a", DML), (1001, "xdr", XDR), (1002, "r", REL)], 3, {"CT_Drawing"}),
]

# Classes a large sheet holds a million of: they come from the block pool, which
# spares the page faults of taking them one by one from the heap.
POOLED_CLASSES = {"CT_Row"}

# Limits the runtime's unmarshal relies on (required members tracked in a bitset).
MAX_MEMBERS = 256

BUILTIN = {
    "boolean": ("boolean", None),
    "unsignedByte": ("u8", None),
    "byte": ("i32", (-128, 127)),
    "unsignedShort": ("u32", (0, 65535)),
    "short": ("i32", (-32768, 32767)),
    "unsignedInt": ("u32", None),
    "int": ("i32", None),
    "unsignedLong": ("u64", None),
    "long": ("i64", None),
    "integer": ("i64", None),
    "nonNegativeInteger": ("u64", None),
    "positiveInteger": ("u64", (1, None)),
    "double": ("dbl", None),
    "float": ("dbl", None),
    "decimal": ("dbl", None),
    "hexBinary": ("binary", None),
}
STRING_BUILTINS = {"string", "token", "NCName", "ID", "IDREF", "anyURI", "QName", "dateTime", "date",
                   "time", "Name", "normalizedString", "language", "base64Binary", "anySimpleType", "NMTOKEN"}

CPP_TYPE = {
    "boolean": "bool", "u8": "std::uint8_t", "u32": "std::uint32_t", "i32": "std::int32_t",
    "u64": "std::uint64_t", "i64": "std::int64_t", "dbl": "double", "string": "std::u16string",
    "binary": "lmx::c_binary",
}


def local(tag):
    return tag.split("}", 1)[1] if "}" in tag else tag


class Schemas:
    """Every schema file reachable from an entry through include and import, with
    global declarations keyed by (namespace, name). Every import is followed, even a
    second import of a namespace already seen, because the drawing schema spreads
    one namespace over several files."""

    def __init__(self, directory):
        self.directory = directory
        self.loaded = set()
        self.decls = {}  # (kind, ns, name) -> (element, doc)

    def load(self, file_name):
        path = os.path.join(self.directory, file_name)
        if path in self.loaded:
            return
        self.loaded.add(path)
        prefixes = {}
        for event, item in ET.iterparse(path, events=("start-ns",)):
            prefixes.setdefault(item[0], item[1])
        root = ET.parse(path).getroot()
        doc = {
            "file": file_name,
            "tns": root.get("targetNamespace", ""),
            "qualified": root.get("elementFormDefault") == "qualified",
            "attr_qualified": root.get("attributeFormDefault") == "qualified",
            "prefixes": prefixes,
        }
        for child in root:
            kind = local(child.tag)
            if kind in ("include", "import"):
                self.load(child.get("schemaLocation"))
            elif child.get("name"):
                self.decls[(kind, doc["tns"], child.get("name"))] = (child, doc)

    def resolve(self, qname, doc):
        prefix, _, name = qname.rpartition(":")
        return doc["prefixes"].get(prefix, doc["tns"] if not prefix else None), name

    def find(self, kind, qname, doc):
        ns, name = self.resolve(qname, doc)
        found = self.decls.get((kind, ns, name))
        if not found:
            raise SystemExit("unresolved %s %s in %s" % (kind, qname, doc["file"]))
        return found


class SimpleType:
    """What the runtime needs of a simple type: value kind, enumeration, facets."""

    def __init__(self, kind):
        self.kind = kind
        self.enums = None
        self.min = self.max = None
        self.min_exclusive = self.max_exclusive = False
        self.min_length = self.max_length = -1
        self.is_list = False
        self.name = None

    def key(self):
        return (self.kind, tuple(self.enums) if self.enums is not None else None, self.min, self.max,
                self.min_exclusive, self.max_exclusive, self.min_length, self.max_length)


def simple_type(schemas, qname, doc, cache):
    ns, name = schemas.resolve(qname, doc)
    if ns == XS:
        if name in BUILTIN:
            kind, bounds = BUILTIN[name]
            t = SimpleType(kind)
            if bounds:
                t.min, t.max = bounds
            return t
        if name in STRING_BUILTINS:
            return SimpleType("string")
        raise SystemExit("unknown builtin " + name)
    key = (ns, name)
    if key not in cache:
        element, d = schemas.find("simpleType", qname, doc)
        cache[key] = simple_type_body(schemas, element, d, cache)
        cache[key].name = name
    return cache[key]


def simple_type_body(schemas, element, doc, cache):
    for child in element:
        kind = local(child.tag)
        if kind == "restriction":
            base = child.get("base")
            if base:
                t = simple_type(schemas, base, doc, cache)
            else:
                t = simple_type_body(schemas, child.find("{%s}simpleType" % XS), doc, cache)
            r = SimpleType(t.kind)
            r.__dict__.update({k: v for k, v in t.__dict__.items() if k != "name"})
            apply_facets(r, child)
            return r
        if kind == "union":
            return SimpleType("string")
        if kind == "list":
            t = SimpleType("string")
            t.is_list = True
            return t
    raise SystemExit("simple type without content")


def apply_facets(t, restriction):
    enums = []
    for facet in restriction:
        kind, value = local(facet.tag), facet.get("value")
        if kind == "enumeration":
            enums.append(value)
        elif kind in ("minInclusive", "minExclusive"):
            t.min, t.min_exclusive = float(value), kind == "minExclusive"
        elif kind in ("maxInclusive", "maxExclusive"):
            t.max, t.max_exclusive = float(value), kind == "maxExclusive"
        elif kind == "length":
            t.min_length = t.max_length = int(value)
        elif kind == "minLength":
            t.min_length = int(value)
        elif kind == "maxLength":
            t.max_length = int(value)
    if enums and t.kind == "string":
        t.enums = enums


class Member:
    def __init__(self, kind, name, ns):
        self.kind = kind          # "attribute", "element", "text", "any"
        self.name = name
        self.ns = ns              # namespace URI or None
        self.required = False
        self.many = False
        self.simple = None        # SimpleType
        self.cls = None           # complex type key
        self.default = None
        self.choice_group = None  # index of the ordered group it belongs to
        self.cpp = None


class ComplexType:
    def __init__(self, key, element, doc):
        self.key = key
        self.name = key[1]
        self.element = element
        self.doc = doc
        self.attributes = []
        self.elements = []
        self.text = None


class Generator:
    def __init__(self, schema_dir, unit):
        self.unit = unit
        self.schemas = Schemas(schema_dir)
        self.schemas.load(unit.schema)
        self.simple_cache = {}
        self.types = {}   # key -> ComplexType
        self.order = []
        self.groups = 0

    # ---- reading the schema ----

    def complex(self, qname, doc):
        element, d = self.schemas.find("complexType", qname, doc)
        key = (d["tns"], element.get("name"))
        if key not in self.types:
            ct = ComplexType(key, element, d)
            self.types[key] = ct
            self.read_complex(ct)
            self.order.append(ct)
        return key

    def read_complex(self, ct):
        element, doc = ct.element, ct.doc
        for child in element:
            kind = local(child.tag)
            if kind == "simpleContent":
                ext = child[0] if local(child[0].tag) != "annotation" else child[1]
                text = Member("text", "value", None)
                text.simple = simple_type(self.schemas, ext.get("base"), doc, self.simple_cache)
                text.required = True
                ct.text = text
                self.read_attributes(ct, ext, doc)
            elif kind in ("sequence", "choice", "all", "group"):
                self.read_particle(ct, child, doc, 1, 1, False, None)
        self.read_attributes(ct, element, doc)

    def read_attributes(self, ct, element, doc):
        for child in element:
            kind = local(child.tag)
            if kind == "attribute":
                self.read_attribute(ct, child, doc)
            elif kind == "attributeGroup":
                group, d = self.schemas.find("attributeGroup", child.get("ref"), doc)
                self.read_attributes(ct, group, d)

    def read_attribute(self, ct, a, doc):
        if a.get("ref"):
            decl, d = self.schemas.find("attribute", a.get("ref"), doc)
            m = Member("attribute", decl.get("name"), d["tns"])
            type_source, type_doc = decl, d
        else:
            qualified = a.get("form") == "qualified" or (a.get("form") is None and doc["attr_qualified"])
            m = Member("attribute", a.get("name"), doc["tns"] if qualified else None)
            type_source, type_doc = a, doc
        if type_source.get("type"):
            m.simple = simple_type(self.schemas, type_source.get("type"), type_doc, self.simple_cache)
        else:
            inline = type_source.find("{%s}simpleType" % XS)
            m.simple = simple_type_body(self.schemas, inline, type_doc, self.simple_cache) if inline is not None \
                else SimpleType("string")
        m.required = a.get("use") == "required"
        m.default = a.get("default", type_source.get("default"))
        ct.attributes.append(m)

    @staticmethod
    def occurs(p):
        lo = int(p.get("minOccurs", "1"))
        hi = p.get("maxOccurs", "1")
        return lo, (None if hi == "unbounded" else int(hi))

    def element_names(self, particle, doc):
        """The element names a particle can hold, groups followed."""
        kind = local(particle.tag)
        if kind == "element":
            return [particle.get("name") or particle.get("ref")]
        if kind == "group" and particle.get("ref"):
            group, d = self.schemas.find("group", particle.get("ref"), doc)
            return [n for c in group if local(c.tag) != "annotation" for n in self.element_names(c, d)]
        if kind in ("sequence", "choice", "all", "group"):
            return [n for c in particle if local(c.tag) != "annotation" for n in self.element_names(c, doc)]
        return []

    def read_particle(self, ct, p, doc, lo, hi, in_choice, group, outer_repeat=False):
        kind = local(p.tag)
        plo, phi = self.occurs(p)
        lo = lo * plo
        hi = None if hi is None or phi is None else hi * phi
        if kind == "group" and p.get("ref"):
            g, d = self.schemas.find("group", p.get("ref"), doc)
            for c in g:
                if local(c.tag) in ("sequence", "choice", "all"):
                    # A repeated group reference repeats the compositor it names.
                    self.read_particle(ct, c, d, lo, hi, in_choice, group, phi is None or phi > 1)
            return
        if kind in ("sequence", "choice", "all"):
            children = [c for c in p if local(c.tag) != "annotation"]
            repeated = phi is None or phi > 1 or outer_repeat
            if group is None and repeated and len(set(self.element_names(p, doc))) > 1:
                if kind == "choice" and doc["tns"] == MAIN and all(
                        local(c.tag) == "element" and c.get("maxOccurs") == "1" for c in children):
                    # "Each of these at most once, in any order": the font and run
                    # properties of the sheet schemas, held as plain optional members.
                    # (DrawingML uses the same form for colour transforms, whose
                    # order matters.)
                    for c in children:
                        self.read_particle(ct, c, doc, 0, 1, True, None)
                    return
                group = self.groups
                self.groups += 1
            for c in children:
                self.read_particle(ct, c, doc, lo, hi, in_choice or kind == "choice", group)
            return
        if kind == "any":
            m = Member("any", "any", None)
            m.many = True
            ct.elements.append(m)
            return
        if kind != "element":
            raise SystemExit("unexpected particle %s in %s" % (kind, ct.name))
        if p.get("ref"):
            decl, d = self.schemas.find("element", p.get("ref"), doc)
            name, ns = decl.get("name"), d["tns"]
        else:
            decl, d = p, doc
            name, ns = p.get("name"), doc["tns"] if doc["qualified"] else None
        m = Member("element", name, ns)
        m.required = lo >= 1 and not in_choice
        m.many = hi is None or hi > 1
        m.choice_group = group
        type_name = decl.get("type")
        if type_name is None:
            raise SystemExit("element %s of %s has no type" % (name, ct.name))
        tns, tname = self.schemas.resolve(type_name, d)
        if tns != XS and ("complexType", tns, tname) in self.schemas.decls:
            m.cls = self.complex(type_name, d)
        else:
            m.simple = simple_type(self.schemas, type_name, d, self.simple_cache)
        for other in ct.elements:
            if other.kind == "element" and other.name == name and other.ns == ns:
                # The same element in two places of one content model: one member.
                other.many = True
                other.required = other.required and m.required
                return
        ct.elements.append(m)


# ---- writing C++ ----

# C++ keywords, and the names every generated class already uses.
CPP_RESERVED = set("""alignas alignof and and_eq asm auto bitand bitor bool break case catch char char8_t char16_t
char32_t class compl concept const consteval constexpr constinit const_cast continue co_await co_return co_yield
decltype default delete do double dynamic_cast else enum explicit export extern false float for friend goto if
inline int long mutable namespace new noexcept not not_eq nullptr operator or or_eq private protected public
register reinterpret_cast requires return short signed sizeof static static_assert static_cast struct switch
template this thread_local throw true try typedef typeid typename union unsigned using virtual void volatile
wchar_t while xor xor_eq class_table root_table clone unmarshal marshal unclaimed""".split())

def cpp_name(name, taken):
    name = re.sub(r"[^A-Za-z0-9_]", "_", name)
    if name in CPP_RESERVED:
        name += "_"
    while name in taken:
        name += "_"
    taken.add(name)
    return name


def default_literal(t, text):
    if t.kind == "boolean":
        return "true" if text in ("true", "1") else "false"
    if t.kind == "string":
        return "std::u16string(u\"%s\")" % text.replace("\\", "\\\\").replace("\"", "\\\"")
    if t.kind == "dbl":
        return repr(float(text))
    if t.kind in ("u8", "u32", "u64"):
        return "%sU" % int(text) if t.kind != "u64" else "%sULL" % int(text)
    if t.kind in ("i32", "i64"):
        v = int(text)
        return ("%dLL" % v) if t.kind == "i64" else str(v)
    return None


class Writer:
    def __init__(self, gen, classes):
        self.gen = gen
        self.unit = gen.unit
        self.classes = classes
        self.simple_names = {}
        self.simple_list = []
        self.ns_ids = {uri: i for i, _, uri in self.unit.table}

    def ns_id(self, uri, what):
        if uri is None:
            return "lmx::kNoNamespace"
        if uri not in self.ns_ids:
            raise SystemExit("%s: namespace %s is not in the table of %s" % (what, uri, self.unit.name))
        return str(self.ns_ids[uri])

    def simple_ref(self, t):
        key = t.key()
        if key not in self.simple_names:
            base = t.name or t.kind
            name = "st_%s_%d" % (re.sub(r"[^A-Za-z0-9_]", "_", base), len(self.simple_list))
            self.simple_names[key] = name
            self.simple_list.append((name, t))
        return self.simple_names[key]

    def class_name(self, key):
        return "c_CT_Cell_Worker" if key[1] == "CT_Cell" else "c_" + key[1]

    @staticmethod
    def is_cells(ct, m):
        return ct.name == "CT_Row" and m.kind == "element" and m.name == "c"

    @staticmethod
    def is_texts(ct, m):
        """The entries of the shared string table, held as an lmx::text_list."""
        return ct.name == "CT_Sst" and m.kind == "element" and m.name == "si"

    def member_decl(self, ct, m):
        """(C++ type, initializer, sort weight) of one member."""
        if m.kind == "any":
            return "std::vector<std::string>", "", 24
        if self.is_cells(ct, m):
            return "lmx::cell_vector", "", 16
        if self.is_texts(ct, m):
            return "lmx::text_list", "", 80
        if m.cls is not None:
            cls = self.class_name(m.cls)
            if m.choice_group is not None:
                return "std::vector<lmx::choice_item>", "", 24
            if m.many:
                return "std::vector<lmx::owned<%s>>" % cls, "", 24
            return "lmx::owned<%s>" % cls, "", 8
        t = m.simple
        cpp = CPP_TYPE[t.kind]
        if m.kind == "attribute" and t.is_list:
            return "lmx::string_list", "", 8
        if m.kind == "element" and m.many:
            return "std::vector<%s>" % cpp, "", 24
        size = {"boolean": 1, "u8": 1, "u32": 4, "i32": 4, "u64": 8, "i64": 8, "dbl": 8,
                "string": 32, "binary": 24}[t.kind]
        if m.kind == "text" or m.required:
            return cpp, "{}" if t.kind not in ("string", "binary") else "", size
        init = ""
        if m.default is not None:
            lit = default_literal(t, m.default)
            if lit is not None:
                init = "{%s}" % lit
        opt_size = {1: 1 if t.kind == "boolean" else 2, 4: 8, 8: 16, 32: 40, 24: 32}[size]
        return "lmx::opt<%s>" % cpp, init, opt_size

    def holder(self, ct, m):
        if m.kind == "any":
            return "any"
        if self.is_cells(ct, m):
            return "cells"
        if self.is_texts(ct, m):
            return "texts"
        if m.cls is not None:
            if m.choice_group is not None:
                return "choice"
            return "children" if m.many else "child"
        if m.kind == "attribute" and m.simple.is_list:
            return "list"
        if m.kind == "element" and m.many:
            return "values"
        return "value" if (m.kind == "text" or m.required) else "optional"

    def assign_names(self, ct):
        taken = set()
        groups = {}
        group_count = len({m.choice_group for m in ct.elements if m.choice_group is not None})
        for m in ct.attributes + ([ct.text] if ct.text else []) + ct.elements:
            if m.kind == "element" and m.choice_group is not None:
                if m.choice_group not in groups:
                    # The ordered entries of a repeated choice: "items" when the class
                    # has one such choice, else named after its first element.
                    groups[m.choice_group] = cpp_name("items" if group_count == 1 else m.name + "_items", taken)
                m.cpp = groups[m.choice_group]
            else:
                m.cpp = cpp_name(m.name, taken)
        if len(ct.attributes) > MAX_MEMBERS or len(ct.elements) > MAX_MEMBERS:
            raise SystemExit("%s has too many members" % ct.name)

    def struct(self, ct):
        name = self.class_name(ct.key)
        lines = ["struct %s {" % name, "    static const lmx::class_info class_table;"]
        fields = []
        seen = set()
        for m in ct.attributes + ([ct.text] if ct.text else []) + ct.elements:
            if m.cpp in seen:
                continue
            seen.add(m.cpp)
            cpp, init, size = self.member_decl(ct, m)
            align = 8 if size >= 16 or size == 8 and "32_t" not in cpp else (4 if size >= 4 else 1)
            fields.append((-align, -size, len(fields), "    %s %s%s;" % (cpp, m.cpp, init)))
        if ct.name in self.unit.unclaimed:
            fields.append((-8, -8, len(fields), "    lmx::unclaimed_attributes unclaimed;"))
        # Largest members first, so that padding is least: rows and cells are many.
        lines += [f[3] for f in sorted(fields)]
        if ct.name in POOLED_CLASSES:
            lines.append("    static void* operator new(std::size_t bytes) { return karvo::poolAllocate(bytes); }")
            lines.append("    static void operator delete(void* p, std::size_t bytes) noexcept { karvo::poolRelease(p, bytes); }")
        lines.append("    %s* clone() const { return new %s(*this); }" % (name, name))
        lines.append("};")
        return "\n".join(lines)

    def header(self):
        u = self.unit
        guard = []
        out = ["// Generated from the published schema %s; do not edit." % u.schema, "#pragma once", "",
               "#include <cstdint>", "#include <string>", "#include <vector>", "",
               "#include \"core/block_pool.h\"", "#include \"xlsx/lmx/binding.h\"", "#include \"xlsx/lmx/compact_cell.h\"",
               "#include \"xlsx/lmx/schema.h\"", "#include \"xlsx/lmx/text_list.h\"", "", "namespace %s {" % u.namespace, ""]
        out.append("extern const lmx::ns_entry namespace_table[];")
        for ct in self.classes:
            out.append("struct %s;" % self.class_name(ct.key))
        if any(ct.name == "CT_Cell" for ct in self.classes):
            out.append("using c_CT_Cell = lmx::compact_cell;")
        out.append("")
        for ct in self.classes:
            out.append(self.struct(ct))
            out.append("")
        root_ct = self.root_class
        root_name = "c_" + u.root
        base = self.class_name(root_ct.key)
        out += [
            "/// The root element \"%s\"." % u.root,
            "struct %s : %s {" % (root_name, base),
            "    static const lmx::root_info root_table;",
            "    lmx::elmx_error unmarshal(const char* begin, const char* end, lmx::c_error* error = nullptr) {",
            "        return lmx::unmarshal_root(root_table, static_cast<%s*>(this), begin, end, error);" % base,
            "    }",
            "    lmx::elmx_error unmarshal(lmx::chunk_source source, lmx::c_error* error = nullptr) {",
            "        return lmx::unmarshal_root(root_table, static_cast<%s*>(this), std::move(source), error);" % base,
            "    }",
            "    lmx::elmx_error marshal(std::string& out, lmx::c_error* error = nullptr,",
            "                            const lmx::byte_drain* drain = nullptr) const {",
            "        return lmx::marshal_root(root_table, static_cast<const %s*>(this), out, error, drain);" % base,
            "    }",
            "    %s* clone() const { return new %s(*this); }" % (root_name, root_name),
            "};",
            "",
        ]
        if any(ct.name == "CT_Cell" for ct in self.classes):
            worker = next(ct for ct in self.classes if ct.name == "CT_Cell")
            names = [m.name for m in worker.elements]
            if names != ["f", "v", "is", "extLst"]:
                raise SystemExit("unexpected cell content %s" % names)
            for slot, member in (("f", worker.elements[0]), ("is", worker.elements[2]),
                                 ("extLst", worker.elements[3])):
                cls = self.class_name(member.cls)
                field = {"f": "f", "is": "is", "extLst": "extLst"}[slot]
                getter = {"f": "formula", "is": "inline_string", "extLst": "extension_list"}[slot]
                out += [
                    "inline %s* cell_%s(const c_CT_Cell& cell) { return static_cast<%s*>(cell.%s()); }"
                    % (cls, slot, cls, getter),
                    "inline %s& cell_make_%s(c_CT_Cell& cell) {" % (cls, slot),
                    "    lmx::cell_extra& extra = cell.make_extra(&c_CT_Cell_Worker::class_table);",
                    "    if (!extra.%s) extra.%s = new %s();" % (field, field, cls),
                    "    return *static_cast<%s*>(extra.%s);" % (cls, field),
                    "}",
                ]
            out.append("")
        out.append("} // namespace %s" % u.namespace)
        return "\n".join(out) + "\n"

    def member_row(self, ct, m, index_of_line):
        cname = self.class_name(ct.key)
        holder = self.holder(ct, m)
        simple = "&" + self.simple_ref(m.simple) if m.simple is not None else "nullptr"
        child = "nullptr"
        ops = "nullptr"
        if holder == "cells":
            child = "&c_CT_Cell_Worker::class_table"
        elif m.cls is not None:
            cls = self.class_name(m.cls)
            child = "&%s::class_table" % cls
            if holder == "child":
                ops = "&lmx::child_ops<%s>" % cls
            elif holder == "children":
                ops = "&lmx::children_ops<%s>" % cls
        aux = "int32_t(offsetof(%s, r))" % cname if holder == "cells" else "-1"
        ns = "lmx::kNoNamespace" if m.kind == "any" else self.ns_id(m.ns, "%s.%s" % (ct.name, m.name))
        return "    {%s, \"%s\", %d, lmx::holder::%s, %s, offsetof(%s, %s), %s, %s, %s, __LINE__, %s}," % (
            ns, m.name if m.kind != "any" else "", len(m.name) if m.kind != "any" else 0, holder,
            "true" if m.required else "false", cname, m.cpp, simple, child, ops, aux)

    def tables(self, ct, source):
        cname = self.class_name(ct.key)
        out = []
        for what, members in (("attributes", ct.attributes), ("elements", ct.elements)):
            if members:
                out.append("const lmx::member_info %s_%s[] = {" % (cname, what))
                out += [self.member_row(ct, m, i) for i, m in enumerate(members)]
                out.append("};")
        if ct.text:
            out.append("const lmx::member_info %s_text = %s" % (cname, self.member_row(ct, ct.text, 0).strip()[:-1] + ";"))
        unclaimed = "int32_t(offsetof(%s, unclaimed))" % cname if ct.name in self.unit.unclaimed else "-1"
        out.append("const lmx::class_info %s::class_table = {\"%s\", \"%s\", %s, %d, %s, %d, %s, %s," % (
            cname, ct.name, source,
            "%s_attributes" % cname if ct.attributes else "nullptr", len(ct.attributes),
            "%s_elements" % cname if ct.elements else "nullptr", len(ct.elements),
            "&%s_text" % cname if ct.text else "nullptr", unclaimed))
        out.append("    &lmx::create_object<%s>, &lmx::copy_object<%s>, &lmx::destroy_object<%s>};" % (
            cname, cname, cname))
        return "\n".join(out)

    def simple_table(self, name, t):
        enum = "nullptr"
        lines = []
        if t.enums is not None:
            lines.append("const char* const %s_values[] = {%s, nullptr};" % (
                name, ", ".join("\"%s\"" % v for v in t.enums)))
            enum = "%s_values" % name
        lines.append("extern const lmx::simple_type %s = {lmx::value_kind::%s, %s, %s, %s, %s, %s, %r, %r, %d, %d};" % (
            name, t.kind, enum, "true" if t.min is not None else "false", "true" if t.max is not None else "false",
            "true" if t.min_exclusive else "false", "true" if t.max_exclusive else "false",
            float(t.min or 0), float(t.max or 0), t.min_length, t.max_length))
        return "\n".join(lines)

    def sources(self):
        u = self.unit
        files = []
        parts = [self.classes[i::u.parts] for i in range(u.parts)]
        bodies = []
        for index, part in enumerate(parts):
            source = u.name if index == 0 else "%s%d" % (u.name, index + 1)
            bodies.append((source, [self.tables(ct, source) for ct in part]))
        # Descriptors of simple types are collected while the tables are written.
        decls = ["extern const lmx::simple_type %s;" % name for name, _ in self.simple_list]
        for index, (source, tables) in enumerate(bodies):
            out = ["// Generated from the published schema %s; do not edit." % u.schema,
                   "#include <cstddef>", "", "#include \"xlsx/ooxml/%s.h\"" % u.name, "",
                   "// Offsets of members in classes that hold strings and vectors.",
                   "#pragma GCC diagnostic ignored \"-Winvalid-offsetof\"", "",
                   "namespace %s {" % u.namespace, "", "using std::int32_t;", ""]
            out += decls
            out.append("")
            if index == 0:
                out.append("const lmx::ns_entry namespace_table[] = {")
                out += ["    {%d, \"%s\", \"%s\"}," % row for row in u.table]
                out.append("    {0, nullptr, nullptr},")
                out.append("};")
                out += [self.simple_table(name, t) for name, t in self.simple_list]
                root_ct = self.root_class
                out.append("const lmx::root_info c_%s::root_table = {&%s::class_table, %s, \"%s\", namespace_table};" % (
                    u.root, self.class_name(root_ct.key), self.ns_id(u.root_ns, "root"), u.root))
            out += tables
            out.append("")
            out.append("} // namespace %s" % u.namespace)
            files.append((source, "\n".join(out) + "\n"))
        return files


def generate(schema_dir, output_dir, unit):
    gen = Generator(schema_dir, unit)
    decl, doc = gen.schemas.decls[("element", unit.root_ns, unit.root)]
    root_key = gen.complex(decl.get("type"), doc)
    writer = Writer(gen, gen.order)
    writer.root_class = gen.types[root_key]
    for ct in gen.order:
        writer.assign_names(ct)
    # Tables first: they register the simple types the header does not need.
    sources = writer.sources()
    target = os.path.join(output_dir, "xlsx", "ooxml")
    os.makedirs(target, exist_ok=True)
    write_if_changed(os.path.join(target, unit.name + ".h"), writer.header())
    for source, text in sources:
        write_if_changed(os.path.join(target, source + ".cpp"), text)


def write_if_changed(path, text):
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    for unit in UNITS:
        generate(sys.argv[1], sys.argv[2], unit)


if __name__ == "__main__":
    main()
