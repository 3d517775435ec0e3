# A first start: the defaults of every stored field, then the same fields saved and read back.
prefs
prefs write
prefs
