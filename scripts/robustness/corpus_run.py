#!/usr/bin/python3
"""Runs one classify job per workbook of a folder through sheetsplicer-cli and
tells how each one ended.

    corpus_run.py --cli PATH [--limit S] [--reload-limit S] [--log FILE]
                  [--shard I/N] [--skip-logged LOG] [FOLDER]
    corpus_run.py --summarize LOG...

For every file: `timeout --kill-after=10 LIMIT sheetsplicer-cli classify FILE
OUTDIR --column 1`, then the last line it printed, its exit, the offices it
left running (killed afterwards, so the next file starts clean), what it left
in its output folder, and whether the result it saved loads again in
LibreOffice. A line is printed for every file that did not end cleanly with
one of the job's defined texts; a table follows at the end.
"""
import argparse
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter

import kept as round_trip

SUCCESS_TEXTS = ("成功生成汇总分类表!", "成功生成分类汇总表!")
FAILURE_TEXTS = (
    "本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!",
    "文件格式不正确,或文件不存在!",
    "文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!",
    "可编辑区域无效,请按A1:C20的格式填写!",
    "保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!",
    "表格程序意外退出,本次未生成文件,请重试!",
    "可编辑区域不能包含匹配列或分类列,请重新填写!",
    "保存文件夹不能是原工作簿所在的文件夹,否则会覆盖原工作簿,请另选文件夹!",
    "汇总表受工作表保护,请先撤销保护后再拆分!",
    "工作簿结构受保护,请先撤销保护后再拆分!",
    "原工作簿中已有名为“目录”的工作表,请先将其改名后再拆分!",
    "无法把原工作簿的其他工作表排在分类表之前,本次未生成文件!",
)
REFUSAL_PREFIX = "无法进行拆分!!!"
# Texts that name a cell, a sheet or the source file: counted by their fixed beginning.
NAMING_PREFIXES = ("分类列中有合并单元格", "无法生成分类表“", "分类列中有公式", "分类列为第",
                   "找不到汇总表文件“", "文件“", "汇总表文件“")
SOURCE_REFUSED = FAILURE_TEXTS[1]
WORKBOOK_ENDINGS = (".xls", ".xlsx", ".xlsm")
OFFICE = "/usr/lib/libreoffice/program/soffice"
PR_SET_CHILD_SUBREAPER = 36


def defined_text(text):
    """The text as counted in the table, or None when the job may not end with it."""
    if text in SUCCESS_TEXTS or text in FAILURE_TEXTS:
        return text
    if text.startswith(REFUSAL_PREFIX):
        return REFUSAL_PREFIX + "..."
    for prefix in NAMING_PREFIXES:
        if text.startswith(prefix):
            return prefix + "..."
    return None


def become_subreaper():
    """Offices a job leaves behind are re-parented to us, so they can be
    told apart from other people's."""
    libc = ctypes.CDLL(None, use_errno=True)
    return libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0


def process_table():
    """pid -> (name, parent pid) of every process."""
    table = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry, "rb") as f:
                line = f.read().decode("utf-8", "replace")
        except OSError:
            continue
        name = line[line.index("(") + 1:line.rindex(")")]
        fields = line[line.rindex(")") + 2:].split()
        table[int(entry)] = (name, int(fields[1]), fields[0])
    return table


def our_offices(everything=False):
    """Running soffice.bin processes below this one (zombies do not count);
    with `everything`, every process below this one."""
    table = process_table()
    me = os.getpid()
    found = []
    for pid, (name, _, state) in table.items():
        if (name != "soffice.bin" and not everything) or state in ("Z", "X") or pid == me:
            continue
        parent = pid
        for _ in range(64):
            parent = table.get(parent, ("", 0, ""))[1]
            if parent in (0, 1) or parent == me:
                break
        if parent == me:
            found.append(pid)
    return found


