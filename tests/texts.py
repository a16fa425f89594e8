"""What the utility says, byte for byte, as the operator reads it, and in which box."""
from rig.programs import BOX

CONNECTION = ("To start communication between the PC and ZK-4100: \n\n1. Switch off the ZK-4100 power.\n"
              "2. Connect the ZK-4100 to the PC using an RS-232C cable. \n3. Switch on the ZK-4100 power. \n\n"
              "When you are ready, click OK to continue.")
RIGHTS = "You need administrative privileges."
WRITING_MODE = ("To set the ZK-4100 to firmware writing mode: \n\n"
                "1. Remove the power supply cable from the ZK-4100.\n2. Remove the RS-232C cable from the ZK-4100.\n"
                "3. Remove the bottom cover of the ZK-4100.\n4. Turn the switch (S1) ON.\n"
                "5. Reconnect the RS-232C cable to the ZK-4100.\n6. Reconnect the power supply cable to the ZK-4100.\n\n"
                "When you are ready, click OK to start writing the new firmware.\n"
                "It takes about 7 minutes to write the new firmware.")
DETECTION_FAILED = "Could not detect the ZK-4100."
WRITE_FAILED = ("Failed!  The firmware has not been updated. \n\nRemove and reconnect the power supply cable.\n"
                "Then repeat the firmware writing step.")
COMPLETED = "Completed!  The firmware has been updated."
NORMAL_MODE = ("To return the ZK-4100 to normal mode: \n\n1. Remove the power supply cable from the ZK-4100.\n"
               "2. Remove the RS-232C cable from the ZK-4100.\n3. Turn the switch (S1) OFF.\n"
               "4. Reattach the bottom cover of the ZK-4100.\n5. Reconnect the power supply cable to the ZK-4100.\n"
               "6. Execute the FULL RESET function of the ZK-4100.")
PORT_FAILED = "Failed to open serial port."
IDLE_STATUS = "Select a serial port, then click OK to continue."
PROMPT_BUTTONS, OK_BUTTON = ["OK", "Cancel"], ["OK"]
NO_PORTS = "There are no serial ports available."
# The box each text comes in: its icon and its buttons.
BOXES = {CONNECTION: ("information", PROMPT_BUTTONS), WRITING_MODE: ("information", PROMPT_BUTTONS),
         RIGHTS: ("stop", OK_BUTTON), NO_PORTS: ("stop", OK_BUTTON), DETECTION_FAILED: ("exclamation", OK_BUTTON),
         WRITE_FAILED: ("exclamation", OK_BUTTON), PORT_FAILED: ("exclamation", OK_BUTTON),
         COMPLETED: ("information", OK_BUTTON),
         NORMAL_MODE: ("information", OK_BUTTON)}


def boxes_for(*texts):
    """The boxes these texts come in, as (caption, text, icon, buttons)."""
    return [(BOX, text, *BOXES[text]) for text in texts]


def as_seen(boxes):
    """The boxes of a stage host's reply, as (caption, text, icon, buttons)."""
    return [(b["caption"], b["text"], b["icon"], b["buttons"]) for b in boxes]
