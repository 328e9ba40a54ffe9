#!/usr/bin/python3
"""The Windows setup program as a user runs it, under Wine.

    installer_test.py SETUP_EXE WINE

Installs silently with the desktop shortcut asked for, checks the programs,
the Start-menu entry, the desktop shortcut and the Apps & features entry,
runs the installed sheetsplicer-cli.exe --help, starts the installed window
(on the display ctest runs under) to see it keep its settings in the user's
%APPDATA%, then uninstalls silently and checks that everything the setup put
there is gone.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sheetsplicer"
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print(f"FAIL: {what}")


def run(*command, timeout=300):
    return subprocess.run(list(command), capture_output=True, text=True, errors="replace",
                          timeout=timeout)


def unix_path(wine, windows_path):
    made = run(wine, "winepath", "-u", windows_path)
    return made.stdout.strip()


def wait_for_wine():
    # The uninstaller runs from a copy of itself and returns at once; the
    # prefix's server ends when every program in it has.
    run("wineserver", "-w")


def main():
    setup, wine = sys.argv[1], sys.argv[2]
    os.environ.setdefault("WINEDEBUG", "-all")
    programs = unix_path(wine, r"C:\Program Files\Sheetsplicer")
    start_menu = unix_path(wine, r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Sheetsplicer.lnk")
    desktop = unix_path(wine, r"C:\users\Public\Desktop\Sheetsplicer.lnk")
    check(programs and start_menu and desktop, "winepath gives the install locations")

    installed = run(wine, setup, "/S", "/DESKTOP")
    wait_for_wine()
    check(installed.returncode == 0, f"silent install exits 0 (got {installed.returncode})")
    for name in ("Sheetsplicer.exe", "sheetsplicer-cli.exe", "Uninstall.exe"):
        check(os.path.isfile(os.path.join(programs, name)), f"{name} installed")
    check(os.path.isfile(start_menu), "Start-menu entry made")
    check(os.path.isfile(desktop), "desktop shortcut made when asked")
    entry = run(wine, "reg", "query", KEY, "/v", "DisplayName")
    check(entry.returncode == 0 and "Sheetsplicer" in entry.stdout, "Apps & features entry written")
    uninstall = run(wine, "reg", "query", KEY, "/v", "QuietUninstallString")
    check("Uninstall.exe" in uninstall.stdout and "/S" in uninstall.stdout,
          "Apps & features has a silent uninstall")

    cli = os.path.join(programs, "sheetsplicer-cli.exe")
    helped = run(wine, cli, "--help", timeout=120)
    check(helped.returncode == 0, f"installed sheetsplicer-cli.exe --help exits 0 (got {helped.returncode})")
    check("classify" in helped.stdout + helped.stderr, "its help names the jobs")

    appdata = run(wine, "cmd", "/c", "echo %APPDATA%").stdout.strip()
    settings = os.path.join(unix_path(wine, appdata), "Sheetsplicer", "Sheetsplicer.wqz")
    if os.path.exists(settings):
        os.remove(settings)
    # A folder of its own for the one-copy rule: a window killed under Wine
    # leaves its lock behind, which the next one may take for a live copy.
    instances = tempfile.mkdtemp(prefix="sheetsplicer-installer-")
    environment = dict(os.environ, SHEETSPLICER_INSTANCE_DIR="Z:" + instances.replace("/", "\\"))
    window = subprocess.Popen([wine, os.path.join(programs, "Sheetsplicer.exe")], env=environment,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 60
    while not os.path.exists(settings) and time.time() < deadline and window.poll() is None:
        time.sleep(0.5)
    check(os.path.exists(settings), "the installed window keeps its settings in %APPDATA%\\Sheetsplicer")
    check(not os.path.exists(os.path.join(programs, "Sheetsplicer.wqz")),
          "and none beside itself in Program Files")
    window.kill()
    window.wait()
    run("wineserver", "-k")
    shutil.rmtree(instances, ignore_errors=True)

    removed = run(wine, os.path.join(programs, "Uninstall.exe"), "/S")
    wait_for_wine()
    check(removed.returncode == 0, f"silent uninstall exits 0 (got {removed.returncode})")
    check(not os.path.exists(programs), "the program folder is gone")
    check(not os.path.exists(start_menu), "the Start-menu entry is gone")
    check(not os.path.exists(desktop), "the desktop shortcut is gone")
    check(run(wine, "reg", "query", KEY).returncode != 0, "the Apps & features entry is gone")

    if FAILURES:
        sys.exit(f"{len(FAILURES)} check(s) failed")
    print("setup and uninstall: all checks passed")


if __name__ == "__main__":
    main()
