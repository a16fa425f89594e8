"""The project's Wine prefix: created once under build/, configured for tests
(virtual desktop, no crash dialog, COM1-COM4 declared as links we control)."""
import contextlib
import functools
import getpass
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
WINE32_LOADER = pathlib.Path("/usr/lib/wine/wine")  # Debian's wine32:i386; runs both builds
WINE64_LOADER = pathlib.Path("/usr/lib/wine/wine64")
BROWSER_PAGES = BUILD / "evidence" / "pages.txt"  # what the desktop's browser was asked to show


def settings():
    """The prefix's settings, COM1-COM4 declared as links in PORTS. A web page opens in the desktop's
    browser, as every Windows opens it in one: Wine would register the type with its own HTML
    engine, which needs a Gecko that Debian does not package and is left out of the prefix."""
    return """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Classes\\.html]
@="htmlfile"

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
""" + "".join(f'"COM{n}"="{PORTS}/com{n}"\n' for n in range(1, 5))


@functools.lru_cache(maxsize=None)
def arch():
    """The build the stage and end-to-end tests run: the i686 release wherever 32-bit Wine
    runs (scripts/install-deps installs it where this kernel runs 32-bit code), else the x86_64
    build, with the 64-bit loader (Debian's wine script would pick a wine32 that cannot start)."""
    try:
        return "i686" if subprocess.run([WINE32_LOADER, "--version"], capture_output=True).returncode == 0 else "x86_64"
    except OSError:  # not installed, or an exec format error
        return "x86_64"


def exe_dir():
    return BUILD / arch()


def loader():
    return str(WINE32_LOADER if arch() == "i686" else WINE64_LOADER)


def env(dll_overrides=""):
    """The environment of every Wine call of the project, with `dll_overrides` (WINEDLLOVERRIDES) added."""
    e = dict(os.environ)
    e.update(WINEPREFIX=str(PREFIX), WINEDEBUG="-all", WINEARCH="win64", WINELOADER=loader(),
             PATH=f"{ROOT / 'tools' / 'rig' / 'browser'}:{e['PATH']}", ZK_BROWSER_PAGES=str(BROWSER_PAGES),
             WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;" + dll_overrides)
    return e


def run(*args, check=True, **kwargs):
    """A Windows program (or Wine's own, by name) under the project's loader."""
    return subprocess.run([loader(), *args], env=env(), check=check, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, **kwargs)


def end_session():
    """Windows ending the session as wineboot asks it of every program of the prefix, and ends
    each that agrees (without --force; with --shutdown the prefix is not started again): 1 when
    one refused."""
    return run("wineboot", "--end-session", "--shutdown", check=False).returncode


def ensure_prefix():
    """Creates and configures the prefix when it is missing or its settings changed."""
    ABSENT.mkdir(parents=True, exist_ok=True)
    for n in range(1, 5):
        set_port(n, None)
    stamp = PREFIX / ".zk-settings"
    digest = hashlib.sha256((settings() + "marlett").encode()).hexdigest()
    if stamp.exists() and stamp.read_text() == digest:
        return
    PREFIX.parent.mkdir(parents=True, exist_ok=True)
    run("wineboot", "-i")
    # Wine draws the caption buttons with Marlett, which this packaging leaves out of the prefix.
    shutil.copy("/usr/share/wine/fonts/marlett.ttf", PREFIX / "drive_c" / "windows" / "Fonts")
    reg = PREFIX.parent / f"{PREFIX.name}-settings.reg"
    reg.write_text(settings())
    run("regedit", "/S", str(reg))
    # The settings take effect when the server starts again.
    stop_server()
    stamp.write_text(digest)


def start_server():
    """Keeps one server for a whole session, so each program starts quickly; false
    when one was running already. The first program also starts Wine's own
    services, which then live on with the server: started here, they hold no
    test's output pipe open."""
    started = server("-p").returncode == 0
    run("cmd", "/c", "exit")
    return started


def server(*args):
    return subprocess.run(["wineserver", *args], env=env(), check=False, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)


def stop_server():
    server("-k")
    server("-w")


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


def reg_view():
    """The registry view that the program under test reads: the release's is the 32-bit one."""
    return "/reg:32" if arch() == "i686" else "/reg:64"


def reg(*args, check=True):
    """Wine's own reg.exe, by path, so that nothing in the working folder shadows it."""
    return subprocess.run([loader(), "C:\\windows\\system32\\reg.exe", *args], env=env(), check=check,
                          capture_output=True, text=True)


def reg_values(key):
    """The key's values as {name: data as reg.exe shows it}, in the view that the program
    reads; None when the key is missing."""
    done = reg("query", key, reg_view(), check=False)
    if done.returncode:
        return None
    rows = (line.split(None, 2) for line in done.stdout.splitlines())
    return {row[0]: row[2] for row in rows if len(row) == 3 and row[1].startswith("REG_")}


def record_file():
    """The utility's run record in the prefix: %LOCALAPPDATA% of the Unix user Wine runs as."""
    return PREFIX / "drive_c" / "users" / getpass.getuser() / "AppData/Local/Haldren/ZK-4100 Update/update.log"


def clear_record():
    """No record left by earlier runs: what a test reads of it, its own runs wrote."""
    with contextlib.suppress(FileNotFoundError, NotADirectoryError):
        record_file().unlink()


def windows_path(path):
    """The same file as Wine programs name it (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")
