"""The release number and the architecture label of a build, as CMake wrote
them into the build tree's generated version.h, and the file names made from
them. Scenarios get both from CMake (--release, --arch); tools that are given
only a build tree read them here."""
import os
import re


def build_facts(build_dir):
    """(release, arch) of a build tree, e.g. ("1.10", "x64")."""
    path = os.path.join(build_dir, "generated", "version.h")
    try:
        with open(path) as f:
            text = f.read()
    except OSError as e:
        raise RuntimeError(f"{path}: {e.strerror}: configure the build first") from None
    facts = dict(re.findall(r'#define (KV_VERSION|KV_ARCH_LABEL) "([^"]*)"', text))
    if len(facts) != 2:
        raise RuntimeError(f"{path} names no release number or no architecture label")
    return facts["KV_VERSION"], facts["KV_ARCH_LABEL"]


def file_form(release):
    """The release number as the file names spell it: 1.10 -> 1_10."""
    return release.replace(".", "_")


def exe_name(release, arch):
    return f"KernoVarko-7 ver_{file_form(release)} ({arch}).exe"


def manual_name(release):
    return f"KernoVarko-7 ver_{file_form(release)}.pdf"
