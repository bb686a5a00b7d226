#!/usr/bin/env python3
"""Packs a built DVP_QPV.dll into DVP_QPV-<version>-x64.zip (scripts/package.sh).

    make-package.py SOURCE_DIR BUILD_DIR VERSION

Writes BUILD_DIR/package/DVP_QPV-<version>-x64.zip. The zip is the same for
the same DLL and texts: its members come in a fixed order with a fixed time
stamp, fixed permissions and no extra fields. THIRD-PARTY-NOTICES.txt is made
from the DLL's link map (BUILD_DIR/DVP_QPV.map): every object file and
archive member the linker took from outside this project must belong to an
installed Debian package, whose copyright file is copied in verbatim.
"""
import hashlib
import re
import subprocess
import sys
import zipfile
from pathlib import Path

# The zip's one time stamp (the earliest a zip can hold) and permissions.
FIXED_TIME = (1980, 1, 1, 0, 0, 0)
FILE_MODE = 0o100644


def linked_outside_files(map_text, source_dir, build_dir):
    """The files outside this project that gave the DLL code: archives with
    at least one member pulled in, and object files loaded whole."""
    archives = set()
    members = map_text.split("\nMemory Configuration", 1)[0]  # the archive member section
    for line in members.splitlines():
        match = re.match(r"^(\S.*?\.a)\(", line)
        if match:
            archives.add(match.group(1))
    objects = set(re.findall(r"^LOAD (.*\.o(?:bj)?)$", map_text, re.MULTILINE))
    outside = set()
    for name in archives | objects:
        path = (build_dir / name).resolve()  # relative names are the build's own
        if not (path.is_relative_to(source_dir) or path.is_relative_to(build_dir)):
            outside.add(path)
    return sorted(outside)


def owning_package(path):
    result = subprocess.run(["dpkg-query", "-S", str(path)], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"no installed package holds {path}, which the DLL took code from: "
                 "its licence is unknown")
    # "package[:arch][, package...]: path"; the doc folder carries no architecture
    return result.stdout.splitlines()[0].rsplit(": ", 1)[0].split(",")[0].split(":")[0]


def package_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                          capture_output=True, text=True, check=True).stdout


def third_party_notices(map_path, source_dir, build_dir):
    """One section per distinct copyright file (a package's doc folder may
    be a link to another package's), naming the packages and linked files."""
    sections = {}
    for path in linked_outside_files(map_path.read_text(), source_dir, build_dir):
        package = owning_package(path)
        copyright_file = Path("/usr/share/doc", package, "copyright").resolve()
        if not copyright_file.is_file():
            sys.exit(f"{package} has no copyright file; the DLL took code from its {path}")
        packages, files = sections.setdefault(copyright_file, (set(), set()))
        packages.add(package)
        files.add(path.name)
    if not sections:
        sys.exit(f"{map_path} names no runtime code: is it the DLL's link map?")
    text = ["Third-party code in DVP_QPV.dll",
            "===============================",
            "",
            "DVP_QPV.dll holds, linked statically, runtime code of the compiler tool",
            "chain that built it: the C runtime's start-up code, the C and C++ runtime",
            "libraries and the threads library. Each section below names the files the",
            "linker took code from, the Debian packages that hold them, and gives those",
            "packages' copyright and licence statement as they ship it. Licence texts",
            "it refers to under /usr/share/common-licenses/ are the standard texts of",
            "the licences named.",
            ""]
    for number, (copyright_file, (packages, files)) in enumerate(sorted(sections.items()), 1):
        names = ", ".join(f"{p} {package_version(p)}" for p in sorted(packages))
        text += ["", "=" * 78,
                 f"{number}. Packages: {names}",
                 f"   Linked from them: {', '.join(sorted(files))}",
                 "=" * 78, "",
                 copyright_file.read_text(encoding="utf-8").rstrip("\n"), ""]
    return "\n".join(text).encode("utf-8")


def main():
    source_dir, build_dir = (Path(p).resolve() for p in sys.argv[1:3])
    version = sys.argv[3]
    dll = (build_dir / "dist/Viewers/DVP_QPV.dll").read_bytes()
    members = [  # in this order; INSTALL.txt lists them
        ("DVP_QPV.dll", dll),
        ("INSTALL.txt", (source_dir / "docs/INSTALL.txt").read_bytes()),
        ("LICENSE.txt", (source_dir / "LICENSE").read_bytes()),
        ("THIRD-PARTY-NOTICES.txt",
         third_party_notices(build_dir / "DVP_QPV.map", source_dir, build_dir)),
        ("CHANGELOG.md", (source_dir / "CHANGELOG.md").read_bytes()),
        ("SHA256SUMS", f"{hashlib.sha256(dll).hexdigest()}  DVP_QPV.dll\n".encode()),
    ]
    out = build_dir / "package" / f"DVP_QPV-{version}-x64.zip"
    out.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in members:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.create_system = 3  # Unix, so that the permissions below count
            info.external_attr = FILE_MODE << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    print(out)


if __name__ == "__main__":
    main()
