#!/usr/bin/env python3
"""Writes the C interface's camera operations and the Python package's methods.

One row of the operation table (operations/Operations.cpp, read through the program
quorvin-c-table, which prints it as JSON) becomes one C function: its declaration in
include/quorvin/quorvin.h, its definition in capi/Operations.cpp, and one method of
quorvin.Camera in python/quorvin/_operations.py. The table gives the names, the order, the
groups and the arguments; include/quorvin/Controller.h, the C++ reference, gives each
operation's result type and its comment, which every declaration and docstring carries over
with the names changed to those of the caller's language.

    generate.py (--table TABLE.json | --table-program quorvin-c-table) [--root DIR] [--check]

--check writes nothing and fails, listing the files, when a committed file differs from what
the table makes (the ctest test capi_generated_files runs it so).
"""

import argparse
import json
import os
import re
import subprocess
import sys
import textwrap

HEADER_BEGIN = ("/* ---- written by capi/generate.py from the operation table: "
                "edit the generator, not this ---- */")
HEADER_END = "/* ---- end of the part written by capi/generate.py ---- */"


def words(camel):
    """Splits a C++ name into its words: "getWBMode" -> ["get", "WB", "Mode"]."""
    return re.findall(r"[A-Z]+(?=[A-Z][a-z]|\d|\b)|[A-Z]?[a-z]+|[A-Z]+|\d+", camel)


def snake(camel):
    return "_".join(w.lower() for w in words(camel))


# ---------------------------------------------------------------------------------------------
# The C++ reference: each method's declaration and comment, each group's comment, and the
# comments of the enumerations and their values.

class Method:
    def __init__(self, name, result, params, doc, group):
        self.name = name
        self.result = result  # "void", "int", "long", "double", "bool" or an enumeration's name
        self.params = params  # [(type, name)] as declared
        self.doc = doc  # the comment's lines, without the slashes
        self.group = group


