#!/usr/bin/env python3
"""Runs Zbn2PPT.exe (a test build, which records its message boxes) under
Wine and checks what a user would see: the usage under "Help" for no
arguments, an error under "Error" for a wrong extension, and the message
about PowerPoint when the request is valid but no PowerPoint is registered.
Every case also checks that no window other than the message boxes opened.

    zbn2ppt_exe_test.py --exe build/windows/src/app/win32/Zbn2PPT.exe \
                        --wine tests/win32/wine-exec
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

NO_POWERPOINT = "MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."


def windows_path(path):
    """The path of a Linux file as a Windows program under Wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(args, exe, wine, work):
    log = os.path.join(work, "boxes.jsonl")
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, ZBN_MESSAGE_BOX_LOG=windows_path(log), WINEDEBUG="-all")
    done = subprocess.run([os.path.abspath(wine), os.path.abspath(exe)] + args, env=env, cwd=work, timeout=300,
                          stdin=subprocess.DEVNULL, capture_output=True)
    records = []
    if os.path.exists(log):
        with open(log, encoding="utf-8") as f:
            records = [json.loads(line) for line in f if line.strip()]
    return done.returncode, records


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine", required=True)
    options = parser.parse_args()

    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="zbn2ppt-exe-") as work:
        data = os.path.join(work, "bracket_multiple.zbn")
        with open(data, "wb") as f:
            f.write(b"ZBN test data\n")
        output = os.path.join(work, "bracket_Multiple.ppt")

        usage_code, usage_boxes = run([], options.exe, options.wine, work)
        usage_text = usage_boxes[0]["text"] if usage_boxes else ""

        # (name, arguments, caption, text check, exit status)
        cases = [
            ("no arguments show the usage", [], "Help",
             lambda text: text.startswith("Command Line Usage:\n") and text == usage_text, 2),
            ("a wrong extension is an error with the usage below", [windows_path(data) + ".txt"],
             "Error", lambda text: text.startswith("ERROR! ") and text.endswith("\n\n" + usage_text)
             and usage_text != "", 2),
            ("without PowerPoint the request ends with its message",
             [windows_path(data), windows_path(output)], "Zbn2PPT",
             lambda text: text == NO_POWERPOINT, 1),
        ]
        for name, args, caption, check, status in cases:
            code, records = run(args, options.exe, options.wine, work)
            problems = []
            boxes = [r for r in records if r["kind"] == "MessageBoxW"]
            others = [r for r in records if r["kind"] != "MessageBoxW"]
            if others:
                problems.append("other windows opened: %r" % others)
            if len(boxes) != 1:
                problems.append("%d message boxes instead of one: %r" % (len(boxes), boxes))
            else:
                box = boxes[0]
                if box["caption"] != caption:
                    problems.append("caption %r, not %r" % (box["caption"], caption))
                if box["type"] != 0:
                    problems.append("type %r, not MB_OK" % box["type"])
                if not check(box["text"]):
                    problems.append("unexpected text %r" % box["text"])
            if code != status:
                problems.append("exit status %d, not %d" % (code, status))
            if problems:
                failed += 1
                print("FAIL: %s\n  %s" % (name, "\n  ".join(problems)))
            else:
                passed += 1
                print("ok: %s" % name)
        # The wide argument vector carries names beyond ASCII to the probe intact.
        wide_output = os.path.join(work, "M\u00fcller \u6570\u636e.ppt")
        for path, name in [(output, "the output probe created the output file"),
                           (wide_output, "a name beyond ASCII reached the probe intact")]:
            if path == wide_output:
                run([windows_path(data), windows_path(wide_output)], options.exe, options.wine,
                    work)
            if os.path.exists(path):
                passed += 1
                print("ok: %s" % name)
            else:
                failed += 1
                print("FAIL: %s: %s is missing" % (name, path))

    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
