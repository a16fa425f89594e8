"""The release of another payload than the sample, signed with a throwaway certificate, and its
installer as an administrator runs it, in a fresh prefix, beside planted DLLs: a silent install
refused outside Program Files, a silent install, the installed program through a failed write and
its Help, an uninstall and a reinstall that keep the radio identified, and the repeat that
completes the write. A release of the sample only when asked for, named so. A release that cannot
be made or signed as asked is not made at all."""
import hashlib
import os
import pathlib
import re
import shutil
import subprocess

import pytest

from radiosim.boot import BLOCKS
from rig import wine
from rig.programs import (MAIN, MARKER_KEY, boxes, exe, message, pages_shown, planted_beside, press, prompt,
                          run_planted, until, window)
from rig.radio import SAMPLE_IMAGE, SAMPLE_PROGRAM, payload_named, zk4100
from texts import COMPLETED, CONNECTION, NORMAL_MODE, WRITE_FAILED, WRITING_MODE

UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZK-4100 Update"


@pytest.fixture
def fresh_prefix(tmp_path, monkeypatch):
    # One Wine desktop on the display at a time, as on a PC: with two, a key goes to whichever
    # holds the X focus, which neither server controls.
    wine.stop_server()
    monkeypatch.setattr(wine, "PREFIX", tmp_path / "prefix")
    wine.ensure_prefix()
    yield wine.PREFIX
    wine.stop_server()
    monkeypatch.undo()
    wine.start_server()


def accepted(events):
    """The blocks that a record names as accepted, in its order: (index, (address, size))."""
    found = (re.fullmatch(r"block (\d+) accepted \(address 0x([0-9A-F]+), (\d+) bytes\)", e) for e in events)
    return [(int(m[1]), (int(m[2], 16), int(m[3]))) for m in found if m]


@pytest.fixture(scope="module")
def certificate(tmp_path_factory):
    """A throwaway code-signing certificate: cert.pem, and cert.p12 with its key (password "secret")."""
    folder = tmp_path_factory.mktemp("certificate")
    subprocess.run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Haldren -keyout key.pem -out cert.pem"
                   " && openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:secret",
                   shell=True, cwd=folder, check=True, capture_output=True)
    return folder


@pytest.fixture(scope="module")
def payload(tmp_path_factory):
    """Another payload of the sample's shape, the maker's files as the release takes them."""
    folder = tmp_path_factory.mktemp("payload")
    subprocess.run(["/usr/bin/python3", wine.ROOT / "payload" / "make-samples.py", folder, "7"], check=True)
    return {"ZK_FIRMWARE_IMAGE": str(folder / "sample-firmware.bin"),
            "ZK_WRITE_CONTROL_PROGRAM": str(folder / "sample-write-control-program.bin")}


def make_release(folder, certificate, **env):
    """scripts/release of the build under test into `folder`, signed with the certificate, with
    the payload that `env` gives (none of the caller's). Each program that handles the certificate
    is seen through a stand-in beside it first on PATH, which notes its arguments in
    `certificate`/seen (what `ps` would show) and runs the real one. It builds the build under
    test again, with that payload."""
    (certificate / "seen").unlink(missing_ok=True)
    for program in ("osslsigncode", "makensis", "openssl"):
        stand_in = f'#!/bin/sh\necho "$0 $*" >>{certificate}/seen\nexec {shutil.which(program)} "$@"\n'
        (certificate / program).write_text(stand_in)
        (certificate / program).chmod(0o755)
    own = {k: v for k, v in os.environ.items() if k not in ("SAMPLE", "ZK_FIRMWARE_IMAGE", "ZK_WRITE_CONTROL_PROGRAM")}
    env = {**own, "SIGN_PKCS12": str(certificate / "cert.p12"), "SIGN_PASSWORD": "secret",
           "PATH": f"{certificate}:{os.environ['PATH']}", **env}
    return subprocess.run([wine.ROOT / "scripts" / "release", folder, wine.arch()], env=env, capture_output=True,
                          text=True)


SAMPLE = {"ZK_FIRMWARE_IMAGE": str(SAMPLE_IMAGE), "ZK_WRITE_CONTROL_PROGRAM": str(SAMPLE_PROGRAM)}


