"""The project's Wine prefix: created once under build/, configured for tests
(virtual desktop, no crash dialog, COM1-COM4 declared as links we control)."""
import hashlib
import os
import pathlib
import shutil
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[3]
BUILD = ROOT / "build"
PREFIX = BUILD / "wineprefix"  # always our own: its registry is changed for the tests
PORTS = BUILD / "ports"          # comN links: to a pty for a present port
ABSENT = PORTS / "absent"        # a directory: a port that cannot be opened
EXE_DIR = BUILD / "x86_64"

SETTINGS = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
""" + "".join(f'"COM{n}"="{PORTS}/com{n}"\n' for n in range(1, 5))


def env():
    """The environment of every Wine call of the project."""
    e = dict(os.environ)
    e.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all", WINEARCH="win64",
             WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return e


def run(*args, check=True, **kwargs):
    return subprocess.run(list(args), env=env(), check=check, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, **kwargs)


def ensure_prefix():
    """Creates and configures the prefix when it is missing or its settings changed."""
    ABSENT.mkdir(parents=True, exist_ok=True)
    for n in range(1, 5):
        set_port(n, None)
    stamp = PREFIX / ".zk-settings"
    digest = hashlib.sha256((SETTINGS + "marlett").encode()).hexdigest()
    if stamp.exists() and stamp.read_text() == digest:
        return
    PREFIX.parent.mkdir(parents=True, exist_ok=True)
    run("wineboot", "-i")
    # Wine draws the caption buttons with Marlett, which this packaging leaves out of the prefix.
    shutil.copy("/usr/share/wine/fonts/marlett.ttf", PREFIX / "drive_c" / "windows" / "Fonts")
    reg = BUILD / "zk-settings.reg"
    reg.write_text(SETTINGS)
    run("wine", "regedit", "/S", str(reg))
    # The settings take effect when the server starts again.
    run("wineserver", "-k", check=False)
    run("wineserver", "-w", check=False)
    stamp.write_text(digest)


def start_server():
    """Keeps one server for a whole session, so each program starts quickly; false
    when one was running already. The first program also starts Wine's own
    services, which then live on with the server: started here, they hold no
    test's output pipe open."""
    started = run("wineserver", "-p", check=False).returncode == 0
    run("wine", "cmd", "/c", "exit")
    return started


def stop_server():
    run("wineserver", "-k", check=False)
    run("wineserver", "-w", check=False)


def port_link(n):
    return PORTS / f"com{n}"


def set_port(n, target):
    """Points COMn at `target` (a pty); None makes it a port that cannot be opened."""
    link = port_link(n)
    temp = link.with_name(link.name + ".new")
    if temp.is_symlink() or temp.exists():
        temp.unlink()
    temp.symlink_to(target or ABSENT)
    os.replace(temp, link)


def reg(*args, check=True):
    """Wine's own reg.exe, by path, so that nothing in the working folder shadows it."""
    return subprocess.run(["wine", "C:\\windows\\system32\\reg.exe", *args], env=env(), check=check,
                          capture_output=True, text=True)


def windows_path(path):
    """The same file as Wine programs name it (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")
