#!/usr/bin/env python3
"""Writes the C++ side of a window's component text: its parts and its handlers.

A window or page text (app/ui/forms/*.txt) names every control once. This build step reads
one text and writes, into the build tree:
  - a header with the parts struct (every named object of the text, typed by its class),
    the declaration of the function that binds it, and the table of the handlers the
    text names (FormHandlers);
  - a source with the binding function: one search per name, as the binder does it.

Objects numbered Name_1..Name_N (or Name_0..Name_N-1) become one std::array member Name.
A handler the text names but the class lacks, or a part the code uses but the text lacks,
is then a compile error, not a failure at run time.

A text whose root object has no name ("object TvxRectangle") names its objects by their
ResourceName instead; its parts are found under the root by that name (vg::NeedPart).

Usage:
  formgen.py --form F.txt --classes CLASSES.txt --parts TStructName --header OUT.h
             --source OUT.cpp --include-as app/ui/forms/F.h [--origin NAME]

The class table has one class a line: "<text class> <C++ name> <header>"; "#" begins a
comment. Anything wrong (text that does not parse, a class the table lacks, numbered objects
that do not run from 0 or 1 without a gap) is reported as "<file>:<line>: error: ..." and
the step fails; nothing is written then.
"""

import argparse
import os
import re
import sys


class FormError(Exception):
    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


# ---- reading the text --------------------------------------------------------------------------

IDENT_START = re.compile(r"[A-Za-z_]")
IDENT_CHAR = re.compile(r"[A-Za-z0-9_]")


class Token:
    __slots__ = ("kind", "text", "line")

    def __init__(self, kind, text, line):
        self.kind = kind  # "ident", "string", "number", "char", "eof"
        self.text = text
        self.line = line


def tokenize(text):
    tokens = []
    pos, line, n = 0, 1, len(text)
    while True:
        while pos < n and ord(text[pos]) <= 32:
            if text[pos] == "\n":
                line += 1
            pos += 1
        if pos >= n:
            tokens.append(Token("eof", "", line))
            return tokens
        c = text[pos]
        if IDENT_START.match(c):
            start = pos
            while pos < n and IDENT_CHAR.match(text[pos]):
                pos += 1
            tokens.append(Token("ident", text[start:pos], line))
        elif c == "{":
            # Binary data: hexadecimal digits and blanks up to the closing brace.
            start_line = line
            end = text.find("}", pos)
            if end < 0:
                raise FormError(start_line, "'}' expected")
            body = text[pos + 1:end]
            if not re.fullmatch(r"[0-9A-Fa-f\s]*", body) or len(re.sub(r"\s", "", body)) % 2:
                raise FormError(start_line, "invalid binary data")
            line += body.count("\n")
            pos = end + 1
            tokens.append(Token("binary", body, start_line))
        elif c in "'#":
            value = []
            while pos < n and text[pos] in "'#":
                if text[pos] == "'":
                    pos += 1
                    while True:
                        if pos >= n or text[pos] in "\r\n":
                            raise FormError(line, "unterminated string")
                        if text[pos] == "'":
                            if pos + 1 < n and text[pos + 1] == "'":
                                value.append("'")
                                pos += 2
                                continue
                            pos += 1
                            break
                        value.append(text[pos])
                        pos += 1
                else:
                    pos += 1
                    m = re.compile(r"\$[0-9A-Fa-f]{1,8}|[0-9]{1,8}").match(text, pos)
                    if not m:
                        raise FormError(line, "invalid character code")
                    pos = m.end()
                    code = int(m.group()[1:], 16) if m.group().startswith("$") else int(m.group())
                    value.append(chr(code))
            tokens.append(Token("string", "".join(value), line))
        elif c.isdigit() or c == "$" or (c == "-" and pos + 1 < n and (text[pos + 1].isdigit() or
                                                                        text.startswith("-INF", pos))):
            m = re.compile(r"\$[0-9A-Fa-f]+|-?INF|-?[0-9]+(\.[0-9]+)?([Ee][+-]?[0-9]+)?[scdSCD]?").match(text, pos)
            if not m:
                raise FormError(line, "invalid number")
            pos = m.end()
            if pos < n and IDENT_CHAR.match(text[pos]):
                raise FormError(line, "invalid number")
            tokens.append(Token("number", m.group(), line))
        else:
            tokens.append(Token("char", c, line))
            pos += 1


class Obj:
    def __init__(self, name, cls, line):
        self.name = name
        self.cls = cls
        self.line = line
        self.props = {}  # name -> (kind, value, line)
        self.children = []


