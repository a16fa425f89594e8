"""Shared fixtures: the Wine prefix and server for a whole session. The test tools (the rig,
the simulated radio) and the utility's texts (texts.py) are importable from every test."""
import pathlib
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tools" / "rig"), str(ROOT / "tools" / "radio-sim"), str(ROOT / "tests")]

from rig import wine  # noqa: E402


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    wine.ensure_prefix()
    started = wine.start_server()
    yield
    if started:
        wine.stop_server()