def read_reference(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    methods = {}
    groups = {}
    enums = {}
    enumerators = {}
    comment = []
    group = None
    i = 0
    in_public = False
    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        i += 1
        if stripped.startswith("class QUORVIN_API Controller"):
            in_public = True
            continue
        if not in_public:
            continue
        if stripped.startswith("protected:"):
            break
        if stripped.startswith("/// @name "):
            group = stripped[len("/// @name "):]
            text = []
            while not lines[i].strip().startswith("///@{"):
                text.append(lines[i].strip()[3:].strip())
                i += 1
            groups[group] = text
            comment = []
            continue
        if stripped.startswith("///@"):
            comment = []
            continue
        if stripped.startswith("///"):
            comment.append(stripped[3:].strip())
            continue
        m = re.match(r"enum (\w+) : int \{", stripped)
        if m:
            enums[m.group(1)] = comment
            comment = []
            continue
        m = re.match(r"(\w+) = (0x[0-9A-Fa-f]+|\d+),\s*///< (.*)", stripped)
        if m:
            enumerators[m.group(1)] = m.group(3)
            continue
        if stripped.endswith(";") or stripped.endswith(","):
            declaration = stripped
            while not declaration.endswith(";"):
                declaration += " " + lines[i].strip()
                i += 1
            m = re.match(r"(\w+) (\w+)\((.*)\);$", declaration)
            if m and group is not None and m.group(2) not in ("Controller",):
                params = []
                for param in filter(None, (p.strip() for p in m.group(3).split(","))):
                    pm = re.match(r"(.*?)(\w+)$", param)
                    params.append((pm.group(1).strip(), pm.group(2)))
                methods[m.group(2)] = Method(m.group(2), m.group(1), params, comment, group)
            comment = []
            continue
        comment = []
    return methods, groups, enums, enumerators


# ---------------------------------------------------------------------------------------------
# The model: one operation with its C and Python forms.

C_ARG = {"int": "int", "long": "long", "double": "double", "bool": "int", "text": "const char*"}
PY_ARG = {"int": "int", "long": "int", "double": "float", "bool": "bool", "text": "str"}
CTYPES = {"int": "ctypes.c_int", "long": "ctypes.c_long", "double": "ctypes.c_double",
          "bool": "ctypes.c_int", "text": "ctypes.c_char_p"}
CPP_TYPE = {"int": "int", "long": "long", "double": "double", "bool": "bool",
            "text": "const std::string&"}


class Enum:
    def __init__(self, name, values, doc, value_docs):
        self.name = name
        self.c_name = "quorvin_" + snake(name)
        self.values = values  # [(C++ name, value)]
        self.doc = doc
        self.value_docs = value_docs
        names = [words(v) for v, _ in values]
        common = 0
        while all(len(n) > common + 1 and n[common] == names[0][common] for n in names):
            common += 1
        self.prefix_words = common

    def c_value(self, cpp):
        return "QUORVIN_" + snake(cpp).upper()

    def py_value(self, cpp):
        return "_".join(w.upper() for w in words(cpp)[self.prefix_words:])


class Operation:
    def __init__(self, row, method, enums):
        self.name = row["name"]
        self.c_name = "quorvin_" + snake(self.name)
        self.py_name = snake(self.name)
        self.group = row["group"]
        self.method = method
        self.args = []  # [(kind, C++ name, enum or None)]
        for arg in row["args"]:
            self.args.append((arg["kind"], arg["name"], enums.get(arg.get("enum"))))
        self.result = method.result
        self.result_enum = enums.get(self.result)
        # The two operations whose results the C++ reference hands out through its arguments.
        self.special = self.name if self.name in ("getDeviceType", "getPanTilt") else None
        self.check(enums)

    def check(self, enums):
        if self.special:
            return
        declared = [t for t, _ in self.method.params]
        expected = []
        for kind, _, enum in self.args:
            expected.append(enum.name if enum else CPP_TYPE[kind])
        if declared != expected:
            raise SystemExit(f"{self.name}: the table's arguments {expected} are not the "
                             f"header's {declared}")
        if self.result not in ("void", "int", "long", "double", "bool") and \
                self.result not in enums:
            raise SystemExit(f"{self.name}: result type {self.result} has no C form")

    def result_kind(self):
        return self.result_enum.name if self.result_enum else self.result

    def out_name(self):
        # getZoom -> zoom, getWBMode -> wb_mode: the value the name says is read.
        name = self.name[3:] if self.name.startswith("get") else "result"
        return snake(name)


def load_model(table, reference):
    methods, groups, enum_docs, enumerator_docs = read_reference(reference)
    enums = {}
    for row in table["enums"]:
        values = [(v["name"], v["value"]) for v in row["values"]]
        enums[row["name"]] = Enum(row["name"], values, enum_docs.get(row["name"], []),
                                  enumerator_docs)
    operations = []
    for row in table["operations"]:
        method = methods.get(row["name"])
        if method is None:
            raise SystemExit(f"{row['name']}: not declared in the C++ reference")
        if method.group != row["group"]:
            raise SystemExit(f"{row['name']}: group {row['group']} in the table, "
                             f"{method.group} in the header")
        operations.append(Operation(row, method, enums))
    return enums, operations, groups


# ---------------------------------------------------------------------------------------------
# The comments, in each language's names.

class Names:
    """How the C++ reference's names are written in the target language."""

    def __init__(self, enums, operations, language):
        self.language = language
        self.operations = {op.name: op for op in operations}
        self.enum_values = {}
        for enum in enums.values():
            for cpp, _ in enum.values:
                self.enum_values[cpp] = (enum.c_value(cpp) if language == "c"
                                         else f"{enum.name}.{enum.py_value(cpp)}")

    def operation(self, match):
        op = self.operations.get(match.group(1))
        if op is None:
            return match.group(0)
        return (op.c_name if self.language == "c" else op.py_name) + "()"

    def convert(self, text):
        # An operation named with its parentheses, not a member of another class
        # ("WinSerialCommAdaptor::connect()" is a text of the library and stays as it is).
        text = re.sub(r"(?<![:\w])(\w+)\(\)", self.operation, text)
        text = re.sub(r"(?<![:\w])Controller::", "", text) if self.language == "py" else text
        text = re.sub(r"\b(\w+)\b",
                      lambda m: self.enum_values.get(m.group(1), m.group(1)), text)
        text = re.sub(r"@p (\w+)", lambda m: ("@p " + snake(m.group(1)) if self.language == "c"
                                             else f"`{snake(m.group(1))}`"), text)
        if self.language == "c":
            text = text.replace("@throws DriverException ", "@par Failures\nThe text ")
            text = re.sub(r"\bController\b(?!::)", "handle", text)
        else:
            text = re.sub(r"\bController\b(?!::)", "Camera", text)
            text = re.sub(r"^@param (\w+) ", lambda m: snake(m.group(1)) + ": ", text)
            text = text.replace("@throws DriverException", "Raises CameraError with the text")
            text = re.sub(r"\btrue\b", "True", text)
            text = re.sub(r"\bfalse\b", "False", text)
        return text


def doc_paragraphs(lines):
    """The comment as paragraphs: each @-command starts one, the others run on."""
    paragraphs = []
    for line in lines:
        if not line:
            continue
        if line.startswith("@") or not paragraphs:
            paragraphs.append(line)
        else:
            paragraphs[-1] += " " + line
    return paragraphs


def c_comment(lines, indent=""):
    out = []
    for paragraph in (p for text in lines for p in text.split("\n")):
        wrapped = textwrap.wrap(paragraph, 100 - len(indent) - 4, subsequent_indent="  "
                                if paragraph.startswith("@") else "", break_on_hyphens=False,
                                break_long_words=False)
        out.extend(f"{indent}/// {w}".rstrip() for w in wrapped)
    return out


# ---------------------------------------------------------------------------------------------
# include/quorvin/quorvin.h: the enumerations and the operations' declarations.

def c_arg(name):
    # The handle is "camera" in every function; setCurCamera's camera is a number.
    return "number" if name == "camera" else snake(name)


def c_params(op):
    params = ["quorvin_camera* camera"]
    if op.special == "getDeviceType":
        params += ["unsigned char* buffer", "size_t size"]
    elif op.special == "getPanTilt":
        params += ["double* pan", "double* tilt"]
    else:
        for kind, name, enum in op.args:
            params.append(f"{enum.c_name if enum else C_ARG[kind]} {c_arg(name)}")
        if op.result != "void":
            ctype = op.result_enum.c_name if op.result_enum else C_ARG[op.result]
            params.append(f"{ctype}* {op.out_name()}")
    return params


def header_part(enums, operations, groups):
    c = Names(enums, operations, "c")
    out = []
    for enum in enums.values():
        out += c_comment([c.convert(p) for p in doc_paragraphs(enum.doc)])
        out.append(f"typedef enum {enum.c_name} {{")
        for i, (cpp, value) in enumerate(enum.values):
            comma = "," if i + 1 < len(enum.values) else ""
            doc = c.convert(enum.value_docs.get(cpp, ""))
            out.append(f"    {enum.c_value(cpp)} = 0x{value:02X}{comma} ///< {doc}")
        out.append(f"}} {enum.c_name};")
        out.append("")
    group = None
    for op in operations:
        if op.group != group:
            if group is not None:
                out.append("///@}")
                out.append("")
            group = op.group
            out.append(f"/// @name {group}")
            out += c_comment([c.convert(p) for p in doc_paragraphs(groups[group])])
            out.append("///@{")
            out.append("")
        doc = [c.convert(p) for p in doc_paragraphs(op.method.doc)]
        first_param = next((i for i, p in enumerate(doc) if p.startswith(("@param", "@par"))),
                           len(doc))
        doc.insert(first_param, "@param camera the handle.")
        if op.special == "getPanTilt":
            doc.append("@param pan receives the pan position.")
            doc.append("@param tilt receives the tilt position.")
        described = {p.split()[1] for p in doc if p.startswith("@param")}
        at = doc.index("@param camera the handle.") + 1
        for kind, name, enum in op.args:
            if c_arg(name) in described:
                continue
            if kind == "bool":
                what = "nonzero for true, 0 for false."
            elif enum:
                what = f"one of #{enum.c_name}."
            elif name == "camera":
                what = "the camera's number on the chain."
            else:
                what = "the " + " ".join(w.lower() for w in words(name)) + "."
            doc.insert(at, f"@param {c_arg(name)} {what}")
            at += 1
        if op.special is None and op.result != "void":
            doc.insert(at, f"@param {op.out_name()} receives the result; left as it was on a "
                       "failure.")
        out += c_comment(doc)
        out.append(f"QUORVIN_C_API quorvin_status QUORVIN_CALL {op.c_name}({', '.join(c_params(op))});")
    out.append("///@}")
    out.append("")
    return "\n".join(out)


def write_header(path, enums, operations, groups):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    begin = text.index(HEADER_BEGIN) + len(HEADER_BEGIN)
    end = text.index(HEADER_END)
    return text[:begin] + "\n\n" + header_part(enums, operations, groups) + "\n" + text[end:]


# ---------------------------------------------------------------------------------------------
# capi/Operations.cpp: each function handing its call to the engine's Controller.

def glue(enums, operations):
    out = [
        "// Written by capi/generate.py from the operation table: edit the generator, not this.",
        "// Each function checks its pointers, calls the Controller of the handle's engine and",
        "// turns a failure into its status (capi/Call.h).",
        "",
        '#include "capi/Call.h"',
        '#include "quorvin/quorvin.h"',
        "",
        "using CameraDriver::Controller;",
        "using QuorvinC::answer;",
        "using QuorvinC::run;",
        "using QuorvinC::text;",
        "",
        "// The C enumerations carry the C++ values, which the camera's bytes are made from.",
    ]
    for enum in enums.values():
        for cpp, _ in enum.values:
            out.append(f"static_assert({enum.c_value(cpp)} == static_cast<int>(Controller::{cpp}));")
    out.append("")
    for op in operations:
        signature = (f"QUORVIN_C_API quorvin_status QUORVIN_CALL {op.c_name}("
                     f"{', '.join(c_params(op))})")
        if op.special == "getDeviceType":
            body = ("return run(camera, [&](Controller& c) { "
                    "c.getDeviceType(buffer, static_cast<unsigned long>(size)); }, buffer);")
        elif op.special == "getPanTilt":
            body = ("return run(camera, [&](Controller& c) { double p = 0, t = 0; "
                    "c.getPanTilt(p, t); *pan = p; *tilt = t; }, pan, tilt);")
        else:
            values = []
            pointers = []
            for kind, name, enum in op.args:
                arg = c_arg(name)
                if enum:
                    values.append(f"static_cast<Controller::{enum.name}>({arg})")
                elif kind == "bool":
                    values.append(f"{arg} != 0")
                elif kind == "text":
                    values.append(f"text({arg})")
                    pointers.append(arg)
                else:
                    values.append(arg)
            call = f"c.{op.name}({', '.join(values)})"
            extra = "".join(f", {p}" for p in pointers)
            if op.result == "void":
                body = f"return run(camera, [&](Controller& c) {{ {call}; }}{extra});"
            else:
                body = (f"return answer(camera, {op.out_name()}, "
                        f"[&](Controller& c) {{ return {call}; }}{extra});")
        out.append(f"{signature} {{")
        out.append(f"    {body}")
        out.append("}")
        out.append("")
    return "\n".join(out)


# ---------------------------------------------------------------------------------------------
# python/quorvin/_operations.py: the enumerations, the C functions' types and the methods.

def py_doc(paragraphs, indent):
    # A backslash of the reference ("failed !\\n") is shown, not taken as an escape.
    paragraphs = [p.replace("\\", "\\\\") for p in paragraphs]
    out = []
    width = 92 - len(indent)
    for i, paragraph in enumerate(paragraphs):
        if i:
            out.append("")
        out += textwrap.wrap(paragraph, width, break_on_hyphens=False, break_long_words=False)
    out = [(indent + line).rstrip() if line else "" for line in out]
    out[0] = out[0].lstrip()
    lines = [indent + '"""' + out[0]] + out[1:]
    if len(lines) == 1 and len(lines[0]) + 3 <= 99:
        return [lines[0] + '"""']
    return lines + [indent + '"""']


def py_method_doc(op, names, groups):
    paragraphs = []
    for paragraph in doc_paragraphs(op.method.doc):
        if paragraph.startswith("@param") and op.special:
            # The buffer and its size of the C++ call are the package's own business.
            continue
        paragraphs.append(names.convert(paragraph))
    if op.special == "getDeviceType":
        paragraphs.append("Returns the bytes before the end mark 0xFF.")
    elif op.special == "getPanTilt":
        paragraphs.append("Returns the tuple (pan, tilt).")
    group = " ".join(names.convert(p) for p in doc_paragraphs(groups[op.group]))
    paragraphs.append(f"{op.group}: {group}" if group else op.group + ".")
    return paragraphs


def py_result(op):
    if op.special == "getDeviceType":
        return "bytes"
    if op.special == "getPanTilt":
        return "Tuple[float, float]"
    if op.result == "void":
        return "None"
    if op.result_enum:
        return f"Union[{op.result_enum.name}, int]"
    return PY_ARG[op.result]


def python(enums, operations, groups):
    names = Names(enums, operations, "py")
    out = [
        "# Written by capi/generate.py from the operation table: edit the generator, not this.",
        '"""The camera operations of quorvin.Camera, each calling its function of the C library."""',
        "",
        "import ctypes",
        "import enum",
        "from typing import Tuple, Union",
    ]
    for enum in enums.values():
        out.append("")
        out.append("")
        out.append(f"class {enum.name}(enum.IntEnum):")
        out += py_doc([names.convert(p) for p in doc_paragraphs(enum.doc)], "    ")
        out.append("")
        for cpp, value in enum.values:
            out.append(f"    {enum.py_value(cpp)} = 0x{value:02X}")
            out += py_doc([names.convert(enum.value_docs.get(cpp, ""))], "    ")
    out.append("")
    out.append("")
    out.append("# Each C function with the types of its arguments after the handle.")
    out.append("FUNCTIONS = (")
    for op in operations:
        types = []
        if op.special == "getDeviceType":
            types = ["ctypes.c_char_p", "ctypes.c_size_t"]
        elif op.special == "getPanTilt":
            types = ["ctypes.POINTER(ctypes.c_double)"] * 2
        else:
            types = [CTYPES[kind] if not enum else "ctypes.c_int" for kind, _, enum in op.args]
            if op.result != "void":
                inner = "ctypes.c_int" if op.result_enum else CTYPES[op.result]
                types.append(f"ctypes.POINTER({inner})")
        out.append(f'    ("{op.c_name}", ({", ".join(types)}{"," if len(types) == 1 else ""})),')
    out.append(")")
    out.append("")
    out.append("# Each operation: its name in C++ (and on the command line), its method, and the")
    out.append("# kinds of its arguments.")
    out.append("TABLE = (")
    for op in operations:
        kinds = [enum.name if enum else kind for kind, _, enum in op.args]
        quoted = ", ".join(f'"{k}"' for k in kinds) + ("," if len(kinds) == 1 else "")
        out.append(f'    ("{op.name}", "{op.py_name}", ({quoted})),')
    out.append(")")
    out.append("")
    out.append("")
    out.append("class Operations:")
    out.append('    """The camera operations, each blocking until the camera has answered."""')
    out.append("")
    out.append("    _handle: ctypes.c_void_p")
    out.append("    _lib: ctypes.CDLL")
    out.append("")
    out.append("    def _failure(self, status: int) -> Exception:")
    out.append("        raise NotImplementedError")
    for op in operations:
        params = ["self"]
        for kind, name, enum in op.args:
            params.append(f"{snake(name)}: {enum.name if enum else PY_ARG[kind]}")
        out.append("")
        out.append(f"    def {op.py_name}({', '.join(params)}) -> {py_result(op)}:")
        out += py_doc(py_method_doc(op, names, groups), "        ")
        values = []
        for kind, name, enum in op.args:
            arg = snake(name)
            if kind == "text":
                values.append(f"{arg}.encode()")
            elif kind == "bool":
                values.append(f"1 if {arg} else 0")
            elif enum:
                values.append(f"int({arg})")
            else:
                values.append(arg)
        call = f"status = self._lib.{op.c_name}"
        fail = "        if status:\n            raise self._failure(status)"
        if op.special == "getDeviceType":
            out.append("        buffer = ctypes.create_string_buffer(16)")
            out.append(f"        {call}(self._handle, buffer, 16)")
            out.append(fail)
            out.append("        return buffer.raw.split(b\"\\xff\", 1)[0]")
        elif op.special == "getPanTilt":
            out.append("        pan, tilt = ctypes.c_double(), ctypes.c_double()")
            out.append(f"        {call}(self._handle, ctypes.byref(pan), ctypes.byref(tilt))")
            out.append(fail)
            out.append("        return pan.value, tilt.value")
        elif op.result == "void":
            out.append(f"        {call}({', '.join(['self._handle'] + values)})")
            out.append(fail)
        else:
            ctype = "ctypes.c_int" if op.result_enum else CTYPES[op.result]
            out.append(f"        result = {ctype}()")
            args = ", ".join(["self._handle"] + values + ["ctypes.byref(result)"])
            out.append(f"        {call}({args})")
            out.append(fail)
            if op.result_enum:
                # A camera may report a code that the enumeration does not list.
                out.append("        try:")
                out.append(f"            return {op.result_enum.name}(result.value)")
                out.append("        except ValueError:")
                out.append("            return result.value")
            elif op.result == "bool":
                out.append("        return result.value != 0")
            else:
                out.append("        return result.value")
    out.append("")
    return "\n".join(out)


# ---------------------------------------------------------------------------------------------

def clang_format(text, path, root):
    """The text as the repository's .clang-format lays out a file at `path`."""
    result = subprocess.run(["clang-format", f"--assume-filename={path}"], input=text,
                            capture_output=True, text=True, cwd=root, check=True)
    return result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--table", help="the table as quorvin-c-table prints it")
    source.add_argument("--table-program", help="the program quorvin-c-table, to run")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--check", action="store_true", help="compare, write nothing")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    if args.table_program:
        table = json.loads(subprocess.run([args.table_program], capture_output=True, text=True,
                                          check=True).stdout)
    else:
        with open(args.table, encoding="utf-8") as f:
            table = json.load(f)
    enums, operations, groups = load_model(table, os.path.join(root, "include/quorvin/Controller.h"))

    header = os.path.join(root, "include/quorvin/quorvin.h")
    source = os.path.join(root, "capi/Operations.cpp")
    package = os.path.join(root, "python/quorvin/_operations.py")
    files = {
        header: clang_format(write_header(header, enums, operations, groups), header, root),
        source: clang_format(glue(enums, operations), source, root),
        package: python(enums, operations, groups),
    }
    # Every function the header declares, hand-written or written here, is exported by name.
    functions = re.findall(r"QUORVIN_CALL\s+(quorvin_\w+)\(", files[header])
    definitions = os.path.join(root, "capi/quorvin-c.def")
    files[definitions] = ("; Written by capi/generate.py from include/quorvin/quorvin.h: the "
                          "functions that quorvin-c.dll\n; exports, by name (__cdecl, so "
                          "undecorated on both Windows targets).\nLIBRARY quorvin-c.dll\n"
                          "EXPORTS\n" + "".join(f"    {f}\n" for f in functions))
    stale = []
    for path, text in files.items():
        try:
            with open(path, encoding="utf-8") as f:
                current = f.read()
        except FileNotFoundError:
            current = None
        if current == text:
            continue
        stale.append(os.path.relpath(path, root))
        if not args.check:
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
    if args.check and stale:
        print("not what the operation table makes: " + ", ".join(stale) +
              "\nrun capi/generate.py (the build target quorvin-c-generate) and commit the result",
              file=sys.stderr)
        return 1
    for path in stale:
        print(f"wrote {path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
