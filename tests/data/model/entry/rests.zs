# Rest entry. On a note of the same value the rest replaces it; on a note of another value
# whose first head is a step away too; farther away it goes to the neighbouring voice, with the
# stem of that voice (up for an even voice, down for an odd one).
new 1
enter note 0 0 0 0 3
enter rest 0 0 0 0 3
print rhythm 0 0
enter note 0 1 0 0 2
enter rest 0 1 0 1 3
print rhythm 0 1
enter note 0 2 0 0 2
enter rest 0 2 0 5 3
print rhythm 0 2
# Vertical offsets with two voices in use: a rest in voice 1 whose voice averages a staff
# position between -2 and 2 sits 6 steps below its value's default (-6 for a quarter, -5 for
# an eighth); one in voice 0 at the default (0 and 1).
enter note 0 3 0 0 2
enter note 0 3 0 1 2 voice=1 nochord
option rests off
enter rest 0 3 960 0 3 voice=1
enter rest 0 3 1440 0 4 voice=1
enter rest 0 3 960 0 3
enter rest 0 3 1440 0 4
print items 0 3 live
# With automatic rests and nothing at the click, later notes of the voice move on by the
# rest's length and later rests go before the gaps are filled.
option rests on
enter note 0 4 480 0 3
enter note 0 4 960 0 3
enter rest 0 4 240 0 4
print rhythm 0 4
