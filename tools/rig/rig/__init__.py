"""The test rig: the project's Wine prefix, the simulated radio as a COM port, and
the line-protocol programs (stage host, operator) that tests and scripts drive."""
