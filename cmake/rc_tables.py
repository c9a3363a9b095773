#!/usr/bin/env python3
"""Turns the dialogs and string tables of a Windows resource script into C++ tables, so the
Linux application shows the same captions, texts and layout as the Windows one from the same
source. Reads only what the script uses: LANGUAGE, DIALOGEX with CAPTION and FONT, control
lines (PUSHBUTTON, DEFPUSHBUTTON, LTEXT, ICON) and STRINGTABLE blocks. Symbolic IDs are
resolved through the #defines of the given header.

Usage: rc_tables.py RESOURCE_SCRIPT RESOURCE_HEADER OUTPUT
"""

import re
import sys

CONTROL_KEYWORDS = {"PUSHBUTTON", "DEFPUSHBUTTON", "LTEXT", "CTEXT", "RTEXT", "ICON"}
WELL_KNOWN_IDS = {"IDOK": 1, "IDCANCEL": 2, "IDC_STATIC": -1}
LANGUAGES = {
    ("LANG_NEUTRAL", "SUBLANG_NEUTRAL"): "Neutral",
    ("LANG_ENGLISH", "SUBLANG_ENGLISH_US"): "English",
    ("LANG_CHINESE", "SUBLANG_CHINESE_SIMPLIFIED"): "ChineseSimplified",
}
TOKEN = re.compile(r'\s*(?:"((?:[^"]|"")*)"|([A-Za-z_][A-Za-z0-9_]*)|(-?(?:0x[0-9A-Fa-f]+|\d+))'
                   r'|(,)|(\|))')


class ScriptError(Exception):
    pass


def tokens(text, where):
    """Splits a line into ('str', value), ('name', value), ('num', value) and ',' / '|'."""
    out = []
    position = 0
    text = text.rstrip()
    while position < len(text):
        match = TOKEN.match(text, position)
        if not match:
            raise ScriptError(f"{where}: cannot read {text[position:]!r}")
        string, name, number, comma, bar = match.groups()
        if string is not None:
            out.append(("str", string.replace('""', '"')))
        elif name is not None:
            out.append(("name", name))
        elif number is not None:
            out.append(("num", int(number, 0)))
        elif comma:
            out.append((",", ","))
        else:
            out.append(("|", "|"))
        position = match.end()
    return out


def split_fields(toks):
    fields = [[]]
    for kind, value in toks:
        if kind == ",":
            fields.append([])
        else:
            fields[-1].append((kind, value))
    return fields


def read_defines(path):
    defines = dict(WELL_KNOWN_IDS)
    with open(path, encoding="utf-8") as header:
        for line in header:
            match = re.match(r"\s*#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\b", line)
            if match:
                defines[match.group(1)] = int(match.group(2), 0)
    return defines


def number(field, defines, where):
    if len(field) != 1:
        raise ScriptError(f"{where}: expected one number, got {field}")
    kind, value = field[0]
    if kind == "num":
        return value
    if kind == "name" and value in defines:
        return defines[value]
    raise ScriptError(f"{where}: unknown ID {value}")


def text_expression(field, where):
    """A caption as a C++ expression: string literals and macros, concatenated as in C."""
    parts = []
    for kind, value in field:
        if kind == "str":
            parts.append(cpp_literal(value))
        elif kind == "name":
            parts.append(value)
        else:
            raise ScriptError(f"{where}: unexpected {value!r} in a text")
    if not parts:
        raise ScriptError(f"{where}: missing text")
    return " ".join(parts)


def cpp_literal(value):
    escaped = value.replace("\\", "\\\\").replace('"', '\\"')
    return f'"{escaped}"'


def strip_comment(line):
    in_string = False
    for i, ch in enumerate(line):
        if ch == '"':
            in_string = not in_string
        elif not in_string and line.startswith("//", i):
            return line[:i]
    return line


