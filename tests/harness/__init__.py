"""What the end-to-end and user-path tests share: the demo's constants read from its sources,
one way to wait, one picture of a screen's cells, the terminal drivers, the services they need,
and one check that a terminal was given back as the user had it."""
