#!/usr/bin/env python3
"""Runs clang-tidy over the sources of a compile database that lie in the
folders given, in parallel, and remembers the files that passed.

A pass is kept in the cache folder under a key made of clang-tidy's and the
compiler's versions, the .clang-tidy file, the compile command and the text
of the file and of every project header it includes (so a change to any of
them, a NOLINT comment too, runs it again). Only passes are kept: a file with findings
is checked every time until it is clean.

Findings are printed once each, as clang-tidy writes them
(file:line:col: error: text [check-name]), with the code line under them.

  tidy.py --build BUILD --cache DIR [--jobs N] FOLDER...
Exit status: 0 clean, 1 findings, 2 could not run.
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys


def tool_versions():
    """clang-tidy's version and the compiler's, whose headers it reads."""
    text = ""
    for tool in (["clang-tidy", "--version"], ["c++", "--version"]):
        text += subprocess.run(tool, capture_output=True, text=True).stdout
    return text


def sources(database, root, folders):
    """The entries of the compile database whose file lies below a folder."""
    wanted = [str((root / f).resolve()) + os.sep for f in folders]
    entries = json.loads(database.read_text())
    return [e for e in entries if any(e["file"].startswith(w) for w in wanted)]


INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def include_dirs(entry):
    args = entry.get("arguments") or shlex.split(entry["command"])
    dirs = []
    for i, a in enumerate(args):
        if a == "-I" and i + 1 < len(args):
            dirs.append(args[i + 1])
        elif a.startswith("-I") and len(a) > 2:
            dirs.append(a[2:])
    return [pathlib.Path(entry["directory"], d) for d in dirs]


def project_files(path, dirs, root):
    """The file and every file of the project it includes, followed through
    the include folders of its compile command. System headers are left out:
    they change only with the compiler, whose version is part of the key."""
    seen, todo = {}, [pathlib.Path(path).resolve()]
    while todo:
        current = todo.pop()
        if current in seen:
            continue
        text = current.read_bytes()
        seen[current] = text
        for name in INCLUDE.findall(text.decode("utf-8", "replace")):
            for folder in [current.parent] + dirs:
                candidate = (folder / name).resolve()
                if candidate.is_file():
                    if root in candidate.parents:
                        todo.append(candidate)
                    break
    return seen


def cache_key(entry, common, root):
    """A key that changes when the file, a project header it includes (its
    NOLINT comments too), its compile command, the .clang-tidy file or the
    tools change. Every #include is followed, whatever #if it stands under,
    so a key may change more often than needed, never less."""
    digest = hashlib.sha256(common)
    digest.update(entry["command"].encode() if "command" in entry else
                  " ".join(entry["arguments"]).encode())
    files = project_files(entry["file"], include_dirs(entry), root)
    for name in sorted(files):
        digest.update(str(name).encode() + b"\0" + files[name])
    return digest.hexdigest()


def check(entry, build, cache, common, root):
    key = cache_key(entry, common, root)
    if key and (cache / key).exists():
        return entry["file"], True, "", True
    run = subprocess.run(
        ["clang-tidy", "-p", str(build), "--quiet",
         # The GCC-only warning switches of the build mean nothing to clang.
         "--extra-arg=-Wno-unknown-warning-option", entry["file"]],
        capture_output=True, text=True)
    ok = run.returncode == 0
    if ok and key:
        (cache / key).touch()
    return entry["file"], ok, run.stdout + run.stderr, False


def findings(output):
    """The finding lines and their code excerpts, without clang-tidy's
    counts of warnings it suppressed."""
    keep = []
    for line in output.splitlines():
        if line.endswith("generated.") or line.startswith("Error while processing"):
            continue
        if "Suppressed" in line and "warnings" in line:
            continue
        keep.append(line)
    return "\n".join(keep)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--cache", required=True, type=pathlib.Path)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--root", type=pathlib.Path, default=pathlib.Path.cwd())
    parser.add_argument("folders", nargs="+")
    opts = parser.parse_args()

    database = opts.build / "compile_commands.json"
    if not database.exists():
        print(f"tidy: no {database}", file=sys.stderr)
        return 2
    root = opts.root.resolve()
    config = root / ".clang-tidy"
    common = (tool_versions() + config.read_text()).encode()
    opts.cache.mkdir(parents=True, exist_ok=True)
    entries = sources(database, opts.root, opts.folders)
    if not entries:
        print("tidy: no sources in " + " ".join(opts.folders), file=sys.stderr)
        return 2

    failed, cached, seen = [], 0, set()
    with concurrent.futures.ThreadPoolExecutor(opts.jobs) as pool:
        jobs = [pool.submit(check, e, opts.build, opts.cache, common, root) for e in entries]
        for job in concurrent.futures.as_completed(jobs):
            name, ok, output, hit = job.result()
            cached += hit
            if ok:
                continue
            failed.append(name)
            text = findings(output)
            # A header's finding comes once per file that includes it.
            if text and text not in seen:
                seen.add(text)
                print(text, flush=True)
    print(f"tidy: {len(entries)} files, {cached} unchanged since they passed, "
          f"{len(failed)} with findings")
    for name in sorted(failed):
        print(f"tidy: findings in or through {os.path.relpath(name, opts.root)}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
