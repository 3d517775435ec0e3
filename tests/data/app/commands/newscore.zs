# A new score through the menu commands: Undo (nothing done) and Revert (never saved) are
# greyed and do not run; Delete Page is enabled, as a new score has two pages; Refresh is
# enabled; the last-page command moves the insertion point to the last page and bar.
new 1
state
cmd 57643
cmd 32800
cmd 33001
cmd 33012
cmd 166
state
