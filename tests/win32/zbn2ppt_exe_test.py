#!/usr/bin/env python3
"""Runs Zbn2PPT.exe (a test build, which records its message boxes) under
Wine and checks what a user would see: the usage under "Help" for no
arguments, an error under "Error" for a wrong extension, and the message
about PowerPoint when the request is valid but no PowerPoint is registered.
Every case also checks that no window other than the message boxes opened.
Then a blank and a template build against a PowerPoint in another process
(the scripted application of the tests, served by --server) must hold the
whole conversation and end with status 0 and no message box.

The runs use a Wine prefix of their own, so that no other test's class
registration is seen here, nor this test's there.

    zbn2ppt_exe_test.py --exe build/windows/src/app/win32/Zbn2PPT.exe \
                        --wine tests/win32/wine-exec \
                        --server build/windows/tests/win32/scripted_powerpoint_server.exe
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

NO_POWERPOINT = "MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."


def windows_path(path):
    """The path of a Linux file as a Windows program under Wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(args, exe, wine, work):
    log = os.path.join(work, "boxes.jsonl")
    if os.path.exists(log):
        os.remove(log)
    env = dict(os.environ, ZBN_MESSAGE_BOX_LOG=windows_path(log))
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
    parser.add_argument("--server", required=True)
    options = parser.parse_args()
    prefix = os.environ.get("WINEPREFIX", "/tmp/zbn2ppt-wine-%d" % os.getuid())
    os.environ.update(WINEPREFIX=prefix + "-exe", WINEDEBUG="-all")

    def server(*args):
        return subprocess.run([os.path.abspath(options.wine), os.path.abspath(options.server)] +
                              list(args), timeout=300, stdin=subprocess.DEVNULL,
                              capture_output=True).returncode

    # Left over from an interrupted run, it would stand in for PowerPoint.
    server("unregister")

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
                # The application's own boxes add MB_ICONEXCLAMATION (0x30).
                expected_type = 0x30 if caption == "Zbn2PPT" else 0
                if box["type"] != expected_type:
                    problems.append("type %r, not %r" % (box["type"], expected_type))
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

        template = os.path.join(work, "TrelvoTemplate.pot")
        with open(template, "wb") as f:
            f.write(b"opened only by the server, which does not read it\n")
        report = os.path.join(work, "server-report.txt")
        for name, template_args in [("a blank build over a separate-process PowerPoint", []),
                                    ("a template build over a separate-process PowerPoint",
                                     [windows_path(template)])]:
            if os.path.exists(report):
                os.remove(report)
            request = [windows_path(data), windows_path(output)] + template_args
            problems = []
            request_file = os.path.join(work, "server-request.txt")
            with open(request_file, "w", encoding="utf-8") as f:
                f.write("\n".join([windows_path(report)] + request + [""] * (3 - len(request)) +
                                  ["bracket_multiple"]) + "\n")
            if server("register", windows_path(request_file)) != 0:
                problems.append("the server could not be registered")
            try:
                code, records = run(request, options.exe, options.wine, work)
            finally:
                server("unregister")
            # The server writes its report once every object is back.
            deadline = time.time() + 60
            while not os.path.exists(report) and time.time() < deadline:
                time.sleep(0.2)
            if code != 0:
                problems.append("exit status %d, not 0" % code)
            if records:
                problems.append("windows or message boxes: %r" % records)
            lines = open(report, encoding="utf-8").read().splitlines() if os.path.exists(
                report) else ["no report from the server"]
            if lines != ["ok"]:
                problems.extend(lines)
            if problems:
                failed += 1
                print("FAIL: %s\n  %s" % (name, "\n  ".join(problems)))
            else:
                passed += 1
                print("ok: %s" % name)

    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
