"""Windows programs of the build under Wine: the utility itself, as a person at the screen meets
it, and the stage host."""
import collections
import contextlib
import json
import pathlib
import re
import select
import shutil
import subprocess
import time
import urllib.parse

from . import wine

# Where the program keeps the marker, as its source names it.
MARKER_KEY = "HKLM\\" + re.search(r'MARKER_KEY = "(.*)"', (wine.ROOT / "update" / "Marker.h").read_text())[1].replace(
    "\\\\", "\\")


# Waits are bounded for a program that hangs: a whole write against the unpaced radio takes
# seconds, and a planted fault must fail a test well within a minute.
WAIT_S = 45
EVIDENCE = wine.BUILD / "evidence"  # what failed tests leave behind
WINE_LOG = EVIDENCE / "wine.log"      # Wine's messages for the programs started here, appended


def launch(program, *args, debug="fixme-all", log=WINE_LOG, dll_overrides="", **popen):
    """A Windows program under test with `args`, its Wine messages on the `debug` channels appended to `log`."""
    env = {**wine.env(dll_overrides), "WINEDEBUG": debug}
    EVIDENCE.mkdir(parents=True, exist_ok=True)
    with open(log, "a") as stderr:
        return subprocess.Popen([wine.loader(), str(program), *args], env=env, stderr=stderr, **popen)


def exe(name):
    """Path of a program of the build under test (wine.arch())."""
    path = wine.exe_dir() / name
    if not path.exists():
        raise FileNotFoundError(f"{name} is not built; run make build")
    return path


def copy_program(folder):
    """The build's ZK4100Update.exe and its help copied into `folder`, as a technician extracts
    them from a download: the copy's path."""
    shutil.copytree(exe("help"), folder / "help")
    return pathlib.Path(shutil.copy(exe("ZK4100Update.exe"), folder))


