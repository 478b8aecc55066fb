"""Harness of the configurator's end-to-end scenarios: the Wine environment of
a build tree, the program under test, kv-driver, COM ports, the reader
emulator, a simulated USB reader, screenshots and the scenario runner."""
from .devices import ComPorts, Emulator, EmulatorControl, UsbReader, received
from .driver import FAILED, OK, REFUSED, TIMEOUT, USAGE, Driver, DriverError
from .program import Program
from .release import build_facts, exe_name, manual_name
from .scenario import Scenario, ScenarioFailed, Suite
from .screen import screenshot
from .wine import RegSnapshot, Wine, winpath