@pytest.mark.parametrize("env, said", [
    ({}, "release: ZK_FIRMWARE_IMAGE is not set"),
    ({"ZK_FIRMWARE_IMAGE": str(SAMPLE_IMAGE)}, "release: ZK_WRITE_CONTROL_PROGRAM is not set"),
    ({**SAMPLE, "ZK_FIRMWARE_IMAGE": "/nowhere/image.bin"}, "Payload file /nowhere/image.bin does not exist"),
    ({**SAMPLE, "ZK_FIRMWARE_IMAGE": "/tmp"}, "Payload file /tmp cannot be read"),  # as root, every file reads
    ({**SAMPLE, "ZK_FIRMWARE_IMAGE": str(SAMPLE_PROGRAM)}, f"Payload file {SAMPLE_PROGRAM} holds 1436 bytes"),
    (SAMPLE, f"release: ZK_FIRMWARE_IMAGE={SAMPLE_IMAGE} is the sample of payload/"),
    ({"SAMPLE": "1", "SIGN_PKCS12": "/nowhere/cert.p12"}, "cannot read the certificate SIGN_PKCS12=/nowhere/cert.p12"),
    ({"SAMPLE": "1", "SIGN_PASSWORD": "wrong"}, "does not open with SIGN_PASSWORD: a wrong password"),
    ({"SAMPLE": "1", "SIGN_TIMESTAMP_URL": "http://127.0.0.1:9/"}, "sign: signing"),  # nothing answers there
])
def test_a_release_that_cannot_be_made_as_asked_is_not_made(tmp_path, certificate, env, said):
    done = make_release(tmp_path / "release", certificate, **env)
    # CMake wraps long messages at spaces.
    assert done.returncode and said in " ".join(done.stderr.split()), done.stderr
    assert list(tmp_path.iterdir()) == []  # neither the release nor a part of it


def install(release):
    """The release's installer, run silently from its folder, which holds planted DLLs."""
    setup = next(release.glob("*-setup.exe"))
    with planted_beside(setup):
        assert run_planted(setup, "/S") == 0


