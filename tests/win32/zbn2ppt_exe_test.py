#!/usr/bin/env python3
"""Runs Zbn2PPT.exe under Wine, built with tests so that it records its
message boxes, and checks the boxes and the exit status, in a Wine prefix
where no PowerPoint is registered.

    zbn2ppt_exe_test.py Zbn2PPT.exe wine-exec
"""
import os
import re
import subprocess
import sys
import tempfile

EXCLAMATION = 0x30  # the application's own boxes add MB_ICONEXCLAMATION

# name, arguments, boxes (caption, type, text pattern), exit status
CASES = [
    ("no arguments show the usage", [], [("Help", 0, "Command Line Usage:\n.*")], 2),
    ("without PowerPoint the request ends with its message",
     ["bracket_multiple.zbn", "bracket_Multiple.ppt"],
     [("Zbn2PPT", EXCLAMATION,
       re.escape("MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."))], 1),
]


def main():
    exe, wine_exec = map(os.path.abspath, sys.argv[1:])
    prefix = os.environ.get("WINEPREFIX", "/tmp/zbn2ppt-wine-%d" % os.getuid())
    os.environ.update(WINEPREFIX=prefix + "-exe", WINEDEBUG="-all")
    failures = 0
    with tempfile.TemporaryDirectory(prefix="zbn2ppt-exe-") as work:
        for case, (name, args, boxes, status) in enumerate(CASES):
            log = os.path.join(work, "boxes%d" % case)
            windows = ["Z:" + os.path.join(work, a).replace("/", "\\") for a in args]
            env = dict(os.environ, ZBN_MESSAGE_BOX_LOG="Z:" + log.replace("/", "\\"))
            code = subprocess.run([wine_exec, exe, *windows], timeout=300, env=env,
                                  stdin=subprocess.DEVNULL, capture_output=True).returncode
            shown = []
            if os.path.exists(log):
                with open(log, encoding="utf-8", newline="") as f:
                    shown = [box.split("\n", 2) for box in f.read().split("\0")[:-1]]
            problems = []
            if len(shown) != len(boxes) or any(
                    box[:2] != [caption, str(kind)] or not re.fullmatch(text, box[-1], re.S)
                    for box, (caption, kind, text) in zip(shown, boxes)):
                problems.append("message boxes %r, not %r" % (shown, boxes))
            if code != status:
                problems.append("exit status %d, not %d" % (code, status))
            # A build that saves nothing leaves no output behind.
            if len(args) > 1 and os.path.exists(os.path.join(work, args[1])):
                problems.append("the output %s is left behind" % args[1])
            print("%s: %s" % ("FAIL" if problems else "ok", name) +
                  "".join("\n  " + p for p in problems))
            failures += len(problems)
    print("%d problems" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
