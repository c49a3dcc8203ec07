#!/usr/bin/env python3
"""The shared mutation check (../shared/tools/mutate.py) over this project's whole core: its
folder list and src/ui, the window models, enable_controls and number reading, which build
without Qt like the rest of the core. Options as the shared tool's:

    scripts/mutate.py --count 150 --seed 1 --work /tmp/orv-mut1 --jobs 2
    scripts/mutate.py --list

ORV_MUTATE_TOOL names the shared tool if it is not beside this checkout.
"""
import importlib.util
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.environ.get("ORV_MUTATE_TOOL",
                      os.path.join(HERE, "..", "..", "shared", "tools", "mutate.py"))

spec = importlib.util.spec_from_file_location("mutate", TOOL)
mutate = importlib.util.module_from_spec(spec)
spec.loader.exec_module(mutate)
if "src/ui" not in mutate.CORE:
    mutate.CORE = tuple(mutate.CORE) + ("src/ui",)
sys.exit(mutate.main())