class Parser:
    def __init__(self, text):
        self.tokens = tokenize(text)
        self.i = 0

    @property
    def tok(self):
        return self.tokens[self.i]

    def next(self):
        if self.tok.kind != "eof":
            self.i += 1

    def is_char(self, c):
        return self.tok.kind == "char" and self.tok.text == c

    def is_keyword(self, *words):
        t = self.tok
        if t.kind != "ident" or t.text.lower() not in words:
            return False
        after = self.tokens[self.i + 1]  # a keyword followed by "=" or "." is a property's name
        return not (after.kind == "char" and after.text in "=.")

    def fail(self, message):
        found = "the end of the text" if self.tok.kind == "eof" else f"'{self.tok.text}'"
        raise FormError(self.tok.line, f"{message}, found {found}")

    def expect_char(self, c):
        if not self.is_char(c):
            self.fail(f"'{c}' expected")
        self.next()

    def expect_ident(self):
        if self.tok.kind != "ident":
            self.fail("a name expected")
        text = self.tok.text
        self.next()
        return text

    def parse(self):
        root = self.object()
        if self.tok.kind != "eof":
            self.fail("the text goes on after its root object's end")
        return root

    def object(self):
        if not self.is_keyword("object", "inherited", "inline"):
            self.fail("'object' expected")
        line = self.tok.line
        self.next()
        name = ""
        if self.is_char(":"):
            self.next()
            cls = self.expect_ident()
        else:
            cls = self.expect_ident()
            if self.is_char(":"):
                self.next()
                name, cls = cls, self.expect_ident()
        if self.is_char("["):
            self.next()
            if self.tok.kind != "number":
                self.fail("a child position expected")
            self.next()
            self.expect_char("]")
        obj = Obj(name, cls, line)
        while not self.is_keyword("end", "object", "inherited", "inline"):
            self.property(obj.props)
        while not self.is_keyword("end"):
            obj.children.append(self.object())
        self.next()
        return obj

    def property(self, props):
        line = self.tok.line
        name = self.expect_ident()
        while self.is_char("."):
            self.next()
            name += "." + self.expect_ident()
        self.expect_char("=")
        if name in props:
            raise FormError(line, f"the property {name} is given twice")
        props[name] = self.value() + (line,)

    def value(self):
        t = self.tok
        if t.kind == "string":
            text = t.text
            self.next()
            while self.is_char("+"):
                self.next()
                if self.tok.kind != "string":
                    self.fail("a string expected after '+'")
                text += self.tok.text
                self.next()
            return ("string", text)
        if t.kind == "number":
            self.next()
            return ("number", t.text)
        if t.kind == "ident":
            text = self.expect_ident()
            while self.is_char("."):
                self.next()
                text += "." + self.expect_ident()
            return ("ident", text)
        if self.is_char("["):
            self.next()
            while not self.is_char("]"):
                self.expect_ident()
                if self.is_char(","):
                    self.next()
                elif not self.is_char("]"):
                    self.fail("',' or ']' expected")
            self.next()
            return ("set", None)
        if self.is_char("("):
            self.next()
            while not self.is_char(")"):
                if self.tok.kind == "eof":
                    self.fail("')' expected")
                self.value()
            self.next()
            return ("list", None)
        if t.kind == "binary":
            self.next()
            return ("binary", None)
        if self.is_char("<"):
            self.next()
            while not self.is_char(">"):
                if not self.is_keyword("item"):
                    self.fail("'item' expected")
                self.next()
                if self.is_char("["):
                    self.next()
                    self.value()
                    self.expect_char("]")
                items = {}
                while not self.is_keyword("end"):
                    self.property(items)
                self.next()
            self.next()
            return ("collection", None)
        self.fail("a value expected")


# ---- what the text declares ---------------------------------------------------------------------

EVENT_RE = re.compile(r"^(?:.*\.)?On[A-Z][A-Za-z0-9_]*$")
NUMBERED_RE = re.compile(r"^(.+)_(0|[1-9][0-9]*)$")


class Part:
    """A member of the parts struct: one object, or an array of numbered ones."""

    def __init__(self, member, cls, line, names):
        self.member = member
        self.cls = cls
        self.line = line
        self.names = names  # the objects' names, in index order (one for a single part)
        self.is_array = False


def read_classes(path):
    classes = {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].split()
            if not line:
                continue
            if len(line) != 3 or "::" not in line[1]:
                raise FormError(number, "expected '<class> <namespace>::<C++ class> <header>'")
            if line[0] in classes:
                raise FormError(number, f"the class {line[0]} is listed twice")
            classes[line[0]] = (line[1], line[2], number)
    return classes


