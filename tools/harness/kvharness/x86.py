"""The x86 program: 32-bit Wine through user-mode QEMU, in the environment
that `wine-x86 setup BUILD` added to the build tree (tools/harness/wine-x86).
"""
import os
import subprocess

from .wine import HARNESS_DIR, WINE_PATHS, read_env_file

LOADER = [WINE_PATHS["QEMU_I386"], WINE_PATHS["WINE32"]]


def x86_environment(build_dir):
    """The variables a 32-bit Wine process needs on top of the build tree's
    Wine environment. Runs the setup when the tree has not had it."""
    env_file = os.path.join(build_dir, "wine", "env-x86")
    if not os.path.exists(env_file):
        log = os.path.join(build_dir, "wine-x86-setup.log")
        with open(log, "wb") as out:
            rc = subprocess.call([os.path.join(HARNESS_DIR, "wine-x86"), "setup", build_dir],
                                 stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if rc != 0:
            raise RuntimeError(f"wine-x86 setup failed ({rc}); see {log}")
    return read_env_file(env_file)


def pe_machine(path):
    """The machine field of a PE file's header: 0x14C for x86, 0x8664 for x64."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        return None
    pe = int.from_bytes(head[0x3C:0x40], "little")
    if head[pe:pe + 4] != b"PE\0\0":
        return None
    return int.from_bytes(head[pe + 4:pe + 6], "little")
