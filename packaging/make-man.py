#!/usr/bin/env python3
"""Writes the manual page fluxprobe.1.gz from what `fluxprobe --help` prints, so the page never
drifts from the program.

    make-man.py PROGRAM VERSION DATE OUTPUT

The help text is read as: a "usage:" block (the synopsis), free paragraphs (the description),
blocks headed "Something:" on a line of their own (a section each; entries are a term, two or
more spaces and its text, with continuation lines at the text's column and deeper-indented
lines forming a nested list), and a paragraph starting "Exit status:"."""
import gzip
import re
import subprocess
import sys

ENTRY = re.compile(r"^(\S.*?)\s{2,}(\S.*)$")
HEADING = re.compile(r"^([A-Z][A-Za-z ]*):$")

FILES = r""".SH FILES
.TP
.I ../share/fluxprobe/
beside the program's folder, so
.I /usr/share/fluxprobe/
for
.IR /usr/bin/fluxprobe :
the alarm sound
.IR beep.wav ,
the interface files
.RI ( ui/ ,
a starting point for
.BR \-\-ui\-dir )
and the other data the program reads while it runs.
.TP
.I /usr/share/doc/fluxprobe/copyright
the licences of fluxprobe and of what it links.
.SH COPYRIGHT
fluxprobe is free software under the GNU General Public License, version 3 or (at your option)
any later version (SPDX: \%GPL\-3.0\-or\-later); see
.IR /usr/share/common\-licenses/GPL\-3 .
There is NO WARRANTY, to the extent permitted by law.
"""


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def term(text):
    """An option or variable in bold; the value an option takes in italics."""
    if text.startswith("-") and "=" in text and "," not in text:
        name, value = text.split("=", 1)
        return f"\\fB{escape(name)}\\fR=\\fI{escape(value)}\\fR"
    return f"\\fB{escape(text)}\\fR"


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


def definitions(lines):
    """roff for an indented definition list; deeper lines under an entry nest."""
    out = []
    base = indent_of(lines[0])
    # An entry whose term fills its column up to one space still has its text at the column
    # the other entries use.
    columns = [base + m.start(2) for m in
               (ENTRY.match(l.strip()) for l in lines if indent_of(l) == base) if m]
    shared = max(set(columns), key=columns.count) if columns else None
    i = 0
    while i < len(lines):
        line = lines[i]
        if indent_of(line) != base:
            raise ValueError(f"cannot place help line {line!r}")
        match = ENTRY.match(line.strip())
        if match:
            name, text = match.group(1), match.group(2)
            column = base + match.start(2)
        elif (shared and len(line) > shared and line[shared - 1] == " " and line[shared] != " "
              and " " not in line[:shared].strip()):
            name, text, column = line[:shared].strip(), line[shared:], shared
        else:
            name, text, column = line.strip(), "", None
        out += [".TP", term(name)]
        if text:
            out.append(escape(text))
        i += 1
        while i < len(lines) and indent_of(lines[i]) > base:
            if column is None:
                column = indent_of(lines[i])
            if indent_of(lines[i]) <= column:
                out.append(escape(lines[i].strip()))
                i += 1
                continue
            nested = []
            while i < len(lines) and indent_of(lines[i]) > column:
                nested.append(lines[i])
                i += 1
            out += [".RS"] + definitions(nested) + [".RE"]
    return out


def page(help_text, version, date):
    blocks = [b.split("\n") for b in re.split(r"\n\s*\n", help_text.strip("\n"))]
    synopsis, description, sections = "", [], []
    for block in blocks:
        first = block[0]
        heading = HEADING.match(first)
        if first.startswith("usage:"):
            # Each form of the command starts a line of its own with the program's name.
            forms = []
            for line in [block[0][len("usage:"):]] + block[1:]:
                words = line.split()
                if words and words[0] == "fluxprobe":
                    forms.append(words)
                elif forms:
                    forms[-1] += words
            synopsis = "\n.br\n".join(".B " + escape(f[0]) + "\n" + escape(" ".join(f[1:]))
                                      for f in forms)
        elif heading:
            title = heading.group(1).upper()
            body = block[1:]
            if title == "EXAMPLES":
                lines = [".PP", ".RS 4", ".nf"] + [escape(l.strip()) for l in body] + [".fi", ".RE"]
            else:
                lines = definitions(body)
            sections.append((title, lines))
        elif first.startswith("Exit status:"):
            text = " ".join(l.strip() for l in block)[len("Exit status:"):].strip()
            sections.append(("EXIT STATUS", [escape(text)]))
        else:
            description += [".PP", escape(" ".join(l.strip() for l in block))]
    out = [
        f'.TH FLUXPROBE 1 "{date}" "fluxprobe {version}" "User Commands"',
        ".SH NAME",
        "fluxprobe \\- magnetic field meter and compass",
        ".SH SYNOPSIS",
        synopsis,
        ".SH DESCRIPTION",
    ] + description
    for title, lines in sections:
        out += [f".SH {title}"] + lines
    return "\n".join(out) + "\n" + FILES


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.split("\n\n")[1])
    program, version, date, output = sys.argv[1:]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True,
                               text=True).stdout
    if not help_text.startswith("usage:"):
        sys.exit(f"{program} --help did not start with 'usage:'")
    roff = page(help_text, version, date).encode()
    with open(output, "wb") as raw:
        # No name and no time stamp in the header: the same help makes the same bytes.
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as z:
            z.write(roff)


if __name__ == "__main__":
    main()
