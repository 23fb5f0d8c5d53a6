#!/usr/bin/env python3
"""Checks a built library's exported symbols against the public headers.

    check_exports.py <library> <include-dir>

The C names must be exactly those rdstmc_c.h declares. Every other export
must be a public function or class of the headers: no private member, no
standard library template, nothing internal. For a Windows DLL only the C
names are checked (they must all be there, unmangled)."""
import re
import subprocess
import sys
from pathlib import Path


def declared_c_names(include):
    text = (include / "rdstmc_c.h").read_text()
    return set(re.findall(r"RDSTMC_C_API\b[^;(]*?\b(rdstmc_\w+)\s*\(", text, re.S))


def public_names(include):
    """Names usable from outside: free functions, classes, and the members
    declared outside `private:` sections, by class."""
    free, classes, members = set(), set(), {}
    for header in include.glob("*.h"):
        stack = []  # (class name, access, brace depth)
        depth = 0
        for line in header.read_text().splitlines():
            code = re.sub(r"/\*.*?\*/|//.*", "", line)
            opened = re.match(r"\s*(?:class|struct)\s+(?:RDSTMC_API\s+)?(\w+)[^;]*\{", code)
            if opened:
                kind_public = code.lstrip().startswith("struct")
                stack.append([opened.group(1), "public" if kind_public else "private", depth + 1])
                classes.add(opened.group(1))
            access = re.match(r"\s*(public|private|protected):", code)
            if access and stack:
                stack[-1][1] = access.group(1)
            for name in re.findall(r"~?\b([A-Za-z_]\w*)\s*\(", code):
                if stack and stack[-1][1] == "public":
                    members.setdefault(stack[-1][0], set()).add(name)
                elif not stack:
                    free.add(name)
            depth += code.count("{") - code.count("}")
            while stack and depth < stack[-1][2]:
                stack.pop()
    return free, classes, members


def exported(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library], capture_output=True, text=True, check=True).stdout
    names = [line.split()[-1].split("@")[0] for line in out.splitlines() if line.split()[1] in "TWVDBR"]
    demangled = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True).stdout
    return list(zip(names, demangled.splitlines()))


def windows_exports(dll):
    out = subprocess.run(["objdump", "-p", dll], capture_output=True, text=True, check=True).stdout
    table = out.split("[Ordinal/Name Pointer] Table", 1)[-1]
    return set(re.findall(r"\]\s+(\S+)", table))


def main():
    library, include = sys.argv[1], Path(sys.argv[2])
    c_names = declared_c_names(include)
    problems = []
    if library.lower().endswith(".dll"):
        names = windows_exports(library)
        problems += [f"missing C export {n}" for n in sorted(c_names - names)]
    else:
        free, classes, members = public_names(include)
        seen_c = set()
        for raw, name in exported(library):
            if raw.startswith("rdstmc_"):
                seen_c.add(raw)
                continue
            special = re.match(r"(?:typeinfo name for|typeinfo for|vtable for) (\w+)$", name)
            if special:
                if special.group(1) not in classes:
                    problems.append(f"not a public class: {name}")
                continue
            qualified = re.sub(r"\[abi:\w+\]", "", name.split("(", 1)[0])
            parts = [p for p in qualified.split("::") if p != "rdstmc"]
            if len(parts) == 1 and parts[0] in free:
                continue
            if len(parts) == 2 and parts[1].lstrip("~") in members.get(parts[0], set()) | {parts[0]}:
                continue
            problems.append(f"not interface: {name}")
        problems += [f"missing C export {n}" for n in sorted(c_names - seen_c)]
        problems += [f"C export not in rdstmc_c.h: {n}" for n in sorted(seen_c - c_names)]
    for p in problems:
        print(p)
    print(f"{library}: {len(c_names)} C names checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
