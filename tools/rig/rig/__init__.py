"""The test rig: the project's Wine prefix, the simulated radio as a COM port, the utility as
a person at the screen meets it, and the stage host that tests and scripts drive."""