def test_install_a_failed_write_uninstall_reinstall_and_the_repeat(tmp_path, certificate, payload, fresh_prefix,
                                                                   session):
    release, sample = tmp_path / "release", tmp_path / "sample"
    try:
        made = make_release(release, certificate, **payload)
    finally:
        # ... and the build under test carries the sample again, as the tests after this one need.
        sample_made = make_release(sample, certificate, SAMPLE="1")
    assert made.returncode == 0, made.stdout + made.stderr
    # Beside the files' sums, the digests of the payload it carries, in full.
    digests = [hashlib.sha256(pathlib.Path(payload[k]).read_bytes()).hexdigest() for k in payload]
    assert (release / "FIRMWARE-SHA256").read_text() == (
        f"{digests[0]}  firmware image\n{digests[1]}  write control program\n")
    # The sample, asked for by name, and named so.
    assert sample_made.returncode == 0, sample_made.stdout + sample_made.stderr
    assert sorted(p.name for p in sample.iterdir()) == [
        "FIRMWARE-SHA256", "SHA256SUMS", "ZK4100Update-1.04-sample-setup.exe", "ZK4100Update-sample.exe", "help"]
    assert (sample / "FIRMWARE-SHA256").read_text().count(" (sample)\n") == 2
    # The password on no command line: the program, the uninstaller and the installer signed.
    seen = (certificate / "seen").read_text()
    assert seen.count("osslsigncode sign ") == 3 and "secret" not in seen, seen
    program_files = "Program Files (x86)" if wine.arch() == "i686" else "Program Files"
    location = f"C:\\{program_files}\\Haldren\\ZK-4100 Update"
    folder = fresh_prefix / "drive_c" / program_files / "Haldren" / "ZK-4100 Update"
    link = fresh_prefix / "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Haldren/ZK-4100 Update.lnk"

    # Told to install where every signed-in user may change its files: an error, and nothing installed.
    setup = next(release.glob("*-setup.exe"))
    assert run_planted(setup, "/S", "/D=C:\\ZK4100") == 87  # ERROR_INVALID_PARAMETER
    assert (wine.reg_values(UNINSTALL), (fresh_prefix / "drive_c/ZK4100").exists(), folder.exists()) == (
        None, False, False)
    install(release)
    assert (link.is_file(), link.with_name("ZK-4100 Update Help.lnk").is_file()) == (True, True)
    # The help the build made, pages and pictures, in the release and installed beside the program.
    assert {f: sorted(p.name for p in (f / "help").iterdir()) for f in (folder, release)} == dict.fromkeys(
        (folder, release), sorted(p.name for p in exe("help").iterdir()))
    # Signed as the certificate says: the files of the release, and those the installer put in place.
    for file in (*release.glob("ZK4100Update*.exe"), folder / "ZK4100Update.exe", folder / "uninstall.exe"):
        done = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate / "cert.pem", "-in", file],
                              capture_output=True, text=True)
        assert done.returncode == 0, f"{file}: {done.stdout}{done.stderr}"
    entry = wine.reg_values(UNINSTALL)
    assert {k: entry[k] for k in ("DisplayName", "DisplayVersion", "Publisher", "InstallLocation")} == {
        "DisplayName": "ZK-4100 Update", "DisplayVersion": "1.04", "Publisher": "Haldren",
        "InstallLocation": location}
    assert int(entry["EstimatedSize"], 16) > 0
    assert wine.reg_values(MARKER_KEY) == {"Data": "0x0"}

    # The installed program identifies the radio; the write fails half way, with the flash erased.
    radio_payload = {"image_file": payload["ZK_FIRMWARE_IMAGE"], "program_file": payload["ZK_WRITE_CONTROL_PROGRAM"]}
    session.start(scenario=zk4100(start_in="normal", boot=radio_payload,
                                  faults=[{"at": "chunk:6:3", "kind": "silence"}]),
                  program=f"{location}\\ZK4100Update.exe")
    session.start_run()
    session.answer()
    session.enter_writing_mode()
    session.answer()
    assert wine.reg_values(MARKER_KEY) == {"Data": "0xc30"}
    # Its record, in a folder the fresh prefix did not have, says where and why (chunks count from 1).
    failed = session.run_said()
    # The version from its resource, and the payload it carries.
    assert failed[0] == f"run started: version 1.04, port COM1, marker 0; {payload_named(*payload.values())}"
    assert accepted(failed) == list(enumerate(BLOCKS))[:6]
    assert [e for e in failed if re.search(r"\bblock 6 chunk 4\b.*nothing came within 1000 ms", e)]
    assert boxes(failed) == [prompt(CONNECTION, "OK"), prompt(WRITING_MODE, "OK"), message(WRITE_FAILED)]
    window(MAIN, session.ended)
    press("alt+h")
    assert until(pages_shown, 20, "the help's page") == [folder / "help/procedure.html"]
    assert session.exit() == 0

    # The usual first remedy: uninstall and install again, here with DLLs planted beside the
    # uninstaller. It copies itself away and returns at once: its work is done when its own file
    # is gone.
    with planted_beside(folder / "uninstall.exe"):
        assert run_planted(folder / "uninstall.exe", "/S") == 0
        until(lambda: not (folder / "uninstall.exe").exists(), 30, "the uninstaller's work")  # the program's goes first
    assert not (folder / "help").exists()
    shutil.rmtree(folder)  # the planted copies
    assert not link.parent.exists() and wine.reg_values(UNINSTALL) is None
    assert wine.reg_values(MARKER_KEY) == {"Data": "0xc30"}  # the radio stays identified ...
    # An earlier install's folder outside Program Files, as another installer left it, is passed over.
    wine.reg("add", UNINSTALL, "/v", "InstallLocation", "/d", "C:\\ZK4100", "/f", wine.reg_view())
    install(release)
    assert (wine.reg_values(MARKER_KEY), wine.reg_values(UNINSTALL)["InstallLocation"]) == ({"Data": "0xc30"}, location)

    # ... so the repeat goes straight to the writing-mode prompt, which an erased radio needs.
    session.plug_radio(zk4100(start_in="boot", boot=radio_payload))
    session.start(program=f"{location}\\ZK4100Update.exe", ports=())
    session.start_run()
    for _ in range(3):
        session.answer()
    repeat = session.run_said()
    assert boxes(repeat) == [prompt(WRITING_MODE, "OK"), message(COMPLETED), message(NORMAL_MODE)]
    assert session.radios[1].stop()["radio"]["boot"]["flash_matches"]
    assert accepted(repeat) == list(enumerate(BLOCKS))