def parse(script_path, defines):
    language = "Neutral"
    dialogs = []
    strings = []
    block = None  # ("dialog", dict) or ("strings", None) while inside BEGIN ... END
    pending = None
    depth = 0
    with open(script_path, encoding="utf-8") as script:
        for number_, raw in enumerate(script, 1):
            where = f"{script_path}:{number_}"
            line = strip_comment(raw).strip()
            if not line or line.startswith("#"):
                continue
            toks = tokens(line, where)
            head = toks[0][1] if toks[0][0] == "name" else None
            if depth > 0:
                if head == "BEGIN":
                    depth += 1
                elif head == "END":
                    depth -= 1
                    if depth == 0:
                        block = None
                elif depth == 1 and block and block[0] == "dialog" and head in CONTROL_KEYWORDS:
                    fields = split_fields(toks[1:])
                    if len(fields) < 6:
                        raise ScriptError(f"{where}: a control needs text, ID and position")
                    x, y, cx, cy = (number(f, defines, where) for f in fields[2:6])
                    block[1]["controls"].append({
                        "kind": head,
                        "text": ("nullptr" if head == "ICON"
                                 else text_expression(fields[0], where)),
                        "id": number(fields[1], defines, where),
                        "rect": (x, y, cx, cy),
                    })
                elif depth == 1 and block and block[0] == "strings":
                    fields = split_fields(toks)
                    strings.append({"language": language,
                                    "id": number(fields[0][:1], defines, where),
                                    "text": text_expression(fields[0][1:], where)})
                continue
            if head == "LANGUAGE":
                fields = split_fields(toks[1:])
                key = (fields[0][0][1], fields[1][0][1])
                if key not in LANGUAGES:
                    raise ScriptError(f"{where}: unknown language {key}")
                language = LANGUAGES[key]
            elif len(toks) > 1 and toks[1] == ("name", "DIALOGEX"):
                fields = split_fields(toks[2:])
                pending = {"language": language,
                           "id": number(toks[:1], defines, where),
                           "size": (number(fields[2], defines, where),
                                    number(fields[3], defines, where)),
                           "caption": '""', "font": 8, "controls": []}
                dialogs.append(pending)
            elif head == "CAPTION" and pending is not None:
                pending["caption"] = text_expression(toks[1:], where)
            elif head == "FONT" and pending is not None:
                pending["font"] = number(split_fields(toks[1:])[0], defines, where)
            elif head == "STRINGTABLE":
                pending = None
                block = ("strings", None)
            elif head == "BEGIN":
                depth = 1
                if block is None and pending is not None:
                    block = ("dialog", pending)
                elif block is None:
                    block = ("other", None)
            else:
                pending = None if head not in ("STYLE", "EXSTYLE") else pending
    return dialogs, strings


def emit(dialogs, strings, script_name):
    out = [f"// Generated from {script_name} by cmake/rc_tables.py; do not edit.",
           "// Included by resource_texts.cpp inside namespace norvessa::ui.", ""]
    for index, dialog in enumerate(dialogs):
        out.append(f"constexpr ControlTemplate kDialog{index}Controls[] = {{")
        for control in dialog["controls"]:
            x, y, cx, cy = control["rect"]
            out.append(f"    {{{control['id']}, ControlKind::{control['kind'].title()}, "
                       f"{control['text']}, {{{x}, {y}, {cx}, {cy}}}}},")
        if not dialog["controls"]:
            out.append("    {0, ControlKind::Ltext, nullptr, {0, 0, 0, 0}},")
        out.append("};")
    out.append("")
    out.append("constexpr DialogTemplate kDialogs[] = {")
    for index, dialog in enumerate(dialogs):
        count = len(dialog["controls"])
        out.append(f"    {{UiLanguage::{dialog['language']}, {dialog['id']}, {dialog['caption']}, "
                   f"{dialog['size'][0]}, {dialog['size'][1]}, {dialog['font']}, "
                   f"std::span<const ControlTemplate>(kDialog{index}Controls, {count})}},")
    out.append("};")
    out.append("")
    out.append("constexpr StringEntry kStrings[] = {")
    for entry in strings:
        out.append(f"    {{UiLanguage::{entry['language']}, {entry['id']}, {entry['text']}}},")
    out.append("};")
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    script_path, header_path, output_path = sys.argv[1:]
    try:
        dialogs, strings = parse(script_path, read_defines(header_path))
    except ScriptError as error:
        sys.exit(f"rc_tables.py: {error}")
    text = emit(dialogs, strings, script_path.rsplit("/", 1)[-1])
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(text)


if __name__ == "__main__":
    main()
