#!/usr/bin/env python3
"""Runs the kexif tool on generated photos and checks what a script sees:
the JSON of `kexif tags --json`, error lines and exit statuses.

usage: kexif_tool_test.py KEXIF MAKE_SAMPLE
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import wave

KEXIF, MAKE_SAMPLE = sys.argv[1], sys.argv[2]
failures = []
checks = 0


def check(condition, message):
    global checks
    checks += 1
    if not condition:
        failures.append(message)


def kexif(*args):
    return subprocess.run([KEXIF, *args], capture_output=True, text=True)


def entries_by_name(document):
    found = {}
    for directory in document["directories"]:
        for entry in directory["entries"]:
            found[(directory["name"], entry["name"] or entry["tag"])] = entry
    return found


with tempfile.TemporaryDirectory() as work:
    little = os.path.join(work, "little.jpg")
    big = os.path.join(work, "big.jpg")
    junk = os.path.join(work, "junk.jpg")
    subprocess.run([MAKE_SAMPLE, little], check=True)
    subprocess.run([MAKE_SAMPLE, big, "--big-endian"], check=True)
    with open(junk, "wb") as f:
        f.write(b"\xff\xd8\xff\xe1\x00\x10Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x00")

    # One JSON document for the run, the bad file in the middle included.
    run = kexif("tags", "--json", little, junk, big)
    check(run.returncode == 1, f"tags with a bad file exits {run.returncode}, not 1")
    check(run.stderr.count("\n") == 1 and run.stderr.startswith(junk + ": "),
          f"one error line for the bad file, got {run.stderr!r}")
    try:
        document = json.loads(run.stdout)
    except json.JSONDecodeError as error:
        document = None
        check(False, f"tags --json is not JSON: {error}\n{run.stdout}")
    if document is not None:
        files = document["files"]
        check([f["file"] for f in files] == [little, junk, big], "files in command-line order")
        check("error" in files[1] and "directories" not in files[1], "the bad file carries its error")
        for photo in (files[0], files[2]):
            check(photo["format"] == "JPEG", "format JPEG")
            names = [d["name"] for d in photo["directories"]]
            check(names == ["IFD0", "Exif", "Interop", "GPS", "IFD1"], f"directories {names}")
            entries = entries_by_name(photo)
            check(entries[("Exif", "ExposureTime")] == {"tag": 33434, "name": "ExposureTime", "type": "RATIONAL",
                                                        "count": 1, "value": "1/160 s", "raw": "1/160"},
                  f"ExposureTime entry {entries[('Exif', 'ExposureTime')]}")
            check(entries[("Exif", "ExposureBiasValue")]["value"] == "-1/3", "signed rational")
            check(entries[("IFD0", "Make")]["value"] == "KexifCam", "ASCII value")
            check(entries[("GPS", "GPSLatitude")]["value"] == "48\u00b0 51' 30.00\" N", "GPS degrees")
            check(entries[("GPS", "GPSLatitude")]["raw"] == "48.8583333", "GPS decimal degrees")
            check(entries[("Interop", "InteroperabilityIndex")]["value"] == "R98", "Interop value")
        check(files[0]["directories"] == files[2]["directories"], "both byte orders list the same tags")

    # A JSON run with only good files succeeds and stays quiet on stderr.
    run = kexif("tags", "--json", little)
    check(run.returncode == 0 and run.stderr == "", f"good tags --json: {run.returncode} {run.stderr!r}")
    check(json.loads(run.stdout)["files"][0]["file"] == little, "single-file JSON")

    # An edit saved in place reads back, and a removal sticks.
    run = kexif("set", little, "ImageDescription", "Harbour at dawn")
    check(run.returncode == 0 and run.stderr == "", f"set: {run.returncode} {run.stderr!r}")
    run = kexif("get", little, "ImageDescription")
    check(run.stdout == "Harbour at dawn\n", f"get after set: {run.stdout!r}")
    run = kexif("rm", little, "GPSLatitude")
    check(run.returncode == 0, f"rm: {run.returncode} {run.stderr!r}")
    run = kexif("get", little, "GPSLatitude")
    check(run.returncode == 1 and run.stderr == f"{little}: no tag GPSLatitude\n", f"get after rm: {run.stderr!r}")
    entries = entries_by_name(json.loads(kexif("tags", "--json", little).stdout)["files"][0])
    check(entries[("IFD0", "ImageDescription")]["value"] == "Harbour at dawn", "tags after set")
    check(("GPS", "GPSLatitude") not in entries and ("GPS", "GPSLongitude") in entries, "tags after rm")

    # A file name that is no UTF-8 comes back byte for byte from the JSON,
    # and '-' reads the photo from standard input.
    latin = os.path.join(os.fsencode(work), b"caf\xe9.jpg")
    with open(little, "rb") as f, open(latin, "wb") as g:
        photo_bytes = f.read()
        g.write(photo_bytes)
    run = subprocess.run([KEXIF, "tags", "--json", latin], capture_output=True)
    document = json.loads(run.stdout.decode("utf-8"))
    check(document["files"][0]["file"].encode("utf-8", "surrogateescape") == latin, "non-UTF-8 name in JSON")
    run = subprocess.run([KEXIF, "get", "-", "Make"], input=photo_bytes, capture_output=True)
    check(run.returncode == 0 and run.stdout == b"KexifCam\n", f"get from standard input: {run.stdout!r} {run.stderr!r}")

    # A photo stripped of its Exif data is geotagged and rotated from scratch:
    # the GPS directory and IFD0 come back with the entries.
    check(kexif("strip", little, "APP1").returncode == 0, "strip APP1")
    for tag, value in (("GPSLatitude", "48/1 51/1 30/1"), ("GPSLatitudeRef", "N"), ("Orientation", "8")):
        run = kexif("set", little, tag, value)
        check(run.returncode == 0 and run.stderr == "", f"set {tag} from scratch: {run.returncode} {run.stderr!r}")
    entries = entries_by_name(json.loads(kexif("tags", "--json", little).stdout)["files"][0])
    check(entries.get(("GPS", "GPSLatitude"), {}).get("raw") == "48.8583333", f"GPS made: {sorted(entries)}")
    check(entries.get(("GPS", "GPSVersionID"), {}).get("raw") == "2 3 0 0", "GPSVersionID made")
    check(entries.get(("IFD0", "Orientation"), {}).get("raw") == "8", "Orientation in IFD0")

    # A file name that is not UTF-8 comes back exactly, in valid JSON.
    odd = os.path.join(work, os.fsdecode(b"caf\xe9.jpg"))
    shutil.copy(big, odd)
    run = subprocess.run([KEXIF, "tags", "--json", odd], capture_output=True)
    try:
        named = json.loads(run.stdout.decode("utf-8"))["files"][0]["file"]
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        named = f"<{error}>"
    check(named == odd, f"non-UTF-8 name in JSON: {named!r} from {run.stdout[:80]!r}")

    # An output that is its own input is refused and the photo kept.
    sound = os.path.join(work, "sound.wav")
    with wave.open(sound, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(8000)
        w.writeframes(bytes(range(256)) * 4)
    check(kexif("audio", big, "--set", sound).returncode == 0, "audio --set")
    with open(big, "rb") as f:
        before = f.read()
    for command in ("thumbnail", "audio"):
        run = kexif(command, big, "-o", big)
        with open(big, "rb") as f:
            kept = f.read() == before
        check(run.returncode == 1 and kept, f"{command} -o INPUT: {run.returncode} {run.stderr!r}, kept {kept}")
    run = kexif("audio", big, "-o", os.path.join(work, "out.wav"))
    check(run.returncode == 0, f"audio to another file: {run.returncode} {run.stderr!r}")

    # Command-line mistakes exit 2 with a usage line.
    run = kexif("tags", "--bogus", little)
    check(run.returncode == 2 and "usage: kexif tags" in run.stderr, f"bad option: {run.returncode} {run.stderr!r}")
    run = kexif("--help")
    check(run.returncode == 0 and "kexif tags FILE" in run.stdout, "--help lists the commands")

print(f"{checks - len(failures)} passed, {len(failures)} failed")
for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
