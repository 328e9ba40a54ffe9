#!/usr/bin/python3
"""Writes the Debian changelog of the package from CHANGELOG.md.

    debian_changelog.py CHANGELOG.md PACKAGE VERSION "NAME <ADDRESS>" OUTPUT

CHANGELOG.md stays the one place the history is written: each version is a
"## VERSION (YYYY-MM-DD)" heading with one "- " item per change, an item
going on over indented lines. The newest version must be VERSION, so a
package is never built with a changelog that does not know it.
"""

import datetime
import email.utils
import re
import sys
import textwrap

HEADING = re.compile(r"^## (\S+) \((\d{4})-(\d{2})-(\d{2})\)\s*$")


def read_versions(path):
    versions = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = line.rstrip("\n")
            heading = HEADING.match(line)
            if heading:
                year, month, day = (int(field) for field in heading.groups()[1:])
                versions.append((heading.group(1), datetime.date(year, month, day), []))
            elif line.startswith("## "):
                sys.exit(f"{path}:{number}: a version heading is '## VERSION (YYYY-MM-DD)'")
            elif not versions or not line.strip():
                continue
            elif line.startswith("- "):
                versions[-1][2].append(line[2:].strip())
            elif line.startswith("  ") and versions[-1][2]:
                versions[-1][2][-1] += " " + line.strip()
            else:
                sys.exit(f"{path}:{number}: under a version, only '- ' items and their indented lines")
    return versions


def plain(text):
    # Markdown's code marks and emphasis mean nothing in a plain-text changelog.
    return re.sub(r"\*\*|`", "", text)


def debian_changelog(versions, package, maintainer):
    entries = []
    for version, date, items in versions:
        lines = [f"{package} ({version}) unstable; urgency=medium", ""]
        for item in items:
            lines += textwrap.wrap(plain(item), width=78, initial_indent="  * ", subsequent_indent="    ",
                                   break_long_words=False, break_on_hyphens=False)
        moment = datetime.datetime(date.year, date.month, date.day, tzinfo=datetime.timezone.utc)
        lines += ["", f" -- {maintainer}  {email.utils.format_datetime(moment)}"]
        entries.append("\n".join(lines) + "\n")
    return "\n".join(entries)


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    source, package, version, maintainer, output = sys.argv[1:]
    versions = read_versions(source)
    if not versions or versions[0][0] != version:
        sys.exit(f"{source}: the newest version must be {version}, the version being packaged")
    if any(not items for _, _, items in versions):
        sys.exit(f"{source}: every version lists at least one change")
    with open(output, "w", encoding="utf-8") as target:
        target.write(debian_changelog(versions, package, maintainer))


if __name__ == "__main__":
    main()
