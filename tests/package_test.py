#!/usr/bin/python3
"""The Debian package as a user gets it.

    package_test.py CPACK_CONFIG CPACK

Builds the .deb into a temporary folder, unpacks it, and checks that the
manual pages render and document every command and option the packaged
sheetsplicer-cli names in its --help, that the copyright file and the
changelog are where Debian wants them, and that lintian finds no error.
"""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

PACKAGE = "sheetsplicer"
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print(f"FAIL: {what}")


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def build_package(cpack, config, folder):
    made = run([cpack, "-G", "DEB", "--config", config, "-B", folder])
    debs = [name for name in os.listdir(folder) if name.endswith(".deb")]
    if made.returncode != 0 or len(debs) != 1:
        sys.exit(f"cpack made no package:\n{made.stdout}\n{made.stderr}")
    return os.path.join(folder, debs[0])


def rendered_page(path):
    """The page as man shows it, with plain hyphens; its warnings."""
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="100", MANPAGER="cat")
    env.pop("MAN_KEEP_FORMATTING", None)
    shown = run(["man", "--warnings", "-l", path], env=env)
    text = re.sub(r".\x08", "", shown.stdout)
    text = re.sub(r"\x1b\[[0-9;]*m", "", text)
    return text.translate({0x2010: "-", 0x2011: "-", 0x2212: "-"}), shown.returncode, shown.stderr


def help_entries(cli):
    """The commands of the usage line and every option --help lists."""
    shown = run([cli, "--help"])
    check(shown.returncode == 0, "sheetsplicer-cli --help exits 0")
    usage = re.search(r"Usage: sheetsplicer-cli (\S+)", shown.stdout)
    commands = usage.group(1).split("|") if usage else []
    options = re.findall(r"^\s+(--[a-z-]+)", shown.stdout, re.MULTILINE)
    check(commands and options, f"--help names commands and options:\n{shown.stdout}")
    return commands, options


def check_manual_pages(root):
    man1 = os.path.join(root, "usr/share/man/man1")
    page, status, warnings = rendered_page(os.path.join(man1, "sheetsplicer-cli.1.gz"))
    check(status == 0 and not warnings.strip(), f"sheetsplicer-cli(1) renders without warnings: {warnings}")
    for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "COMMANDS", "OPTIONS", "EXIT STATUS", "EXAMPLES",
                    "SEE ALSO"):
        check(re.search(rf"^{section}$", page, re.MULTILINE), f"sheetsplicer-cli(1) has a {section} section")
    commands, options = help_entries(os.path.join(root, "usr/bin/sheetsplicer-cli"))
    for entry in commands + options:
        check(re.search(rf"(?<![\w-]){re.escape(entry)}(?![\w-])", page),
              f"sheetsplicer-cli(1) mentions {entry}, which --help lists")

    # Every program in /usr/bin has its page.
    for program in os.listdir(os.path.join(root, "usr/bin")):
        page, status, warnings = rendered_page(os.path.join(man1, program + ".1.gz"))
        check(status == 0 and not warnings.strip() and program in page, f"{program}(1) renders: {warnings}")


def gzip_is_reproducible(path):
    # gzip -n: no file name and no time stamp in the header.
    with open(path, "rb") as packed:
        header = packed.read(8)
    return header[:2] == b"\x1f\x8b" and not header[3] & 0x08 and header[4:8] == b"\0\0\0\0"


def check_documents(root, version):
    docs = os.path.join(root, "usr/share/doc", PACKAGE)
    with open(os.path.join(docs, "copyright"), encoding="utf-8") as copyright_file:
        copyright_text = copyright_file.read()
    check(copyright_text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"),
          "copyright is machine-readable")
    check("Copyright: 2026 Sheetsplicer authors" in copyright_text, "copyright names the authors")

    changelog = os.path.join(docs, "changelog.gz")
    check(gzip_is_reproducible(changelog), "changelog.gz carries no name or time stamp")
    with gzip.open(changelog, "rt", encoding="utf-8") as text:
        first = text.readline()
    check(first.startswith(f"{PACKAGE} ({version}) "), f"the changelog starts at the package's version: {first}")
    for page in os.listdir(os.path.join(root, "usr/share/man/man1")):
        check(gzip_is_reproducible(os.path.join(root, "usr/share/man/man1", page)),
              f"{page} carries no name or time stamp")


def check_lintian(deb):
    if not shutil.which("lintian"):
        print("lintian is not installed: its check is skipped")
        return
    report = run(["lintian", deb])
    print(report.stdout + report.stderr)
    errors = [line for line in report.stdout.splitlines() if line.startswith("E:")]
    check(not errors, "lintian reports no error:\n" + "\n".join(errors))


def main():
    config, cpack = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="sheetsplicer-package-") as folder:
        deb = build_package(cpack, config, folder)
        root = os.path.join(folder, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        version = run(["dpkg-deb", "-f", deb, "Version"]).stdout.strip()
        check_manual_pages(root)
        check_documents(root, version)
        check_lintian(deb)
    if FAILURES:
        sys.exit(f"{len(FAILURES)} check(s) failed")
    print("package checks passed")


if __name__ == "__main__":
    main()
