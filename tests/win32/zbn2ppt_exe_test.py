#!/usr/bin/env python3
"""Runs Zbn2PPT.exe (built with tests, so it records its message boxes and
windows) under Wine and checks what a user would see: the usage under "Help"
for no arguments, an error under "Error" for a wrong extension, and the
message about PowerPoint when no PowerPoint is registered; no other window;
the exit status. Then a blank and a template build against a PowerPoint in
another process (the scripted application, served by --server) must hold the
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


def main():
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--wine", "--server"):
        parser.add_argument(option, required=True)
    options = parser.parse_args()
    prefix = os.environ.get("WINEPREFIX", "/tmp/zbn2ppt-wine-%d" % os.getuid())
    os.environ.update(WINEPREFIX=prefix + "-exe", WINEDEBUG="-all")

    def wine(program, args, **kwargs):
        return subprocess.run([os.path.abspath(options.wine), os.path.abspath(program)] + args,
                              timeout=300, stdin=subprocess.DEVNULL, capture_output=True, **kwargs)

    def run(args):
        """The exit status and the recorded message boxes and windows of one run."""
        log = os.path.join(work, "boxes.jsonl")
        if os.path.exists(log):
            os.remove(log)
        env = dict(os.environ, ZBN_MESSAGE_BOX_LOG=windows_path(log))
        code = wine(options.exe, args, env=env, cwd=work).returncode
        if not os.path.exists(log):
            return code, []
        with open(log, encoding="utf-8") as f:
            return code, [json.loads(line) for line in f if line.strip()]

    failures = []

    def check(name, problems):
        print(("FAIL: %s\n  %s" % (name, "\n  ".join(problems))) if problems else "ok: " + name)
        failures.extend(problems)

    # Left over from an interrupted run, it would stand in for PowerPoint.
    wine(options.server, ["unregister"])
    with tempfile.TemporaryDirectory(prefix="zbn2ppt-exe-") as work:
        data = os.path.join(work, "bracket_multiple.zbn")
        output = os.path.join(work, "bracket_Multiple.ppt")
        wide_output = os.path.join(work, "M\u00fcller \u6570\u636e.ppt")
        with open(data, "wb") as f:
            f.write(b"ZBN test data\n")
        usage = run([])[1][0]["text"]

        # (name, arguments, caption, text check, exit status, file the probe made)
        for name, args, caption, text_ok, status, probed in [
            ("no arguments show the usage", [], "Help",
             lambda text: text.startswith("Command Line Usage:\n"), 2, None),
            ("a wrong extension is an error with the usage below", [windows_path(data) + ".txt"],
             "Error", lambda text: text.startswith("ERROR! ") and text.endswith("\n\n" + usage),
             2, None),
            ("without PowerPoint the request ends with its message",
             [windows_path(data), windows_path(output)], "Zbn2PPT",
             lambda text: text == NO_POWERPOINT, 1, output),
            ("a name beyond ASCII reaches the probe intact",
             [windows_path(data), windows_path(wide_output)], "Zbn2PPT",
             lambda text: text == NO_POWERPOINT, 1, wide_output),
        ]:
            code, records = run(args)
            # The application's own boxes add MB_ICONEXCLAMATION (0x30).
            expected = {"kind": "MessageBoxW", "caption": caption,
                        "type": 0x30 if caption == "Zbn2PPT" else 0}
            problems = []
            if len(records) != 1 or any(records[0].get(k) != v for k, v in expected.items()):
                problems.append("%r, not one box %r" % (records, expected))
            if records and not text_ok(records[0].get("text", "")):
                problems.append("unexpected text %r" % records[0].get("text"))
            if code != status:
                problems.append("exit status %d, not %d" % (code, status))
            if probed and not os.path.exists(probed):
                problems.append("the output probe did not create the output file")
            check(name, problems)

        template = os.path.join(work, "TrelvoTemplate.pot")
        with open(template, "wb") as f:
            f.write(b"opened only by the server, which does not read it\n")
        report = os.path.join(work, "server-report.txt")
        request_file = os.path.join(work, "server-request.txt")
        for name, template_args in [("a blank build over a separate-process PowerPoint", []),
                                    ("a template build over a separate-process PowerPoint",
                                     [windows_path(template)])]:
            if os.path.exists(report):
                os.remove(report)
            request = [windows_path(data), windows_path(output)] + template_args
            with open(request_file, "w", encoding="utf-8") as f:
                f.write("\n".join([windows_path(report)] + request + [""] * (3 - len(request)) +
                                  ["bracket_multiple"]) + "\n")
            problems = []
            if wine(options.server, ["register", windows_path(request_file)]).returncode != 0:
                problems.append("the server could not be registered")
            try:
                code, records = run(request)
            finally:
                wine(options.server, ["unregister"])
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
            check(name, problems + ([] if lines == ["ok"] else lines or ["an empty report"]))

    print("%d problems" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
