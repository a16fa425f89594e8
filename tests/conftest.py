"""Shared fixtures: the Wine prefix and server for a whole session."""
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    wine.ensure_prefix()
    started = wine.start_server()
    yield
    if started:
        wine.stop_server()
