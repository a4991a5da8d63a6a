#!/usr/bin/env python3
"""scripts/apt-install.sh against mirrors as they really are, in a private
apt configuration and dpkg root (the machine's own are never touched): a
source whose Release names a Packages file of another size (as a mirror in
the middle of a sync serves it: apt-get update exits 100), a package that
cannot be installed, one that does not exist, and one that installs.

usage: apt_install_test.py SCRIPT
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
RELEASE_DATE = "Mon, 07 Dec 2026 23:22:40 +0000"


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def repository(folder, packages, torn=False):
    """A flat repository of tiny packages; `torn`: its Release names a
    Packages file 100 bytes longer than the one served."""
    stanzas = []
    for name, depends in packages:
        tree = os.path.join(folder, "tree", name)
        control = (f"Package: {name}\nVersion: 1.0\nArchitecture: all\n"
                   f"Maintainer: tests <tests@localhost>\n"
                   + (f"Depends: {depends}\n" if depends else "")
                   + "Description: a package of the install test\n")
        write(os.path.join(tree, "DEBIAN", "control"), control)
        write(os.path.join(tree, "usr", "share", "doc", name, "README"), "\n")
        deb = os.path.join(folder, f"{name}_1.0_all.deb")
        subprocess.run(["dpkg-deb", "--build", tree, deb], check=True,
                       capture_output=True)
        with open(deb, "rb") as f:
            data = f.read()
        stanzas.append(control + f"Filename: ./{os.path.basename(deb)}\n"
                       f"Size: {len(data)}\n"
                       f"SHA256: {hashlib.sha256(data).hexdigest()}\n")
    shutil.rmtree(os.path.join(folder, "tree"), ignore_errors=True)
    index = "\n".join(stanzas).encode()
    size = len(index) + (100 if torn else 0)
    write(os.path.join(folder, "Packages"), index.decode())
    write(os.path.join(folder, "Release"),
          f"Origin: tests\nSuite: tests\nDate: {RELEASE_DATE}\nSHA256:\n"
          f" {hashlib.sha256(index).hexdigest()} {size} Packages\n")


def private_apt(tmp, sources):
    """An apt configuration and dpkg root of its own, with `sources`."""
    root = os.path.join(tmp, "root")
    admin = os.path.join(root, "var", "lib", "dpkg")
    for sub in ("info", "updates", "triggers"):
        os.makedirs(os.path.join(admin, sub))
    for name in ("status", "available"):
        write(os.path.join(admin, name), "")
    for sub in ("lists/partial", "cache/archives/partial", "sources", "prefs"):
        os.makedirs(os.path.join(tmp, sub))
    write(os.path.join(tmp, "sources", "tests.list"),
          "".join(f"deb [trusted=yes] file:{s} ./\n" for s in sources))
    config = os.path.join(tmp, "apt.conf")
    # The machine's hooks (read before this file) are cleared.
    write(config, f"""#clear DPkg::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
Dir::Etc::sourcelist "/dev/null";
Dir::Etc::sourceparts "{tmp}/sources";
Dir::Etc::preferencesparts "{tmp}/prefs";
Dir::State::Lists "{tmp}/lists";
Dir::State::status "{admin}/status";
Dir::Cache "{tmp}/cache";
DPkg::Options {{ "--root={root}"; "--log={tmp}/dpkg.log"; }};
""")
    return dict(os.environ, APT_CONFIG=config, DPKG_ADMINDIR=admin), admin


def install(script, tmp, sources, arguments):
    env, admin = private_apt(tmp, sources)
    done = subprocess.run(["bash", script] + arguments, env=env,
                          capture_output=True, text=True, timeout=600)
    status = subprocess.run(["dpkg-query", "-W", "-f", "${Package}\n"],
                            env=env, capture_output=True, text=True)
    return done, set(status.stdout.split())


def main(script):
    if os.geteuid() != 0:
        print("skipped: installing into a dpkg root needs root")
        sys.exit(SKIPPED)
    tmp = tempfile.mkdtemp(prefix="drives-apt-")
    try:
        good, torn = os.path.join(tmp, "good"), os.path.join(tmp, "torn")
        repository(good, [("probe-good", None), ("probe-other", None),
                          ("probe-broken", "probe-absent")])
        repository(torn, [("probe-torn", None)], torn=True)

        # A torn index and packages that cannot be had: the rest installs.
        done, have = install(script, os.path.join(tmp, "a"), [good, torn],
                             ["--required", "probe-good", "--optional",
                              "probe-broken", "probe-nowhere", "probe-other"])
        lines = done.stderr.splitlines()
        expect(done.returncode == 0, done.stderr)
        expect(lines == [
            f"apt-install: index not fetched, going on without it: "
            f"file:{torn}/./Packages: Hash Sum mismatch",
            "apt-install: optional package not installed: probe-broken: "
            "unmet dependency: probe-broken : Depends: probe-absent but it is "
            "not installable",
            "apt-install: optional package not installed: probe-nowhere: "
            "Unable to locate package probe-nowhere"], lines)
        expect(have == {"probe-good", "probe-other"}, have)

        # A required package that cannot be had fails the command, after
        # the others are installed.
        done, have = install(script, os.path.join(tmp, "b"), [good],
                             ["--required", "probe-broken", "--optional",
                              "probe-good"])
        expect(done.returncode == 1 and done.stderr.splitlines() == [
            "apt-install: error: required package not installed: "
            "probe-broken: unmet dependency: probe-broken : Depends: "
            "probe-absent but it is not installable"], done.stderr)
        expect(have == {"probe-good"}, have)

        # No package list at all.
        done, have = install(script, os.path.join(tmp, "c"), [torn],
                             ["--optional", "probe-torn"])
        expect(done.returncode == 1 and done.stderr.splitlines()[-1] ==
               "apt-install: error: apt-get update fetched no package list "
               "at all", done.stderr)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("apt-install: passed")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
