"""A fresh prefix for a scenario that changes the prefix for good, such as
installing a package: a copy of the script's prefix (kvharness.prefix, about
a second) with a wineserver of its own, removed again at the end.

The copy is the prefix as its server last saved it; the server saves the
registry every few seconds, so only a change made a moment earlier could be
missing.
"""
import copy
import os
import subprocess

from .devices import ComPorts
from .prefix import copy_prefix, remove_prefix, start_server
from .wine import WINE_PATHS

WINESERVER = WINE_PATHS["WINESERVER"]


class FreshPrefix:
    def __init__(self, wine, workdir, log_dir):
        self.prefix = os.path.join(workdir, "fresh-prefix")
        remove_prefix(self.prefix)
        copy_prefix(wine.prefix, self.prefix)
        self.wine = copy.copy(wine)
        self.wine.values = dict(wine.values, WINEPREFIX=self.prefix)
        self.wine.prefix = self.prefix
        start_server(self.prefix, os.path.join(log_dir, "fresh-wineserver.log"))
        # Wine's services start with the first program; their output to files.
        self.wine.run(["cmd", "/c", "exit"], timeout=120)
        ComPorts(self.wine, workdir, log_dir).remove_defaults()

    def close(self):
        subprocess.call([WINESERVER, "-k"], env=self.wine.environ(), stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        remove_prefix(self.prefix)
