"""The simulated radio's own tests: no Wine."""
import pytest


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    """Replaces the Wine session of the tests above: nothing here runs Windows programs."""
