"""Shared fixtures: the Wine prefix and server for a whole session, and the evidence a failing
test leaves in its report. The test tools (the rig, the simulated radio) and the utility's texts
(texts.py) are importable from every test."""
import pathlib
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tools" / "rig"), str(ROOT / "tools" / "radio-sim"), str(ROOT / "tests")]

from rig import programs, wine  # noqa: E402

WINE_LOG_FROM = pytest.StashKey[int]()


def pytest_runtest_setup(item):
    item.stash[WINE_LOG_FROM] = programs.WINE_LOG.stat().st_size if programs.WINE_LOG.exists() else 0


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """A failure with the Wine programs explains itself on a machine nobody here can look at."""
    report = (yield).get_result()
    if report.failed and call.when != "teardown" and {"stage", "e2e"} & set(item.path.parts):
        report.sections.append(("evidence", programs.evidence(item.name, item.stash[WINE_LOG_FROM])))


@pytest.fixture(autouse=True)
def own_record():
    """A test judges only the record lines its own runs wrote: none that an earlier run (of
    another build, say) left behind."""
    wine.clear_record()


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    wine.ensure_prefix()
    wine.stop_server()  # one left from another display would hold a stale desktop: start afresh
    wine.start_server()
    yield
    wine.stop_server()
