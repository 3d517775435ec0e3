// The ports dialog's test of an output: three short notes of key 67 and a longer one of 63.
#pragma once
#include "framework/Midi.h"

// Sends the test on channel 1 (counted from 0) with its pauses; false at the first failed send.
bool PlayPortTest(fw::midi::PortId port);
