#!/usr/bin/env python3
"""Runs the README's command-line examples verbatim and compares what they print with the README.

    readme_examples.py README.md PROGRAM_DIR

The section "The command line" is run as a reader runs it after the walk-through: in a scratch
folder standing for /tmp/orvane-demo, whose table the walk-through's step 7 has changed, with
PROGRAM_DIR's orvane-cli in place of the build's. Its ```sh blocks are run as they are, each
"$ command" of its ```console blocks with its standard output and error together."""

import pathlib
import re
import subprocess
import sys
import tempfile


def main():
    readme, programs = pathlib.Path(sys.argv[1]), sys.argv[2]
    clone = readme.parent
    text = readme.read_text(encoding="utf-8")
    start = text.index("\n## The command line\n")
    end = text.find("\n## ", start + 1)
    section = text[start:end if end != -1 else len(text)]

    with tempfile.TemporaryDirectory() as scratch:
        demo = pathlib.Path(scratch) / "orvane-demo"
        demo.mkdir()
        # What the walk-through leaves behind: its copy, with "th" (byte C0) read as "TH".
        records = (clone / "examples/demo.kel").read_bytes().split(b"\r")
        records[0xC0 - 1] = b"TH"
        (demo / "demo.kel").write_bytes(b"\r".join(records))
        (demo / "demo.smc").write_bytes((clone / "examples/demo.smc").read_bytes())

        lines = [f"cd '{clone}'"]
        expected = []
        for kind, body in re.findall(r"```(sh|console)\n(.*?)```", section, re.S):
            body = body.replace("/tmp/orvane-demo", str(demo))
            body = body.replace('"$PWD/build/src', f"\"{programs}")
            if kind == "sh":
                lines.append(body)
                continue
            for command, shown in re.findall(r"^\$ (.*)\n((?:(?!\$ ).*\n)*)", body, re.M):
                lines.append(f"echo '@@{len(expected)}@@'")
                lines.append("{ " + command + "\n} 2>&1")
                expected.append((command, shown))
        lines.append(f"echo '@@{len(expected)}@@'")
        run = subprocess.run(["bash", "-c", "\n".join(lines)], capture_output=True,
                             text=True, timeout=120)
        printed = re.split(r"^@@\d+@@\n", run.stdout, flags=re.M)[1:]

    differ = 0
    for (command, shown), got in zip(expected, printed):
        shown = shown.replace(str(demo), "/tmp/orvane-demo")
        got = got.replace(str(demo), "/tmp/orvane-demo")
        if got != shown:
            differ += 1
            print(f"$ {command}\n--- the README shows:\n{shown}--- it printed:\n{got}")
    if len(printed) != len(expected) + 1 or len(expected) < 10:
        print(f"ran {len(printed)} of {len(expected)} commands: {run.stderr}")
        return 1
    print(f"{len(expected)} examples, {differ} differ")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
