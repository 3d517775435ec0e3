# A command that fails names its line and stops the script.
print score
