"""Steps that every stage test takes with the stage host."""


def on_open_port(host, *commands):
    """Opens the port and starts the reader, runs the commands, then stops and
    closes again: the commands' replies."""
    host("open")
    host("start-reader")
    replies = [host(command) for command in commands]
    host("stop-reader")
    host("close")
    return replies
