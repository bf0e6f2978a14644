#!/usr/bin/env python3
"""Proves that the layers only reach down.

For each layer, from the bottom, the compile command of one of its own sources (from the build's
compile_commands.json) compiles a probe that includes a header of the layer: that must work. The
same command compiling a probe that includes a header of any layer above must fail, because the
header is not on the layer's include path. Usage: check_layers.py BUILD_DIR SOURCE_DIR
"""
import json
import os
import shlex
import subprocess
import sys
import tempfile

# Bottom to top: (a source file of the layer, a header of the layer).
LAYERS = [
    ("platform/registry/Hive.cpp", "platform/ui/IUserInterface.h"),
    ("app/base/Settings.cpp", "app/base/Settings.h"),
    ("scan/Scanner.cpp", "scan/CScanInfo.h"),
    ("app/view/GridContent.cpp", "app/view/GridContent.h"),
    ("alerts/DeliverAlert.cpp", "alerts/DeliverAlert.h"),
    ("reports/ReportWriter.cpp", "reports/ReportWriter.h"),
    ("dbconfig/DatabasePreparation.cpp", "dbconfig/DatabasePreparation.h"),
    ("app/CommandLine.cpp", "app/CTallyvol32Dlg.h"),
]


def compile_command(commands, source_dir, source):
    path = os.path.join(source_dir, source)
    for entry in commands:
        if os.path.realpath(entry["file"]) == os.path.realpath(path):
            arguments = entry.get("arguments") or shlex.split(entry["command"])
            return arguments, entry["directory"]
    raise SystemExit(f"no compile command for {source}")


def probe(arguments, directory, header, scratch):
    """True when a file holding only `#include "header"` compiles with the layer's flags."""
    probe_file = os.path.join(scratch, "probe.cpp")
    with open(probe_file, "w") as out:
        out.write(f'#include "{header}"\n')
    command = []
    skip = False
    for argument in arguments:
        if skip:
            skip = False
            continue
        if argument in ("-o", "-c"):
            skip = True
            continue
        if argument.startswith("-o") and len(argument) > 2:
            continue
        command.append(argument)
    command += ["-fsyntax-only", probe_file]
    result = subprocess.run(command, cwd=directory, capture_output=True, text=True)
    return result.returncode == 0, result.stderr


def main():
    build_dir, source_dir = sys.argv[1], sys.argv[2]
    with open(os.path.join(build_dir, "compile_commands.json")) as file:
        commands = json.load(file)
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        for index, (source, own_header) in enumerate(LAYERS):
            arguments, directory = compile_command(commands, source_dir, source)
            ok, errors = probe(arguments, directory, own_header, scratch)
            if not ok:
                failures.append(f"{source}: its own {own_header} does not compile:\n{errors}")
            for _, higher_header in LAYERS[index + 1:]:
                ok, _ = probe(arguments, directory, higher_header, scratch)
                if ok:
                    failures.append(f"{source}: reaches up to {higher_header}")
                else:
                    print(f"ok: {source} cannot include {higher_header}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
