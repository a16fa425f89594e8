"""The simulated radio's own tests: no Wine, a simulator per test."""
import pytest

from simdrive import Sim


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    """Replaces the Wine session of the tests above: nothing here runs Windows programs."""


@pytest.fixture
def start(tmp_path):
    sims = []

    def start_sim(scenario, *args, **kwargs):
        sims.append(Sim(tmp_path, scenario, *args, **kwargs))
        return sims[-1]
    yield start_sim
    for sim in sims:
        if sim.proc.poll() is None:
            sim.proc.kill()