class StageHost:
    """The stage host: the real dialog, hidden, a command a line in, one JSON line out. Its
    `process` is the Wine process that runs it (Linux sees its CPU time as Windows does)."""

    def __init__(self):
        self.process = launch(exe("stage_host.exe"), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                              bufsize=1)

    def __call__(self, name, *args, timeout=WAIT_S):
        """The reply to the command `name` with its arguments (bytes go as lists of numbers), which
        the host must have understood."""
        command = [name, *(list(a) if isinstance(a, bytes) else a for a in args)]
        self.process.stdin.write(json.dumps(command) + "\n")
        self.process.stdin.flush()
        # One line answers each command: nothing lies read ahead in the pipe's buffer.
        if not select.select([self.process.stdout], [], [], timeout)[0]:
            raise TimeoutError(f"no answer within {timeout} s")
        answer = self.process.stdout.readline()
        if not answer:
            raise EOFError(f"the program ended (exit code {self.process.poll()})")
        reply = json.loads(answer)
        assert reply["ok"], reply
        return reply

    def on_open_port(self, *commands, timeout=WAIT_S):
        """Opens the port and starts the reader, runs the commands (a name, or a name and its
        arguments), then stops and closes again: the commands' replies."""
        self("open")
        self("start-reader")
        replies = [self(*([c] if isinstance(c, str) else c), timeout=timeout) for c in commands]
        self("stop-reader")
        self("close")
        return replies

    def close(self):
        try:
            self.process.stdin.write('["quit"]\n')
            self.process.stdin.close()
            self.process.wait(timeout=20)
        except (BrokenPipeError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def marker(action, value=None, kind="REG_DWORD"):
    """The registry marker as an installer or an administrator sets it up ("create", with "Data"
    of that kind if `value` is given; "clear"), or as it is stored ("read": {"key": bool, "value":
    n or None}), by Wine's reg.exe in the view that the program reads."""
    stored = wine.reg_values(MARKER_KEY)
    if action == "read":
        return {"key": stored is not None, "value": int(stored["Data"], 16) if stored and "Data" in stored else None}
    if stored is not None:
        wine.reg("delete", MARKER_KEY, "/f", wine.reg_view())
    if action == "create":
        data = ("/v", "Data", "/t", kind, "/d", value) if value is not None else ()
        wine.reg("add", MARKER_KEY, *data, "/f", wine.reg_view())


# The captions of the utility's window, its boxes and its About box.
MAIN, BOX, ABOUT = "Haldren ZK-4100 Update", "ZK-4100 Update", "About Haldren ZK-4100 Update"


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def press(*keys):
    """Keys as a person types them, one after the other, through the X server that Wine's desktop
    reads (xdotool's names: "Return", "alt+F4"), to the window that takes the keys."""
    subprocess.run(["xdotool", "key", *keys], check=True)


def shown(caption=".*"):
    """The X ids of the windows on the screen with this caption (none of ours holds a character
    that the search's regular expression would read otherwise)."""
    return xdotool("search", "--onlyvisible", "--name", f"^{caption}$").split()


KEYBOARD_S = 5  # on the screen this long without taking the keys: no person could answer it


def until(check, timeout, what, every=0.05, hopeless=None):
    """The first result of check() that is not false, looked for `every` seconds; fails saying
    `what` did not come within `timeout` seconds, or at once when `hopeless()` gives a reason
    why it cannot come any more."""
    deadline = time.monotonic() + timeout
    while not (found := check()):
        why = hopeless and hopeless()
        assert not why, f"{what}: cannot come any more, {why}"
        assert time.monotonic() < deadline, f"{what}: not within {timeout} s"
        time.sleep(every)
    return found


def window(caption, hopeless=None, owner=None):
    """The X id of the window with this caption, waited for on the screen as a person sees it;
    once there it must take the keys within KEYBOARD_S. A box must be owned by the main window
    (unless `owner` says otherwise: "" for a box shown before it): then it stays in front of it,
    and the window takes no input while the box is open."""
    until(lambda: shown(caption), WAIT_S, f"the window {caption!r} on the screen", hopeless=hopeless)
    owner = ("" if caption == MAIN else MAIN) if owner is None else owner
    return until(lambda: keys_go_to() == (caption, owner) and shown(caption), KEYBOARD_S,
                 f"the window {caption!r}, owned by {owner or 'none'}, on the screen, taking the keys")[0]


def keys_go_to():
    """The caption of the window that takes the keys, as Wine's desktop itself tells, and that
    of its owner ("" for none)."""
    told = subprocess.run([wine.loader(), exe("keyboard.exe")], env=wine.env(), capture_output=True, text=True)
    return tuple((told.stdout.split("\n") + ["", ""])[:2])


def answer(key="Return", caption=BOX, read_s=0, hopeless=None, owner=None):
    """The next box, answered with `key` (Return: OK, Escape: Cancel) once it takes the keys,
    or after a person has read it for `read_s`; back when it has left the screen."""
    box = window(caption, hopeless, owner)
    time.sleep(read_s)
    press(key)
    until(lambda: box not in shown(caption), 10, f"the box {box} gone")


def record(port=None):
    """The utility's run record, event by event (those of the runs on `port` if given): each
    line's local time to the millisecond and the run's port are checked and cut off. A line
    still being written is left out."""
    path = wine.record_file()
    return events(path.read_bytes() if path.exists() else b"", port)


def events(written, port=None):
    """The events of whole record lines as the program writes them (bytes), as record() gives them."""
    lines = written.decode("utf-8").split("\r\n")[:-1]
    stamped = [re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (COM\d) (.+)", line) for line in lines]
    assert all(stamped), lines
    return [m[2] for m in stamped if port in (None, m[1])]


def prompt(text, answer):
    """A prompt's line in the record: its first line, and the button that answered it."""
    return f'prompt "{text.splitlines()[0]}" answered {answer}'


def message(text):
    return f'message "{text.splitlines()[0]}"'


def boxes(events):
    """The prompts and messages among a record's events."""
    return [e for e in events if e.startswith(("prompt ", "message "))]


def start_utility(program=None, **options):
    """ZK4100Update.exe started as an operator starts it: the build's, or `program` (where an
    installer put it, or a copy), with launch()'s `options` (its folder `cwd`, say, or Wine's
    messages on other `debug` channels: of the programs it starts too). Killing the process ends
    the program."""
    wine.BROWSER_PAGES.unlink(missing_ok=True)
    return launch(program or exe("ZK4100Update.exe"), stdout=subprocess.DEVNULL, **options)


def pages_shown():
    """The pages the desktop's browser was asked to show since the program started, as the files
    their URLs name (Wine's own links to drives resolved)."""
    urls = wine.BROWSER_PAGES.read_text().split() if wine.BROWSER_PAGES.exists() else []
    return [pathlib.Path(urllib.parse.unquote(urllib.parse.urlparse(url).path)).resolve() for url in urls]


def evidence(name, wine_log_from=0):
    """What a failed test leaves for whoever reads its report: a screenshot of the display (kept
    in EVIDENCE), the windows on the screen and which takes the keys, the run record, and the
    tail of Wine's messages since `wine_log_from`."""
    shot = EVIDENCE / (re.sub(r"[^\w.-]+", "_", name) + ".png")
    took = subprocess.run(["import", "-window", "root", str(shot)], capture_output=True, text=True)
    focus, path = xdotool("getwindowfocus"), wine.record_file()
    recorded = path.read_bytes().decode("utf-8", "replace").splitlines()[-30:] if path.is_file() else ["(none)"]
    with open(WINE_LOG, "a+", errors="replace") as log:  # made if no program has been started
        log.seek(wine_log_from)
        messages = log.read().splitlines()[-40:] or ["(none)"]
    return "\n".join([
        f"screenshot: {shot}" if took.returncode == 0 else f"screenshot: failed: {took.stderr.strip()}",
        "windows on the screen (* has the X focus); the keys go to {!r}, owned by {!r}:".format(*keys_go_to()),
        *(f"  {'*' if i == focus else ' '} {i} {xdotool('getwindowname', i)!r}" for i in shown()),
        f"run record ({path}), last lines:", *(f"  {line}" for line in recorded),
        f"Wine's messages ({WINE_LOG}), last lines:", *(f"  {line}" for line in messages)])


# DLLs that Windows looks for beside a program before its system folder, as a browser's Downloads
# folder may hold them: the program's own imports of old (comctl32, version, winmm), what Windows'
# DLLs load by name for a dialog program or an installer, and what the cryptographic provider that
# seeds the C runtime's stack guard loads (Wine's imports crypt32 too). The KnownDLLs (imm32,
# msctf, clbcatq, ...) are left out: Windows never looks for those there.
PLANTED = ("comctl32 version winmm uxtheme dwmapi userenv setupapi apphelp propsys cryptbase oleacc shfolder riched20"
           " msftedit wintypes ntmarta textinputframework coremessaging bcrypt bcryptprimitives cryptsp rsaenh crypt32"
           " msasn1").split()
# launch()'s options for a program run beside them: Wine told to prefer each, as Windows does, and
# its loader telling in WINE_LOG where each DLL came from.
PLANTED_RUN = {"dll_overrides": ",".join(PLANTED) + "=n,b", "debug": "fixme-all,+loaddll"}


def run_planted(program, *args):
    """`program` started from its own folder with `args`, the planted copies there preferred, as a
    person runs a download: its exit code."""
    return launch(program, *args, cwd=program.parent, stdout=subprocess.DEVNULL, **PLANTED_RUN).wait(WAIT_S)


@contextlib.contextmanager
def planted_beside(program):
    """Copies of planted.dll beside `program` under every name of PLANTED, for the block to run it
    from there. At its end no copy may have run more often than Wine itself runs it as a process
    starts: as a bare window started there with the manifest of `program` shows (the manifest
    decides some of Wine's loads). Under Wine, user32 imports version.dll and loads uxtheme.dll,
    so some copy runs in the bare window: the copies are found."""
    folder = program.parent

    def ran():
        log = folder / "planted.log"  # each copy notes its file name there when it runs
        counts = collections.Counter(log.read_text().lower().split() if log.exists() else [])
        log.unlink(missing_ok=True)
        return counts
    for name in PLANTED:
        shutil.copy(exe("planted.dll"), folder / f"{name}.dll")
    shutil.copy(exe("bare_window.exe"), folder)
    manifest = re.search(rb"<\?xml.*?</assembly>", program.read_bytes(), re.S)[0]
    (folder / "bare_window.exe.manifest").write_bytes(manifest)
    share = ran() if run_planted(folder / "bare_window.exe") == 0 else None
    assert share, f"the bare window failed, or no planted copy ran in it: Wine did not prefer those in {folder}"
    yield
    after = ran()
    assert not after - share, f"planted DLLs ran in {program.name}: {dict(after)} (Wine's own: {dict(share)})"