def walk(obj):
    yield obj
    for child in obj.children:
        yield from walk(child)


def collect(root, classes):
    """The parts (in text order), the handler names (in text order) and the naming mode."""
    by_resource = not root.name
    named = []
    for obj in walk(root):
        if by_resource:
            prop = obj.props.get("ResourceName")
            if prop is None:
                continue
            if prop[0] != "string" or not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", prop[1]):
                raise FormError(prop[2], "ResourceName must be a name in quotes")
            name = prop[1]
        else:
            if obj is root or not obj.name:
                continue
            name = obj.name
        if obj.cls not in classes:
            raise FormError(obj.line, f"the class {obj.cls} of {name} is not in the class table")
        named.append((name, obj))

    seen = {}
    for name, obj in named:
        if name in seen:
            raise FormError(obj.line, f"the name {name} is given twice (first on line {seen[name].line})")
        seen[name] = obj

    # Numbered objects make one array per stem; the numbers run from 0 or 1 without a gap.
    groups = {}
    for name, obj in named:
        m = NUMBERED_RE.match(name)
        if m:
            groups.setdefault(m.group(1), []).append((int(m.group(2)), name, obj))
    parts, placed = [], set()
    for name, obj in named:
        m = NUMBERED_RE.match(name)
        if not m:
            parts.append(Part(name, obj.cls, obj.line, [name]))
            continue
        stem = m.group(1)
        if stem in placed:
            continue
        placed.add(stem)
        group = sorted(groups[stem], key=lambda g: g[0])
        first = group[0][0]
        numbers = [g[0] for g in group]
        where = f"{stem}_{numbers[0]}..{stem}_{numbers[-1]}"
        if first not in (0, 1) or numbers != list(range(first, first + len(group))):
            raise FormError(obj.line, f"the numbered objects {where} must run from 0 or 1 without a gap "
                                      f"(found {', '.join(str(k) for k in numbers)})")
        if stem in seen:
            raise FormError(seen[stem].line, f"the name {stem} is also the array of {where}")
        for _, other, o in group:
            if o.cls != obj.cls:
                raise FormError(o.line, f"{other} is a {o.cls}, but {group[0][1]} is a {group[0][2].cls}: "
                                        "numbered objects make one array of one class")
        part = Part(stem, obj.cls, obj.line, [g[1] for g in group])
        part.is_array = True
        parts.append(part)

    handlers = []
    for obj in walk(root):
        for prop, (kind, value, line) in obj.props.items():
            if not EVENT_RE.match(prop):
                continue
            if kind != "ident" or "." in value:
                raise FormError(line, f"the event {prop} must name a handler")
            if value not in handlers:
                handlers.append(value)
    if by_resource and handlers:
        raise FormError(root.line, "a text whose objects are found by resource name binds no handlers")
    return parts, handlers, by_resource


# ---- writing -----------------------------------------------------------------------------------

def split_name(qualified):
    ns, _, name = qualified.rpartition("::")
    return ns, name


def write_header(out, args, root, parts, handlers, by_resource, classes):
    ns = args.namespace
    w = out.append
    w(f"// Generated from {args.origin} by tools/formgen/formgen.py; do not edit.")
    w(f"// The parts of {root.name or args.parts}: every object its text names, typed by its class.")
    w("#pragma once")
    w("")
    w("#include <array>")
    w("#include <string>")
    if handlers:
        w("#include <type_traits>")
        w("")
        w('#include "platform/rtl/TypInfo.h"')
    w("")
    declared = {}
    for p in parts:
        qns, name = split_name(classes[p.cls][0])
        declared.setdefault(qns, set()).add(name)
    if by_resource:
        declared.setdefault("vg", set()).add("TvxVisualObject")
    if not by_resource:
        declared.setdefault(ns, set()).add("TPartBinder")
    if handlers:
        declared.setdefault(ns, set()).add(root.cls)
    for qns in sorted(declared):
        if qns == ns:
            continue
        w(f"namespace {qns} {{")
        for name in sorted(declared[qns]):
            w(f"class {name};")
        w(f"}}  // namespace {qns}")
        w("")
    w(f"namespace {ns} {{")
    w("")
    for name in sorted(declared.get(ns, ())):
        w(f"class {name};")
    w("")
    w(f"struct {args.parts} {{")
    for p in parts:
        cpp = classes[p.cls][0]
        if p.is_array:
            w(f"  std::array<{cpp}*, {len(p.names)}> {p.member}{{}};  // {p.names[0]}..{p.names[-1]}")
        else:
            w(f"  {cpp}* {p.member} = nullptr;")
    w("};")
    w("")
    if by_resource:
        w("// Finds every part under Root (the root itself included) by its resource name; a part")
        w("// missing or of another class raises rtl::EReadError naming What and the part.")
        w(f"void BindFormParts(vg::TvxVisualObject* Root, const std::string& What, {args.parts}& Parts);")
    else:
        w("// Finds every part among the binder's owner's components, one search per name; a part")
        w("// missing or of another class raises rtl::EReadError naming it (TPartBinder).")
        w(f"void BindFormParts(const TPartBinder& Bind, {args.parts}& Parts);")
    if handlers:
        w("")
        w(f"// The handlers the text names, published on {root.cls} under those names:")
        w(f"//   rtl::DefineClass<{root.cls}>() passed through FormHandlers, then .Build().")
        w("// A handler the class does not have does not compile.")
        w("template <class C>")
        w(f"  requires std::is_same_v<C, {root.cls}>")
        w("rtl::TClassBuilder<C> FormHandlers(rtl::TClassBuilder<C> Builder) {")
        for h in handlers:
            w(f'  Builder.Method("{h}", &C::{h});')
        w("  return Builder;")
        w("}")
    w("")
    w(f"}}  // namespace {ns}")


