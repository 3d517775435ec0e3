# Note entry with every automatic option on. A click on a rest at its time replaces it: the
# rests after it go and the gaps are filled again.
new 1
enter note 0 0 0 0 3
enter note 0 0 480 2 3
print rhythm 0 0
# Near a note of another value the entry goes to the neighbouring voice, the new note's stem
# down below the found note's top head and the found note's up; the rests of both voices fill
# their bars.
enter note 0 1 0 0 3
enter note 0 1 0 -3 2
print items 0 1 live
# A track with one voice has no neighbour: the head joins the found note's chord.
voicecount 1 1
enter note 1 1 0 0 3
enter note 1 1 0 -3 2
print items 1 1 live
# Automatic rests: where nothing stands, later notes of the voice move on by the entry's
# length and later rests go before the gaps are filled again.
enter note 0 2 0 0 3
enter note 0 2 480 0 3
enter note 0 2 960 0 3
enter note 0 2 0 4 3 nochord
print rhythm 0 2
# A grace note near a note never joins it, and never has a value code below 2; a normal note
# near a grace note joins the grace note's chord as one more grace head.
enter note 0 3 480 0 3
enter note 0 3 480 2 1 grace
print rhythm 0 3
enter note 0 3 480 4 3 grace
enter note 0 3 480 6 2 pos=186
print items 0 3 live

# A head added to a note gives the chord its stem from its highest and lowest heads, whichever
# came first: down for a chord above the middle line, up below it, and for heads on both sides
# by the one further from the middle (down when they are as far).
enter note 0 4 0 2 3
enter note 0 4 0 4 3
enter note 0 5 0 -2 3
enter note 0 5 0 -4 3
enter note 0 6 0 2 3
enter note 0 6 0 -4 3
enter note 0 7 0 -2 3
enter note 0 7 0 4 3
enter note 0 8 0 3 3
enter note 0 8 0 -3 3
print items 0 4-8 live