def reap():
    """Collects the exit of re-parented orphans."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def kill_offices(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    deadline = time.time() + 10
    while time.time() < deadline and our_offices():
        reap()
        time.sleep(0.1)
    reap()


def exit_signal(code):
    """The signal that ended the command (through timeout), or 0."""
    if code < 0:
        return -code
    if code > 128:
        return code - 128
    return 0


def reload_result(path, profile, limit):
    """True when LibreOffice opens the saved file again (converted to csv)."""
    with tempfile.TemporaryDirectory(prefix="sheetsplicer-robust-reload-") as out:
        command = ["timeout", "--kill-after=10", str(limit), OFFICE, "--headless", "--norestore",
                   "--nolockcheck", "-env:UserInstallation=file://" + profile,
                   "--convert-to", "csv", "--outdir", out, path]
        # The office's pipe and scratch files go with the folder.
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, env=dict(os.environ, TMPDIR=out))
        kill_offices(our_offices())
        return any(name.endswith(".csv") for name in os.listdir(out))


def run_one(cli, path, limit, job_tmp):
    """One job; returns a dict describing how it ended."""
    out = tempfile.mkdtemp(prefix="out-", dir=job_tmp)
    env = dict(os.environ, TMPDIR=job_tmp, QT_QPA_PLATFORM="offscreen")
    command = ["timeout", "--kill-after=10", str(limit), cli, "classify", path, out, "--column", "1"]
    started = time.time()
    proc = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          stdin=subprocess.DEVNULL, env=env)
    elapsed = time.time() - started
    lines = [l for l in proc.stdout.decode("utf-8", "replace").splitlines() if l.strip()]
    time.sleep(1)  # an office on its way out is not one left behind
    reap()
    left = our_offices()
    kill_offices(left)
    profiles = [n for n in os.listdir(job_tmp) if n.startswith("sheetsplicer-office-")]
    for name in profiles:
        shutil.rmtree(os.path.join(job_tmp, name), ignore_errors=True)
    code = proc.returncode
    sig = exit_signal(code)
    timed_out = code == 124 or (sig == signal.SIGKILL and elapsed >= limit)
    return {
        "path": path, "out": out, "code": code, "elapsed": elapsed,
        "last": lines[-1] if lines else "",
        "stderr": proc.stderr.decode("utf-8", "replace").strip().splitlines()[-1:] ,
        "timed_out": timed_out, "crash": sig if sig and not timed_out else 0,
        "offices_left": len(left), "profiles_left": len(profiles),
        "entries": sorted(os.listdir(out)),
    }


def judge(result):
    """Problem descriptions for one job (empty when it ended cleanly)."""
    problems = []
    last = result["last"]
    text = defined_text(last)
    name = os.path.basename(result["path"])
    if result["timed_out"]:
        problems.append("time-out after %.0f s (last text: %s)" % (result["elapsed"], last or "none"))
    elif result["crash"]:
        problems.append("crash: signal %d after %.0f s (last text: %s; stderr: %s)"
                        % (result["crash"], result["elapsed"], last or "none", " ".join(result["stderr"])))
    elif text is None:
        problems.append("undefined last text %r (exit %d)" % (last, result["code"]))
    elif (result["code"] == 0) != (last in SUCCESS_TEXTS):
        problems.append("exit %d after %r" % (result["code"], last))
    if text is not None and not name.lower().endswith(WORKBOOK_ENDINGS) and last != SOURCE_REFUSED:
        problems.append("not a workbook type, yet ended with %r" % last)
    if result["offices_left"]:
        problems.append("%d office(s) left running" % result["offices_left"])
    if result["profiles_left"]:
        problems.append("%d office profile folder(s) left" % result["profiles_left"])
    expected = []
    if last in SUCCESS_TEXTS:
        base, ending = os.path.splitext(name)
        expected = [base + ending.lower()]
        if result["entries"] != expected:
            problems.append("output folder holds %s, expected %s" % (result["entries"], expected))
    elif result["entries"]:
        problems.append("left in the output folder after %r: %s" % (last, result["entries"]))
    return problems


def record_of(result, problems, saved, reloaded, kept=""):
    """What the table needs of one job; also one line of the log."""
    return {"name": os.path.basename(result["path"]), "elapsed": "%.1f" % result["elapsed"],
            "code": str(result["code"]), "last": result["last"],
            "timed_out": "1" if result["timed_out"] else "0", "crash": str(result["crash"]),
            "offices_left": str(result["offices_left"]), "profiles_left": str(result["profiles_left"]),
            "saved": str(saved), "reloaded": str(reloaded),
            "entries": ",".join(result["entries"]), "problems": " | ".join(problems), "kept": kept}


LOG_FIELDS = ("name", "elapsed", "code", "last", "timed_out", "crash", "offices_left", "profiles_left",
              "saved", "reloaded", "entries", "problems", "kept")


def read_log(path):
    records = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) == len(LOG_FIELDS) - 1:
                fields.append("")  # logged before the round trip was looked at
            if len(fields) == len(LOG_FIELDS):
                records.append(dict(zip(LOG_FIELDS, fields)))
    return records


def print_table(records, out):
    counts = Counter()
    for r in records:
        if r["timed_out"] == "1":
            counts["time-outs"] += 1
        elif r["crash"] != "0":
            counts["crashes"] += 1
        else:
            counts[defined_text(r["last"]) or "undefined: " + r["last"]] += 1
    total = lambda key: sum(int(r[key]) for r in records)
    rows = [("files", len(records)),
            ("successes", sum(counts[t] for t in SUCCESS_TEXTS))]
    rows += [("  " + t, counts[t]) for t in SUCCESS_TEXTS if counts[t]]
    for t in FAILURE_TEXTS + tuple(p + "..." for p in (REFUSAL_PREFIX,) + NAMING_PREFIXES):
        rows.append((t, counts[t]))
    for key in sorted(k for k in counts if k.startswith("undefined: ")):
        rows.append((key, counts[key]))
    rows += [("crashes", counts["crashes"]),
             ("time-outs", counts["time-outs"]),
             ("offices left running", total("offices_left")),
             ("office profiles left", total("profiles_left")),
             ("results saved", total("saved")),
             ("results that load again", total("reloaded"))]
    for what in ("fonts", "panes", "macros"):
        answers = [round_trip.decode(r["kept"])[what] for r in records]
        rows.append(("results keeping their sources' %s" % what,
                     "%d of %d" % (answers.count("1"), answers.count("1") + answers.count("0"))))
    width = max(len(k) for k, _ in rows)
    print("", file=out)
    for key, value in rows:
        print("%-*s  %s" % (width, key, value), file=out)


def default_folder():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.path.normpath(os.path.join(root, "..", "shared", "corpus", "realworld"))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", nargs="?", default=None)
    parser.add_argument("--cli", default="")
    parser.add_argument("--limit", type=int, default=180, help="seconds per job (default 180)")
    parser.add_argument("--reload-limit", type=int, default=120, help="seconds per reload (default 120)")
    parser.add_argument("--log", help="also write one tab-separated line per file here")
    parser.add_argument("--keep", action="store_true", help="keep the output folders")
    parser.add_argument("--shard", default="0/1", help="I/N: only every N-th file, starting at the I-th")
    parser.add_argument("--reverse", action="store_true", help="last file first")
    parser.add_argument("--skip-logged", action="append", default=[], metavar="LOG",
                        help="leave out the files a former run logged")
    parser.add_argument("--summarize", nargs="+", metavar="LOG",
                        help="run nothing: the problem lines and the table of former runs' logs")
    args = parser.parse_args()

    if args.summarize:
        # A file logged twice (runs that met) counts once, as first logged.
        records, seen = [], set()
        for r in (r for log in args.summarize for r in read_log(log)):
            if r["name"] not in seen:
                seen.add(r["name"])
                records.append(r)
        for r in records:
            for problem in filter(None, r["problems"].split(" | ")):
                print("%s: %s" % (r["name"], problem))
        print_table(records, sys.stdout)
        return 1 if any(r["problems"] for r in records) else 0

    folder = args.folder or default_folder()
    if not os.path.isdir(folder):
        print("no such folder: %s" % folder, file=sys.stderr)
        return 2
    if not os.access(args.cli, os.X_OK):
        print("not a program: %s" % args.cli, file=sys.stderr)
        return 2
    if not become_subreaper():
        print("warning: offices left behind may be miscounted", file=sys.stderr)

    shard, shards = (int(x) for x in args.shard.split("/"))
    done = {r["name"] for log in args.skip_logged for r in read_log(log)}
    files = sorted(n for n in os.listdir(folder) if os.path.isfile(os.path.join(folder, n)))
    files = [n for i, n in enumerate(files) if i % shards == shard and n not in done]
    if args.reverse:
        files.reverse()
    job_tmp = tempfile.mkdtemp(prefix="sheetsplicer-robust-")
    profile = tempfile.mkdtemp(prefix="sheetsplicer-robust-profile-")
    log = open(args.log, "w", encoding="utf-8") if args.log else None
    records = []
    try:
        for i, name in enumerate(files, 1):
            path = os.path.join(folder, name)
            result = run_one(os.path.abspath(args.cli), path, args.limit, job_tmp)
            problems = judge(result)
            saved = reloaded = 0
            kept = ""
            if result["last"] in SUCCESS_TEXTS:
                for entry in result["entries"]:
                    saved += 1
                    kept = round_trip.encode(round_trip.kept(path, os.path.join(result["out"], entry)))
                    if reload_result(os.path.join(result["out"], entry), profile, args.reload_limit):
                        reloaded += 1
                    else:
                        problems.append("saved result %s does not load again" % entry)
            record = record_of(result, problems, saved, reloaded, kept)
            records.append(record)
            print("[%d/%d] %.0fs %s: %s" % (i, len(files), result["elapsed"], name, result["last"]),
                  file=sys.stderr, flush=True)
            for problem in problems:
                print("%s: %s" % (name, problem), flush=True)
            if log:
                print("\t".join(record[k].replace("\t", " ").replace("\n", " ") for k in LOG_FIELDS),
                      file=log, flush=True)
            if not args.keep:
                shutil.rmtree(result["out"], ignore_errors=True)
    except KeyboardInterrupt:
        kill_offices(our_offices(everything=True))
        print("interrupted after %d files" % len(records), file=sys.stderr)
    finally:
        if log:
            log.close()
        if not args.keep:
            shutil.rmtree(job_tmp, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)
    print_table(records, sys.stdout)
    return 1 if any(r["problems"] for r in records) else 0


if __name__ == "__main__":
    sys.exit(main())