def write_source(out, args, parts, by_resource, classes):
    ns = args.namespace
    w = out.append
    w(f"// Generated from {args.origin} by tools/formgen/formgen.py; do not edit.")
    w(f'#include "{args.include_as}"')
    w("")
    w("#include <string_view>")
    w("")
    headers = {classes[p.cls][1] for p in parts}
    headers.add("vg2d/controls/FormContent.h" if by_resource else "app/ui/Window_Parts.h")
    for h in sorted(headers):
        w(f'#include "{h}"')
    w("")
    # The class table's rows are checked against the classes' own names.
    for cls in sorted({p.cls for p in parts}):
        w(f'static_assert(std::string_view({classes[cls][0]}::RtlClassName) == "{cls}", '
          f'"the class table gives {cls} the wrong C++ class");')
    w("")
    w(f"namespace {ns} {{")
    w("")
    if by_resource:
        w(f"void BindFormParts(vg::TvxVisualObject* Root, const std::string& What, {args.parts}& Parts) {{")
    else:
        w(f"void BindFormParts(const TPartBinder& Bind, {args.parts}& Parts) {{")
    for p in parts:
        cpp = classes[p.cls][0]
        for k, name in enumerate(p.names):
            member = f"Parts.{p.member}[{k}]" if p.is_array else f"Parts.{p.member}"
            if by_resource:
                w(f'  {member} = vg::NeedPart<{cpp}>(Root, "{name}", What);')
            else:
                w(f'  Bind({member}, "{name}");')
    w("}")
    w("")
    w(f"}}  // namespace {ns}")


def generate(args):
    try:
        classes = read_classes(args.classes)
    except FormError as e:
        raise SystemExit(f"{args.classes}:{e.line}: error: {e.message}")
    try:
        with open(args.form, encoding="utf-8") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as e:
        raise SystemExit(f"{args.form}: error: cannot read the text: {e}")
    try:
        root = Parser(text).parse()
        parts, handlers, by_resource = collect(root, classes)
        if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", root.cls):
            raise FormError(root.line, f"the root class {root.cls} is no C++ name")
    except FormError as e:
        raise SystemExit(f"{args.form}:{e.line}: error: {e.message}")
    header, source = [], []
    write_header(header, args, root, parts, handlers, by_resource, classes)
    write_source(source, args, parts, by_resource, classes)
    for path, lines in ((args.header, header), (args.source, source)):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")


def main(argv=None):
    ap = argparse.ArgumentParser(description="Writes the parts, binding and handlers of a component text.")
    ap.add_argument("--form", required=True)
    ap.add_argument("--classes", required=True)
    ap.add_argument("--parts", required=True, help="the parts struct's name")
    ap.add_argument("--header", required=True)
    ap.add_argument("--source", required=True)
    ap.add_argument("--include-as", required=True, help="how the source includes the header")
    ap.add_argument("--origin", help="the text's name in the generated comments (default: --form)")
    args = ap.parse_args(argv)
    args.namespace = "app"  # the windows' namespace, where TPartBinder lives
    if not args.origin:
        args.origin = args.form
    if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", args.parts):
        raise SystemExit(f"error: --parts {args.parts} is no C++ name")
    generate(args)


if __name__ == "__main__":
    sys.exit(main())
