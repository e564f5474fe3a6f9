#!/usr/bin/env python3
"""Refuses an #include that runs up the layers (see docs/architecture.md).

Each folder may include headers of its own layer and of the layers below it, nothing above:

    platform -> link -> catalogue, files -> operations -> app -> ui, cli
    sim (the simulated programmer, a link backend) -> catalogue, link, platform
    devlib (the vendor's device library, a link backend) -> link, platform

The dialog hosts (ui, win32) and the command line (cli) include app only: everything they do goes
through it. Only app/backend_factory.cpp may include a backend (sim/, devlib/): it is the one
place that picks one. CMakeLists.txt links the same layers (each library exposes only its own
headers, so the build refuses an include that runs up as well).
Exits 1 and lists every offending include.
"""
import pathlib
import re
import sys

BELOW = {
    "platform": set(),
    "link": {"platform"},
    "catalogue": {"link", "platform"},
    "files": {"platform"},
    "sim": {"catalogue", "link", "platform"},
    "devlib": {"link", "platform"},
    "operations": {"files", "link", "platform"},
    "app": {"operations", "files", "catalogue", "link", "platform", "sim", "devlib"},
    "ui": {"app"},
    "win32": {"app"},
    "cli": {"app"},
}
BACKEND_FACTORY = pathlib.PurePosixPath("src/app/backend_factory.cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path: pathlib.PurePosixPath):
    parts = path.parts
    if parts[0] == "src" and len(parts) > 2:
        return parts[1]
    if parts[0] in ("ui", "win32", "cli"):
        return parts[0]
    return None


def main() -> int:
    root = pathlib.Path(__file__).resolve().parent.parent
    problems = []
    for folder in ("src", "ui", "win32", "cli"):
        for file in sorted((root / folder).rglob("*")):
            if file.suffix not in (".h", ".cpp"):
                continue
            rel = pathlib.PurePosixPath(file.relative_to(root).as_posix())
            layer = layer_of(rel)
            if layer not in BELOW:
                problems.append(f"{rel}: folder is in no layer")
                continue
            for number, line in enumerate(file.read_text(encoding="utf-8").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m or "/" not in m.group(1):
                    continue
                target = m.group(1).split("/")[0]
                if target == layer or target not in BELOW:
                    continue
                if target not in BELOW[layer]:
                    problems.append(f"{rel}:{number}: {layer} includes {m.group(1)} (layer {target} is above it)")
                elif target in ("sim", "devlib") and layer == "app" and rel != BACKEND_FACTORY:
                    problems.append(f"{rel}:{number}: only {BACKEND_FACTORY} names a backend")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) run against the layers")
        return 1
    print("layers: every include points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
