#!/usr/bin/env python3
"""The shared mutation check (../shared/tools/mutate.py) over this project's whole core: its
folder list and src/ui, the window models, enable_controls and number reading, which build
without Qt like the rest of the core. Options as the shared tool's:

    scripts/mutate.py --count 150 --seed 1 --work /tmp/orv-mut1 --jobs 2
    scripts/mutate.py --list

ORV_MUTATE_TOOL names the shared tool if it is not beside this checkout.
"""
import importlib.machinery
import os
import sys
import types

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.environ.get("ORV_MUTATE_TOOL",
                      os.path.join(HERE, "..", "..", "shared", "tools", "mutate.py"))


def load_tool():
    """The shared tool as a module, with src/ui added to its folders."""
    loader = importlib.machinery.SourceFileLoader("shared_mutate", TOOL)
    tool = types.ModuleType(loader.name)
    tool.__file__ = TOOL
    loader.exec_module(tool)
    if "src/ui" not in tool.CORE:
        tool.CORE = tuple(tool.CORE) + ("src/ui",)
    return tool


if __name__ == "__main__":
    sys.exit(load_tool().main())
