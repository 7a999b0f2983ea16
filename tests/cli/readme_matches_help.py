#!/usr/bin/env python3
"""The README's options and keys tables say what `fluxprobe --help` says, entry by entry and in
the same order (both are made from the option table; this catches a README not renewed).

usage: readme_matches_help.py FLUXPROBE README"""
import re
import subprocess
import sys


def plain(text):
    text = re.sub(r"\[([^\]]*)\]\(#[^)]*\)", r"\1", text)
    text = text.replace("`", "").replace("\\|", "|")
    return " ".join(text.split())


def help_section(help_text, title):
    """[(term, text, [(choice, text)])] of the block headed 'title:'."""
    lines = help_text.split("\n")
    start = lines.index(title + ":") + 1
    entries = []
    for line in lines[start:]:
        if not line.strip():
            break
        indent = len(line) - len(line.lstrip(" "))
        body = line.strip()
        parts = re.split(r"\s{2,}", body, maxsplit=1)
        if indent == 2:
            entries.append([parts[0], parts[1] if len(parts) > 1 else "", []])
        elif indent == 27:
            entries[-1][2].append([parts[0], parts[1] if len(parts) > 1 else ""])
        elif entries[-1][2] and indent == 47:
            entries[-1][2][-1][1] += " " + body
        elif indent == 25 and not entries[-1][2]:
            entries[-1][1] += " " + body
        else:
            sys.exit(f"--help: cannot place the line {line!r} under {title}")
    return [(plain(t), plain(x), [(plain(c), plain(d)) for c, d in ch]) for t, x, ch in entries]


def cells(row):
    return [c.strip() for c in re.split(r"(?<!\\)\|", row.strip())[1:-1]]


def readme_table(readme, name):
    match = re.search(f"<!-- BEGIN {name} -->\n(.*?)<!-- END {name} -->", readme, re.S)
    if not match:
        sys.exit(f"README: no generated {name} between its BEGIN and END lines")
    rows = [cells(r) for r in match.group(1).strip().split("\n")[2:]]
    entries = []
    for row in rows:
        term, meaning = row[0], row[1]
        if term == "`--help`":
            term = "`--help, -h`"
        parts = meaning.split("<br>")
        choices = [tuple(plain(x) for x in p.split(" \u2014 ", 1)) for p in parts[1:]]
        entries.append((plain(term), plain(parts[0]), choices))
    return entries


def compare(what, from_help, from_readme):
    for i, (h, r) in enumerate(zip(from_help, from_readme)):
        if h != r:
            sys.exit(f"README {what}, row {i + 1}: says\n  {r}\nwhere --help says\n  {h}")
    if len(from_help) != len(from_readme):
        sys.exit(f"README {what}: {len(from_readme)} rows, --help lists {len(from_help)}")


def main():
    program, readme_path = sys.argv[1:3]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True,
                               text=True).stdout
    readme = open(readme_path, encoding="utf-8").read()
    compare("options table", help_section(help_text, "Options"),
            readme_table(readme, "options table"))
    compare("keys table", help_section(help_text, "Keys"), readme_table(readme, "keys table"))
    print("the README's options and keys tables say what --help says")


if __name__ == "__main__":
    main()
