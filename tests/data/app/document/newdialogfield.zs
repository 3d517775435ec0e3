# A reply naming a control the dialog does not have stops the script.
answer ok 3=1 99=1
new dialog
state
