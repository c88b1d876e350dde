#!/usr/bin/env python3
"""Does a compressed page still mean what the original meant?

Takes real HTML5 pages with their style sheets and scripts (documentation
and demo pages shipped in npm packages, and the pages beside this file),
compresses each site with the modern and with the classic built-in rules,
loads original and results in headless Chromium from a server on this
machine, and compares what a reader meets: compatibility mode, character
set, viewport, title, the body's text (whitespace runs collapsed), the text
of verbatim elements, and the element tree with its attributes and
non-blank text. Prints passing/checked and the bytes saved for both sets,
and whether a second modern run changes anything.

    meaning.py --cli build/cli/trimora-cli --work build-meaning
"""

import argparse
import concurrent.futures
import filecmp
import functools
import html
import http.server
import json
import os
import pathlib
import queue
import re
import shutil
import subprocess
import sys
import tarfile
import threading

HERE = pathlib.Path(__file__).resolve().parent

# npm packages that ship pages, and which of their files are pages to check.
PACKAGES = {
    "jquery-ui@1.12.1": r"^demos/[^/]+/[^/]+\.html$",
    "uikit@3.25.29": r"^tests/[^/]+\.html$",
    "reveal.js@4.6.1": r"^(demo|index)\.html$",
    "html5-boilerplate@9.0.1": r"^dist/[^/]+\.html$",
}
COMPRESSED = (".html", ".htm", ".css", ".js", ".mjs", ".cjs", ".vbs")
SETS = ("modern", "classic")


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def fetch_packages(work):
    """Each package unpacked once into work/packages/NAME."""
    cache = work / "npm"
    cache.mkdir(parents=True, exist_ok=True)
    sites = []
    for spec in PACKAGES:
        name = spec.rsplit("@", 1)[0]
        target = work / "packages" / name.replace("/", "_")
        if not target.exists():
            result = run(["npm", "pack", "--silent", "--pack-destination", str(cache), spec],
                         capture_output=True, text=True)
            tarball = cache / result.stdout.strip().splitlines()[-1]
            unpacked = target.with_suffix(".tmp")
            shutil.rmtree(unpacked, ignore_errors=True)
            with tarfile.open(tarball) as archive:
                if hasattr(tarfile, "data_filter"):
                    archive.extractall(unpacked, filter="data")
                else:
                    archive.extractall(unpacked)
            (unpacked / "package").rename(target)
            shutil.rmtree(unpacked)
        sites.append((name.replace("/", "_"), target, re.compile(PACKAGES[spec])))
    sites.append(("pages", HERE / "pages", re.compile(r"^[^/]+\.html$")))
    return sites


def size_of(root):
    return sum(p.stat().st_size for p in root.rglob("*") if p.is_file() and p.suffix.lower() in COMPRESSED)


def compress(cli, root, rules, home):
    environment = dict(os.environ, TRIMORA_HOME=str(home), HOME=str(home), XDG_DATA_HOME=str(home / "data"),
                       XDG_CONFIG_HOME=str(home / "config"))
    run([str(cli), "compress", "--rules", rules, "--backup", "none", "--quiet", str(root)], env=environment)


def prepare(cli, work, sites):
    served = work / "served"
    shutil.rmtree(served, ignore_errors=True)
    home = work / "home"
    shutil.rmtree(home, ignore_errors=True)
    home.mkdir(parents=True)
    pages = []
    for name, source, pattern in sites:
        shutil.copytree(source, served / "original" / name, symlinks=True)
        for path in sorted((served / "original" / name).rglob("*.html")):
            relative = path.relative_to(served / "original" / name).as_posix()
            if pattern.search(relative):
                pages.append(f"{name}/{relative}")
    for rules in SETS + ("modern-again",):
        shutil.copytree(served / ("modern" if rules == "modern-again" else "original"), served / rules, symlinks=True)
        compress(cli, served / rules, "modern" if rules == "modern-again" else rules, home)
    shutil.copy(HERE / "compare.html", served / "compare.html")
    return served, pages


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".mjs": "text/javascript",
                      ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def serve(root):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=str(root)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def facts(chromium, profile, address, page):
    roots = ",".join(("original", "original") + SETS)
    url = f"{address}/compare.html?page={page}&roots={roots}"
    command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--mute-audio",
               "--no-first-run", f"--user-data-dir={profile}", "--virtual-time-budget=15000", "--dump-dom", url]
    try:
        result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    except subprocess.TimeoutExpired:
        return None
    found = re.search(r'<pre id="result">(.*?)</pre>', result.stdout, re.S)
    if not found or not found.group(1):
        return None
    return json.loads(html.unescape(found.group(1)))


