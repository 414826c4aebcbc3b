#!/usr/bin/env python3
"""Runs Zbn2PPT.exe under Wine, built with tests so that it records its
message boxes, and checks the boxes, the exit status and the output file.
With a server, PowerPoint is the scripted application in another process,
which reports how the calls and releases differed from the conversation. The
runs have a Wine prefix of their own, apart from other tests' registrations.

    zbn2ppt_exe_test.py Zbn2PPT.exe wine-exec scripted_powerpoint_server.exe
"""
import os
import re
import subprocess
import sys
import tempfile
import time

DATA, OUTPUT, TEMPLATE = "bracket_multiple.zbn", "bracket_Multiple.ppt", "TrelvoTemplate.pot"
WIDE_OUTPUT = "M\u00fcller \u6570\u636e.ppt"
USAGE = "Command Line Usage:\n.*"
EXCLAMATION = 0x30  # the application's own boxes add MB_ICONEXCLAMATION
CLSID = "{7D3C51E2-9A40-4B6F-8C21-5E0000000002}"  # the server's, under PowerPoint's ProgID

# name, arguments (files in the work folder), server (None: no PowerPoint;
# else the step whose call fails, "" for none), boxes (caption, type, text
# pattern), exit status
CASES = [
    ("no arguments show the usage", [], None, [("Help", 0, USAGE)], 2),
    ("without PowerPoint the request ends with its message", [DATA, OUTPUT], None,
     [("Zbn2PPT", EXCLAMATION,
       re.escape("MS-PowerPoint 2003 with SP3 (11.8318.8821) and above needed."))], 1),
    ("a blank build over COM, with a name beyond ASCII", [DATA, WIDE_OUTPUT], "", [], 0),
    ("a template build over COM", [DATA, OUTPUT, TEMPLATE], "", [], 0),
    ("a save that fails over COM is told, then PowerPoint is put back", [DATA, OUTPUT], "27",
     [("Zbn2PPT", EXCLAMATION,
       'Could not save the presentation as ".*bracket_Multiple.ppt": the disk is full')], 1),
]


def main():
    exe, wine_exec, server_exe = map(os.path.abspath, sys.argv[1:])
    prefix = os.environ.get("WINEPREFIX", "/tmp/zbn2ppt-wine-%d" % os.getuid())
    os.environ.update(WINEPREFIX=prefix + "-exe", WINEDEBUG="-all")

    def wine(*args, **kwargs):
        return subprocess.run([wine_exec, *args], timeout=300, stdin=subprocess.DEVNULL,
                              capture_output=True, **kwargs).returncode

    def windows(path):
        """The file as a Windows program under Wine names it."""
        return "Z:" + os.path.abspath(path).replace("/", "\\") if path else ""

    def write(path, text, encoding="utf-8"):
        with open(path, "w", encoding=encoding) as f:
            f.write(text)

    def classes(*keys):
        """Writes (key, value) pairs, or removes (key,), in the classes of the registry."""
        write("classes.reg", "Windows Registry Editor Version 5.00\n" + "".join(
            "\n[%sHKEY_CLASSES_ROOT\\%s]\n" % ("" if value else "-", key) + "".join(
                '@="%s"\n' % v.replace("\\", "\\\\").replace('"', '\\"') for v in value)
            for key, *value in keys), "utf-16")
        return wine("regedit", "/s", windows("classes.reg"))

    failures = 0
    unregister = [("PowerPoint.Application",), ("CLSID\\" + CLSID,)]
    with tempfile.TemporaryDirectory(prefix="zbn2ppt-exe-") as work:
        os.chdir(work)
        for name in (DATA, TEMPLATE):
            write(name, "read by neither program\n")
        # Left over from an interrupted run, it would stand in for PowerPoint.
        classes(*unregister)
        # The cases without a server come first; the server, once registered,
        # reads each case's request from the same file.
        server = '"%s" "%s"' % (windows(server_exe), windows("request"))
        registered = False
        for case, (name, args, failing, boxes, status) in enumerate(CASES):
            boxes_log, report = "boxes%d" % case, "report%d" % case
            problems = []
            if failing is not None:
                write("request", "\n".join(map(windows, [report] + (args + ["", ""])[:3])) +
                      "\nbracket_multiple\n" + failing + "\n")
                registered = registered or classes(
                    ("PowerPoint.Application\\CLSID", CLSID),
                    ("CLSID\\%s\\LocalServer32" % CLSID, server)) == 0
                if not registered:
                    problems.append("the server could not be registered")
            output_before = len(args) > 1 and os.path.exists(args[1])
            code = wine(exe, *map(windows, args),
                        env=dict(os.environ, ZBN_MESSAGE_BOX_LOG=windows(boxes_log)))

            shown = []
            if os.path.exists(boxes_log):
                with open(boxes_log, encoding="utf-8", newline="") as f:
                    shown = [box.split("\n", 2) for box in f.read().split("\0")[:-1]]
            if len(shown) != len(boxes) or any(
                    box[:2] != [caption, str(kind)] or not re.fullmatch(text, box[-1], re.S)
                    for box, (caption, kind, text) in zip(shown, boxes)):
                problems.append("message boxes %r, not %r" % (shown, boxes))
            if code != status:
                problems.append("exit status %d, not %d" % (code, status))
            # The probe makes the output; a build that saves nothing takes away
            # what the probe made, never a file that was there before.
            if len(args) > 1 and os.path.exists(args[1]) != (status == 0 or output_before):
                problems.append("the output %s is %s" % (
                    args[1], "missing" if status == 0 else "left behind"))
            if failing is not None:
                # The server writes its report once every object is back.
                deadline = time.time() + 60
                while not os.path.exists(report) and time.time() < deadline:
                    time.sleep(0.2)
                lines = (open(report, encoding="utf-8").read().splitlines()
                         if os.path.exists(report) else ["no report from the server"])
                problems += [] if lines == ["ok"] else lines
            print("%s: %s" % ("FAIL" if problems else "ok", name) + "".join(
                "\n  " + problem for problem in problems))
            failures += len(problems)
        classes(*unregister)
        os.chdir("/")
    print("%d problems" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