def first_difference(original, compressed):
    for key in ("error", "compatMode", "characterSet", "viewport", "title", "innerText", "verbatim", "tree",
                "scripts"):
        a, b = original.get(key), compressed.get(key)
        if a == b:
            continue
        if isinstance(a, list) and isinstance(b, list):
            for index, (x, y) in enumerate(zip(a, b)):
                if x != y:
                    return f"{key}[{index}]: {x!r:.160} became {y!r:.160}"
            return f"{key}: {len(a)} items became {len(b)}"
        if isinstance(a, str) and isinstance(b, str):
            at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
            return f"{key} at {at}: {a[max(0, at - 60):at + 60]!r} became {b[max(0, at - 60):at + 60]!r}"
        return f"{key}: {a!r:.160} became {b!r:.160}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--limit", type=int, default=0, help="check only the first N pages")
    arguments = parser.parse_args()
    work = arguments.work.resolve()
    cli = arguments.cli.resolve()

    sites = fetch_packages(work)
    served, pages = prepare(cli, work, sites)
    if arguments.limit:
        pages = pages[:arguments.limit]

    # Sizes of what was compressed, and a second modern run over its own output.
    sizes = {root: size_of(served / root) for root in ("original",) + SETS}
    changed_again = [p.relative_to(served / "modern").as_posix() for p in (served / "modern").rglob("*")
                     if p.is_file() and p.suffix.lower() in COMPRESSED
                     and not filecmp.cmp(p, served / "modern-again" / p.relative_to(served / "modern"), shallow=False)]

    server = serve(served)
    address = f"http://127.0.0.1:{server.server_address[1]}"
    passing = {rules: 0 for rules in SETS}
    failures = {rules: [] for rules in SETS}
    checked, unstable, unloaded = 0, [], []

    # A browser profile folder is used by one browser at a time.
    profiles = queue.Queue()
    for index in range(arguments.jobs):
        profiles.put(work / "profiles" / str(index))

    def check(page):
        profile = profiles.get()
        try:
            result = facts(arguments.chromium, profile, address, page)
            if result is None:  # once more, in case the machine was too busy
                result = facts(arguments.chromium, profile, address, page)
            return page, result
        finally:
            profiles.put(profile)

    with concurrent.futures.ThreadPoolExecutor(arguments.jobs) as pool:
        for done, (page, result) in enumerate(pool.map(check, pages), 1):
            if result is None or len(result) != 2 + len(SETS):
                unloaded.append(page)
                continue
            original, again = result[0], result[1]
            if first_difference(original, again) is not None:
                unstable.append(page)  # the page differs from itself between loads
                continue
            checked += 1
            for rules, compressed in zip(SETS, result[2:]):
                difference = first_difference(original, compressed)
                if difference is None:
                    passing[rules] += 1
                else:
                    failures[rules].append((page, difference))
            if done % 25 == 0:
                print(f"  {done}/{len(pages)} pages loaded", file=sys.stderr)
    server.shutdown()

    print(f"pages: {len(pages)} found, {checked} checked, {len(unstable)} left out because they differ from "
          f"themselves between two loads, {len(unloaded)} that did not load")
    for page in unstable + unloaded:
        print(f"  left out: {page}")
    original = sizes["original"]
    for rules in SETS:
        saved = original - sizes[rules]
        print(f"{rules}: {passing[rules]}/{checked} pages keep their meaning; {sizes[rules]} of {original} bytes "
              f"({100.0 * saved / original:.1f}% saved)")
        for page, difference in failures[rules]:
            print(f"  {page}: {difference}")
    classic_saved = original - sizes["classic"]
    if classic_saved > 0:
        print(f"modern saves {100.0 * (original - sizes['modern']) / classic_saved:.1f}% of what classic saves")
    print(f"second modern run: {len(changed_again)} file(s) changed")
    for path in changed_again:
        print(f"  changed again: {path}")
    return 0 if not failures["modern"] and not changed_again else 1


if __name__ == "__main__":
    sys.exit(main())
